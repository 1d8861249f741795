#include "player/Window1.h"
#include "tests/Stage.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using platform::RectControl;

const std::vector<std::string> controlNames = {"start", "stop", "ProgressWheel1", "NotePlayer1", "originalThread", "NotePlayer2",
                                              "originalButton", "oneshotButton", "loopedButton", "loopedThread", "oneshotThread"};
const std::vector<std::string> modeThreads = {"originalThread", "oneshotThread", "loopedThread"};

// Which of wheel, stop, start and the three mode buttons are shown or enabled.
std::vector<bool> controlState(Stage& stage)
{
    return {stage.rect("ProgressWheel1").get(RectControl::Visible), stage.rect("stop").get(RectControl::Enabled),
            stage.rect("start").get(RectControl::Enabled),          stage.rect("originalButton").get(RectControl::Enabled),
            stage.rect("oneshotButton").get(RectControl::Enabled),  stage.rect("loopedButton").get(RectControl::Enabled)};
}
const std::vector<bool> idle = {false, false, true, true, true, true};
const std::vector<bool> playing = {true, true, false, false, false, false};

std::vector<std::string> runningThreads(Stage& stage)
{
    std::vector<std::string> running;
    for (const auto& name : modeThreads)
        if (stage.thread(name).isRunning()) running.push_back(name);
    return running;
}

} // namespace

TEST(Performance, TheWindowHoldsElevenControlsInTheirIdleState)
{
    Stage stage;
    std::vector<std::string> names;
    for (const auto& [name, control] : stage.window().controls()) names.push_back(name);
    EXPECT_EQ(names, controlNames);
    EXPECT_EQ(platform::RuntimeWindowControlByName(stage.window(), "NotePlayer3"), nullptr);
    EXPECT_EQ(controlState(stage), idle);
    EXPECT_TRUE(stage.radio("originalButton").get(platform::RadioButton::Value));
    EXPECT_FALSE(stage.radio("oneshotButton").get(platform::RadioButton::Value));
    EXPECT_EQ(stage.window().get(platform::Window::Title), "Velmora 20");
    EXPECT_EQ(stage.rect("stop").get(RectControl::Top), 240);
    for (const auto& name : modeThreads) EXPECT_EQ(stage.thread(name).get(platform::Thread::Priority), 5);
    const auto instruments = std::vector<std::pair<std::string, int>>{{"NotePlayer1", 1}, {"NotePlayer2", 1}};
    EXPECT_EQ(stage.recording().instruments, instruments);
}

TEST(Performance, StartRunsTheThreadOfTheSelectedModeOnly)
{
    for (const std::string mode : {"original", "oneshot", "looped"}) {
        Stage stage;
        stage.start(mode);
        EXPECT_EQ(controlState(stage), playing);
        EXPECT_EQ(runningThreads(stage), std::vector<std::string>{mode + "Thread"});
        EXPECT_TRUE(stage.recording().notes.empty()); // start does not wait for the mode
    }
}

TEST(Performance, StartWithNoModeSelectedPlaysNothingUntilStop)
{
    Stage stage;
    stage.radio("originalButton").set(platform::RadioButton::Value, false);
    stage.button("start").push();
    stage.backend().runUntilIdle();
    EXPECT_EQ(controlState(stage), playing);
    EXPECT_TRUE(runningThreads(stage).empty());
    stage.stop();
    EXPECT_EQ(controlState(stage), idle);
    EXPECT_EQ(stage.recording().messages.size(), 1u);
}

TEST(Performance, StopKillsTheModesThenReleasesEveryNoteThenShowsOneMessage)
{
    Stage stage;
    stage.start("original");
    stage.backend().runFor(1000000);
    const std::size_t played = stage.recording().notes.size();
    std::vector<bool> stateAtMessage;
    stage.backend().onMessageBox = [&](const std::string&) { stateAtMessage = controlState(stage); };
    stage.stop();

    EXPECT_TRUE(runningThreads(stage).empty());
    const std::vector<platform::NoteEvent> sweep(stage.recording().notes.begin() + static_cast<long>(played), stage.recording().notes.end());
    ASSERT_EQ(sweep.size(), 254u);
    for (std::size_t i = 0; i < sweep.size(); ++i) {
        EXPECT_EQ(sweep[i].player, i % 2 == 0 ? "NotePlayer1" : "NotePlayer2");
        EXPECT_EQ(sweep[i].note, static_cast<int>(i / 2 + 1));
        EXPECT_EQ(sweep[i].velocity, 0);
    }
    EXPECT_TRUE(stage.recording().sounding().empty());
    EXPECT_EQ(stateAtMessage, idle);
    ASSERT_EQ(stage.recording().messages.size(), 1u);
    EXPECT_EQ(stage.recording().messages[0].text,
              "Thanks for listening to this velmora.\n"
              "If you enjoyed it and would like to make a donation of 49p (\xC2\xA3"
              "0.49) then please visit\n"
              "velmora.example.org/velmoraweb/velmorapayment.html\n"
              "Thank you.");
    stage.backend().runUntilIdle();
    EXPECT_EQ(stage.recording().notes.size(), played + 254); // nothing of the killed mode plays on
}

TEST(Performance, ASecondPerformanceStartsTheModeAgainFromItsBeginning)
{
    Stage stage;
    stage.start("original");
    stage.backend().runFor(500000);
    stage.stop();
    const auto first = stage.scoreCalls();
    stage.start("original");
    stage.backend().runFor(500000);
    const auto both = stage.scoreCalls();
    ASSERT_GT(both.size(), first.size());
    EXPECT_EQ(both[first.size()], "bar1");
}
