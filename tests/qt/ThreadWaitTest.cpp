#include "platform/core/Runtime.h"
#include "platform/core/Services.h"
#include "platform/core/Thread.h"
#include "platform/qt/ThreadTimer.h"
#include "tests/qt/QtStage.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <ctime>
#include <vector>

using namespace platform;

// How a thread's waits end on the real event loop and clock: on time, and
// without keeping a processor busy meanwhile. The bounds are far from what
// the loop does, even with every core of the machine busy, and near what a
// loop that spun, or slept through the last milliseconds, or woke late, would
// show; they check the waits' bounds, not their speed.
namespace {

double processCpuMicroseconds()
{
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) * 1e6 + static_cast<double>(time.tv_nsec) / 1e3;
}

// Each time the calling thread gave up its processor to wait: each sleep of
// the event loop.
long sleepsOfThisThread()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

struct Waits {
    std::vector<double> lateness; // microseconds past each wait's end
    double wall = 0.0;
    double cpu = 0.0;
    long sleeps = 0;

    double medianLateness() const
    {
        std::vector<double> sorted = lateness;
        std::ranges::sort(sorted);
        return sorted[sorted.size() / 2];
    }
};

// A thread waits `count` times for `length` microseconds, each wait measured
// from its own start as a step's is, while the event loop runs with nothing
// else to do: nothing but the waits wakes it.
Waits waitOnTheLoop(int count, double length)
{
    QtStage stage;
    QEventLoop loop;
    Waits waits;
    auto thread = std::static_pointer_cast<Thread>(RuntimeNewObject(ThreadClass()));
    _InstallInstanceEventHandler(*thread, "Run", [&](Object&) {
        for (int i = 0; i < count; ++i) {
            const double end = Microseconds() + length;
            RuntimeBackgroundTaskUntil(end);
            waits.lateness.push_back(Microseconds() - end);
        }
        loop.quit();
    });
    QTimer::singleShot(10'000, &loop, &QEventLoop::quit); // should the waits never end

    const double wallBefore = Microseconds();
    const double cpuBefore = processCpuMicroseconds();
    const long sleepsBefore = sleepsOfThisThread();
    thread->Run();
    loop.exec();
    waits.wall = Microseconds() - wallBefore;
    waits.cpu = processCpuMicroseconds() - cpuBefore;
    waits.sleeps = sleepsOfThisThread() - sleepsBefore;
    return waits;
}

} // namespace

// Waits well past the nap lead: a long sleep, then naps.
TEST(ThreadWaits, EndOnTimeWithoutKeepingAProcessorBusy)
{
    static_assert(ThreadTimer::napLead < 30'000);
    const Waits waits = waitOnTheLoop(10, 30'000);

    ASSERT_EQ(waits.lateness.size(), 10u);
    EXPECT_GE(std::ranges::min(waits.lateness), 0.0); // none ends early
    EXPECT_LT(waits.medianLateness(), 1000.0);
    EXPECT_LT(waits.cpu, waits.wall / 4);
}

// Waits within the nap lead are napped through, not spun through nor slept
// through in one: a single sleep can end milliseconds late on a busy machine.
TEST(ThreadWaits, ShortWaitsAreNappedThrough)
{
    const double length = ThreadTimer::napLead / 2;
    const Waits waits = waitOnTheLoop(10, length);

    ASSERT_EQ(waits.lateness.size(), 10u);
    EXPECT_GE(std::ranges::min(waits.lateness), 0.0);
    EXPECT_LT(waits.medianLateness(), 1000.0);
    EXPECT_LT(waits.cpu, waits.wall / 2); // the naps cost some 10 %, spinning all of it
    static_assert(ThreadTimer::napLead / 2 > 15 * ThreadTimer::napLength); // some 16 naps a wait
    EXPECT_GE(waits.sleeps, 10 * 5);
}
