#include "platform/core/Runtime.h"
#include "platform/core/Services.h"
#include "platform/core/Thread.h"
#include "platform/testing/TestBackend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// A run-time of its own with threads whose Run handlers the test writes.
class Threads : public testing::Test {
protected:
    ~Threads() override { threads_.clear(); }

    platform::Thread& thread(std::string name, std::function<void()> run)
    {
        auto made = std::static_pointer_cast<platform::Thread>(platform::RuntimeNewObject(platform::ThreadClass()));
        made->setName(std::move(name));
        platform::_InstallInstanceEventHandler(*made, "Run", [run = std::move(run)](platform::Object&) { run(); });
        threads_.push_back(made);
        return *made;
    }

    platform::Runtime runtime_{std::make_unique<platform::TestBackend>()};
    platform::TestBackend* backend_ = &static_cast<platform::TestBackend&>(platform::runtimeBackend());
    std::vector<platform::Ref<platform::Thread>> threads_;
};

// Sets a flag when destroyed: shows whether a thread's stack was unwound.
struct Unwound {
    bool& flag;
    ~Unwound() { flag = true; }
};

// Waits out some virtual time when destroyed, yielding as a wait does.
struct WaitsWhenDestroyed {
    ~WaitsWhenDestroyed()
    {
        const double start = platform::Microseconds();
        while (platform::Microseconds() - start < 3000) platform::RuntimeBackgroundTask();
    }
};

} // namespace

TEST_F(Threads, RunOnlyBetweenTheirYieldsAndOneAtATime)
{
    std::vector<std::string> log;
    int inside = 0;
    const auto worker = [&](std::string name) {
        return [&, name] {
            for (int turn = 0; turn < 3; ++turn) {
                EXPECT_EQ(++inside, 1);
                log.push_back(name);
                --inside;
                platform::RuntimeBackgroundTask();
            }
        };
    };
    thread("a", worker("a")).Run();
    thread("b", worker("b")).Run();
    EXPECT_TRUE(log.empty()); // Run does not wait for the thread
    platform::RuntimeBackgroundTask(); // the main thread's yield gives each a turn
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
    backend_->runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "a", "b", "a", "b"}));
}

TEST_F(Threads, KillUnwindsAThreadAtItsYieldBeforeReturning)
{
    bool unwound = false;
    bool ranOn = false;
    platform::Thread& waiting = thread("waiting", [&] {
        Unwound guard{unwound};
        for (;;) platform::RuntimeBackgroundTask();
        ranOn = true;
    });
    waiting.Run();
    backend_->runFor(5000);
    ASSERT_TRUE(waiting.isRunning());
    waiting.Kill();
    EXPECT_TRUE(unwound);
    EXPECT_FALSE(ranOn);
    EXPECT_FALSE(waiting.isRunning());
    waiting.Kill(); // on a thread that is not running: nothing
}

TEST_F(Threads, KillBeforeTheFirstTurnRunsNothingOfTheThread)
{
    bool ran = false;
    platform::Thread& never = thread("never", [&] { ran = true; });
    never.Run();
    never.Kill();
    EXPECT_FALSE(never.isRunning());
    backend_->runUntilIdle();
    EXPECT_FALSE(ran);

    never.Run(); // a fresh start runs it
    backend_->runUntilIdle();
    EXPECT_TRUE(ran);
}

TEST_F(Threads, AYieldInADestructorThatAKillRunsReturnsAtOnce)
{
    bool unwound = false;
    platform::Thread& waiting = thread("waiting", [&] {
        Unwound last{unwound};
        WaitsWhenDestroyed first;
        for (;;) platform::RuntimeBackgroundTask();
    });
    waiting.Run();
    backend_->runFor(5000);
    const long yieldsBefore = backend_->recording()->yields;
    waiting.Kill();
    EXPECT_TRUE(unwound); // the rest of the stack was unwound after the waiting destructor
    EXPECT_FALSE(waiting.isRunning());
    EXPECT_EQ(backend_->recording()->yields - yieldsBefore, 3); // the wait's yields still count
}

TEST_F(Threads, RunStartsAfreshOnlyAThreadThatIsNotRunning)
{
    int starts = 0;
    platform::Thread& looping = thread("looping", [&] {
        ++starts;
        for (;;) platform::RuntimeBackgroundTask();
    });
    looping.Run();
    backend_->runFor(3000);
    looping.Run(); // still running: nothing
    backend_->runFor(3000);
    EXPECT_EQ(starts, 1);
    looping.Kill();
    looping.Run();
    backend_->runFor(3000);
    EXPECT_EQ(starts, 2);

    platform::Thread& once = thread("once", [&] { ++starts; });
    once.Run();
    backend_->runFor(3000);
    once.Run(); // ended: runs again
    backend_->runFor(3000);
    EXPECT_EQ(starts, 4);
}

TEST_F(Threads, AnExceptionLeavingARunHandlerGoesToTheHandlerAndEndsOnlyThatThread)
{
    int otherTurns = 0;
    platform::Thread& failing = thread("failing", [] { throw std::runtime_error("lost its note player"); });
    failing.Run();
    thread("other", [&] {
        for (int turn = 0; turn < 3; ++turn, ++otherTurns) platform::RuntimeBackgroundTask();
    }).Run();
    testing::internal::CaptureStderr();
    backend_->runUntilIdle();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "An unexpected error stopped the program: lost its note player\n");
    ASSERT_EQ(backend_->recording()->messages.size(), 1u);
    EXPECT_EQ(backend_->recording()->messages[0].text, "An unexpected error stopped the program: lost its note player");
    EXPECT_FALSE(failing.isRunning());
    EXPECT_EQ(otherTurns, 3);
}

TEST_F(Threads, AThreadCannotKillItself)
{
    platform::Thread* self = nullptr;
    platform::Thread& suicidal = thread("suicidal", [&] { self->Kill(); });
    self = &suicidal;
    suicidal.Run();
    testing::internal::CaptureStderr();
    backend_->runUntilIdle();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot kill itself"), std::string::npos);
}

// Threads that wait for a time: each gets its turns exactly when its time
// has come, never before, while virtual time runs straight on to it.
TEST_F(Threads, ThatWaitForATimeGetTheirTurnWhenItComesAndNotBefore)
{
    std::vector<double> shortTurns, longTurns, onceTurns;
    const auto sleeper = [&](std::vector<double>& turns, double every) {
        return [&, every] {
            for (int turn = 0; turn < 3; ++turn) {
                turns.push_back(platform::Microseconds());
                platform::RuntimeBackgroundTaskUntil(platform::Microseconds() + every);
            }
        };
    };
    thread("long", sleeper(longTurns, 7300)).Run();
    thread("short", sleeper(shortTurns, 2500)).Run();
    backend_->runFor(9000);
    // Each yield moves the virtual clock on by 1000: "short" starts at 1000.
    EXPECT_EQ(longTurns, (std::vector<double>{0, 7300}));
    EXPECT_EQ(shortTurns, (std::vector<double>{1000, 3500, 6000}));
    EXPECT_EQ(backend_->now(), 9000); // it ran on to the end asked for, not to the next wake

    // A wake time that has passed, or is not a number, is due at once.
    thread("once", [&] {
        onceTurns.push_back(platform::Microseconds());
        platform::RuntimeBackgroundTaskUntil(0);
        onceTurns.push_back(platform::Microseconds());
        platform::RuntimeBackgroundTaskUntil(std::nan(""));
        onceTurns.push_back(platform::Microseconds());
    }).Run();
    backend_->runUntilIdle();
    EXPECT_EQ(onceTurns, (std::vector<double>{9000, 10000, 11000}));
}

TEST_F(Threads, AReplacedClockThatNeverReachesAWakeTimeEndsTheRunInsteadOfSpinning)
{
    int turns = 0;
    thread("sleeper", [&] {
        for (;; ++turns) platform::RuntimeBackgroundTaskUntil(5000);
    }).Run();
    backend_->setClock([] { return 0.0; });
    EXPECT_TRUE(backend_->runFor(10000));
    EXPECT_EQ(turns, 0); // its first turn only
}

TEST_F(Threads, TheMainThreadsYieldTurnsOnlyThoseThatAreDue)
{
    int sleeperTurns = 0, eagerTurns = 0;
    thread("sleeper", [&] {
        for (;; ++sleeperTurns) platform::RuntimeBackgroundTaskUntil(1e9);
    }).Run();
    thread("eager", [&] {
        for (;; ++eagerTurns) platform::RuntimeBackgroundTask();
    }).Run();
    for (int yield = 0; yield < 3; ++yield) platform::RuntimeBackgroundTaskUntil(1e12); // on the main thread: a plain yield
    EXPECT_EQ(sleeperTurns, 0); // its first turn only
    EXPECT_EQ(eagerTurns, 2);
}

TEST_F(Threads, KillStopsAThreadThatWaitsForATimeAtOnce)
{
    bool unwound = false;
    platform::Thread& sleeping = thread("sleeping", [&] {
        Unwound guard{unwound};
        for (;;) platform::RuntimeBackgroundTaskUntil(60e6);
    });
    sleeping.Run();
    backend_->runFor(5000);
    ASSERT_TRUE(sleeping.isRunning());
    sleeping.Kill();
    EXPECT_TRUE(unwound);
    EXPECT_FALSE(sleeping.isRunning());
    backend_->runUntilIdle();
    EXPECT_EQ(backend_->now(), 5000); // its wake time went with it
}

TEST(RuntimeEnd, UnwindsAThreadThatStillRuns)
{
    platform::Runtime runtime(std::make_unique<platform::TestBackend>());
    auto thread = std::static_pointer_cast<platform::Thread>(platform::RuntimeNewObject(platform::ThreadClass()));
    bool unwound = false;
    platform::_InstallInstanceEventHandler(*thread, "Run", [&unwound](platform::Object&) {
        Unwound guard{unwound};
        for (;;) platform::RuntimeBackgroundTask();
    });
    thread->Run();
    platform::RuntimeBackgroundTask();
    runtime.end();
    EXPECT_TRUE(unwound);
    EXPECT_FALSE(thread->isRunning());
    thread.reset(); // after the run-time has gone: touches nothing of it
}

// A thread whose stack holds the last reference to another running thread
// ends that one while it is unwound; shutting down must stay quiet, and so
// must destroying the first thread afterwards.
TEST(RuntimeEnd, UnwindsAThreadThatHoldsTheLastReferenceToAnother)
{
    platform::Runtime runtime(std::make_unique<platform::TestBackend>());
    const auto newThread = [] { return std::static_pointer_cast<platform::Thread>(platform::RuntimeNewObject(platform::ThreadClass())); };
    bool heldUnwound = false;
    auto held = newThread();
    platform::_InstallInstanceEventHandler(*held, "Run", [&heldUnwound](platform::Object&) {
        Unwound last{heldUnwound};
        WaitsWhenDestroyed first;
        for (;;) platform::RuntimeBackgroundTask();
    });
    auto holder = newThread();
    platform::_InstallInstanceEventHandler(*holder, "Run", [&held](platform::Object&) {
        const platform::Ref<platform::Thread> onlyHere = std::move(held);
        for (;;) platform::RuntimeBackgroundTask();
    });
    holder->Run(); // first, so that it is the first to be unwound
    held->Run();
    platform::RuntimeBackgroundTask();
    ASSERT_EQ(held, nullptr);

    testing::internal::CaptureStderr();
    EXPECT_EQ(runtime.end(), 0);
    holder.reset();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(heldUnwound);
}
