#include "platform/core/NotePlayer.h"
#include "platform/core/Runtime.h"
#include "platform/core/Services.h"
#include "platform/core/Thread.h"
#include "score/Score.h"
#include "score/Step.h"
#include "tests/Stage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>

namespace {

// Runs a wait against a clock that gives the listed readings, and reports how
// often it yielded and how many readings it took.
struct ScriptedWait {
    long yields;
    std::size_t readings;
};

ScriptedWait waitWithReadings(double length, std::deque<double> readings)
{
    Stage stage;
    const std::size_t given = readings.size();
    stage.backend().setClock([&readings] {
        const double reading = readings.front();
        readings.pop_front();
        return reading;
    });
    score::waitMicroseconds(length);
    return {stage.recording().yields, given - readings.size()};
}

} // namespace

TEST(StepWait, EndsOnTheFirstReadingAtWhichTheLengthHasPassed)
{
    const ScriptedWait exact = waitWithReadings(133000.0, {0.0, 100.0, 132999.0, 133000.0});
    EXPECT_EQ(exact.yields, 2);
    EXPECT_EQ(exact.readings, 4u); // two more readings than yields
}

TEST(StepWait, AFirstTestAlreadyPastReturnsWithoutYielding)
{
    EXPECT_EQ(waitWithReadings(133000.0, {5.0, 200000.0}).yields, 0);
}

TEST(StepWait, AnElapsedTimeThatIsNotANumberEndsIt)
{
    EXPECT_EQ(waitWithReadings(133000.0, {0.0, std::nan("")}).yields, 0);
}

TEST(StepWait, AClockThatGoesBackKeepsItWaiting)
{
    EXPECT_EQ(waitWithReadings(133000.0, {1000.0, 500.0, 0.0, 134000.0}).yields, 2);
}

TEST(StepWait, OnAThreadItSleepsToTheFirstReadingAtWhichTheLengthHasPassed)
{
    Stage stage;
    double started = 0.0, ended = 0.0;
    auto thread = std::static_pointer_cast<platform::Thread>(platform::RuntimeNewObject(platform::ThreadClass()));
    platform::_InstallInstanceEventHandler(*thread, "Run", [&](platform::Object&) {
        platform::RuntimeBackgroundTask(); // the wait starts off the clock's origin
        started = platform::Microseconds();
        score::waitMicroseconds(133000.5);
        ended = platform::Microseconds();
    });
    thread->Run();
    stage.backend().runUntilIdle();
    EXPECT_EQ(started, 1000.0);
    EXPECT_EQ(ended - started, 133000.5);
    EXPECT_EQ(stage.recording().yields, 2); // the wait's turns: none before its time
}

TEST(StepPlayer, AMissingNotePlayerRaisesTheNilObjectExceptionLeavingEarlierNotesSounding)
{
    Stage stage;
    // A window with NotePlayer1 only: bar 26 strikes its 72 there, then fails
    // on the 72 it would strike on NotePlayer2.
    auto window = std::static_pointer_cast<platform::Window>(platform::RuntimeNewObject(platform::WindowClass()));
    auto player = window->__New(platform::NotePlayerClass());
    player->set(platform::Control::Name, std::string("NotePlayer1"));
    window->_AddControl("NotePlayer1", player);

    EXPECT_THROW(score::play(*window, score::findRoutine("bar26")->steps), platform::NilObjectException);
    const std::set<std::pair<std::string, int>> sounding = {{"NotePlayer1", 72}};
    EXPECT_EQ(stage.recording().sounding(), sounding);
    EXPECT_EQ(stage.recording().yields, 0); // it failed before the step's wait
}

TEST(StepPlayer, PlaysTheSameEventsAndWaitsEachTimeItIsCalled)
{
    Stage stage;
    const auto once = stage.events("bar20");
    EXPECT_EQ(stage.events("bar20"), once);
    EXPECT_EQ(stage.events({"bar20", "bar20"}).size(), 2 * once.size());
}
