#include "player/Window1.h"
#include "score/Score.h"
#include "tests/Stage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

std::vector<std::string> writtenOrder()
{
    std::vector<std::string> calls;
    const auto bars = [&](int first, int last) {
        for (int bar = first; bar <= last; ++bar) calls.push_back("bar" + std::to_string(bar));
    };
    bars(1, 32), calls.push_back("bars333435"), bars(36, 108), calls.push_back("bars109110111112"), bars(113, 116);
    calls.push_back("bars117118119120"), bars(121, 132);
    calls.insert(calls.end(), {"bars133134", "bars135136", "bars137138139"}), bars(140, 142);
    return calls;
}

} // namespace

TEST(OriginalMode, PlaysTheWrittenOrderThenPausesThenEnds)
{
    Stage stage;
    double lastNote = 0.0;
    stage.backend().onNote = [&](const platform::NoteEvent& event) { lastNote = event.time; };
    double messageAt = 0.0;
    bool idleAtMessage = false;
    stage.backend().onMessageBox = [&](const std::string&) {
        messageAt = stage.backend().now();
        idleAtMessage = !stage.rect("stop").get(platform::RectControl::Enabled) && stage.rect("start").get(platform::RectControl::Enabled);
    };
    stage.start("original");
    stage.backend().runUntilIdle();

    EXPECT_EQ(stage.scoreCalls(), writtenOrder());
    EXPECT_EQ(writtenOrder().size(), 130u);
    EXPECT_GE(messageAt - lastNote, 3000000.0);
    EXPECT_GE(lastNote, 772 * 133000.0);
    EXPECT_TRUE(idleAtMessage);
    ASSERT_EQ(stage.recording().messages.size(), 1u);
    EXPECT_FALSE(stage.recording().messages[0].waited); // shown from the mode's thread
    EXPECT_TRUE(stage.recording().sounding().empty());
}

TEST(OneShotMode, PlaysEveryBarOnceInANewOrderEachRun)
{
    Stage stage;
    std::vector<std::vector<std::string>> runs;
    for (int run = 0; run < 2; ++run) {
        const std::size_t before = stage.scoreCalls().size();
        stage.start("oneshot");
        stage.backend().runUntilIdle();
        const auto calls = stage.scoreCalls();
        runs.emplace_back(calls.begin() + static_cast<long>(before), calls.end());
    }
    for (auto order : runs) {
        std::ranges::sort(order);
        std::vector<std::string> bars;
        for (int bar = 1; bar <= 142; ++bar) bars.push_back("bar" + std::to_string(bar));
        std::ranges::sort(bars);
        EXPECT_EQ(order, bars); // each bar once, and no passage
    }
    EXPECT_NE(runs[0], runs[1]);
    EXPECT_EQ(stage.recording().messages.size(), 2u);
}

TEST(LoopedMode, PlaysRandomBarsUntilStopAndNothingWhenStopIsDisabled)
{
    Stage stage;
    stage.start("looped");
    stage.backend().runFor(60 * 133000.0 * 6);
    EXPECT_TRUE(stage.thread("loopedThread").isRunning());
    const auto calls = stage.scoreCalls();
    EXPECT_GE(calls.size(), 50u);
    EXPECT_TRUE(std::ranges::all_of(calls, [](const std::string& call) { return !call.starts_with("bars"); }));
    stage.stop();
    EXPECT_EQ(stage.recording().messages.size(), 1u);

    // Started with stop disabled, it returns at once and touches nothing.
    const std::size_t notes = stage.recording().notes.size();
    stage.thread("loopedThread").Run();
    stage.backend().runUntilIdle();
    EXPECT_EQ(stage.recording().notes.size(), notes);
    EXPECT_TRUE(stage.rect("start").get(platform::RectControl::Enabled));
}

TEST(LoopedMode, PlayBarPlaysTheBarOfItsNumberAndNothingOutside1To142)
{
    Stage stage;
    for (const int k : {0, 143, -1}) player::playBar(stage.window(), k);
    EXPECT_TRUE(stage.scoreCalls().empty());
    for (const int k : {1, 35, 36, 142}) player::playBar(stage.window(), k);
    EXPECT_EQ(stage.scoreCalls(), (std::vector<std::string>{"bar1", "bar35", "bar36", "bar142"}));
}

// Stops each mode at many random moments: in bars, in held notes of
// passages, in the end pause. After every stop nothing sounds, the killed
// mode plays no further note and the closing message comes once.
TEST(Modes, StopAtAnyMomentLeavesSilenceAndOneMessage)
{
    std::mt19937 chance(20261207);
    for (const std::string mode : {"original", "oneshot", "looped"}) {
        Stage stage;
        for (int performance = 0; performance < 25; ++performance) {
            const double upTo = mode == "original" && performance < 5 ? 106e6 : 20e6; // some stops in the end pause
            stage.start(mode);
            stage.backend().runFor(std::uniform_real_distribution<double>(0.0, upTo)(chance));
            const std::size_t messages = stage.recording().messages.size();
            stage.stop();
            const std::size_t notes = stage.recording().notes.size();
            stage.backend().runFor(1e6);
            EXPECT_TRUE(stage.recording().sounding().empty()) << mode;
            EXPECT_EQ(stage.recording().notes.size(), notes) << mode;
            EXPECT_EQ(stage.recording().messages.size(), messages + 1) << mode;
        }
    }
}

// A failure inside a mode goes to the unhandled-exception handler: the
// listener is told, the controls stay as they were, and stop still ends the
// performance as usual.
TEST(Modes, AFailureInAModeIsReportedAndStopStillEndsIt)
{
    Stage stage;
    stage.backend().onCall = [](std::string_view method) {
        if (method == "bar3") platform::RaiseNilObjectException();
    };
    testing::internal::CaptureStderr();
    stage.start("original");
    stage.backend().runUntilIdle();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("An unexpected error stopped the program"), std::string::npos);
    ASSERT_EQ(stage.recording().messages.size(), 1u);
    EXPECT_FALSE(stage.thread("originalThread").isRunning());
    EXPECT_TRUE(stage.rect("stop").get(platform::RectControl::Enabled));

    stage.stop();
    EXPECT_TRUE(stage.rect("start").get(platform::RectControl::Enabled));
    EXPECT_EQ(stage.recording().messages.size(), 2u);
    EXPECT_EQ(stage.recording().messages[1].text, player::closingMessage());
}

TEST(OriginalMode, StopDuringTheEndPauseEndsItWithoutASecondMessage)
{
    Stage stage;
    stage.start("original");
    stage.backend().runFor(772 * 133000.0 + 1500000.0);
    ASSERT_EQ(stage.scoreCalls().back(), "bar142");
    ASSERT_TRUE(stage.recording().messages.empty());
    stage.stop();
    stage.backend().runUntilIdle();
    EXPECT_EQ(stage.recording().messages.size(), 1u);
}

TEST(OriginalMode, StopInsideAPassageReleasesTheNoteItHoldsAcrossABarLine)
{
    Stage stage;
    stage.start("original");
    // Bars 1 to 32 take 192 units; the passage of bars 33 to 35 then holds
    // 81 from its first step into the second bar.
    stage.backend().runFor((192 + 7) * 133000.0 - 50000.0);
    ASSERT_EQ(stage.scoreCalls().back(), "bars333435");
    ASSERT_TRUE(stage.recording().sounding().contains({"NotePlayer1", 81}));
    stage.stop();
    EXPECT_TRUE(stage.recording().sounding().empty());
}
