#include "platform/core/Runtime.h"
#include "platform/core/Services.h"
#include "platform/core/Thread.h"
#include "platform/qt/ThreadTimer.h"
#include "tests/ProcessCpuTime.h"
#include "tests/qt/QtStage.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/resource.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <system_error>
#include <vector>

using namespace platform;

// How a thread's waits end on the real event loop and clock: on time, and
// without keeping a processor busy meanwhile. How late a wake-up comes is the
// machine's doing, and a busy machine makes some come milliseconds late; so
// the waits are set beside plain naps that the same thread takes between
// them, on the same kind of timer. The share of waits that end late may pass
// the share of naps that wake late by less than a half, and the loop sleeps
// at least half as often as the naps fit in the same time. A loop that wakes
// late, naps too long or spins fails on any machine; a busy one makes the
// naps late as it makes the waits. The bounds check the waits' bounds, not
// their speed.
namespace {

// Each time the calling thread gave up its processor to wait: each sleep of
// the event loop.
long sleepsOfThisThread()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// Later than this is late. The loop spins through the last spinMargin of a
// wait, so a wait ends later than this only after a wake-up some 300 us late;
// a loop that wakes a millisecond late, as Qt's own timers would, ends most
// waits later than this.
constexpr double lateMicroseconds = 2 * ThreadTimer::spinMargin;

double lateShare(const std::vector<double>& lateness)
{
    const auto late = std::ranges::count_if(lateness, [](double each) { return each > lateMicroseconds; });
    return static_cast<double>(late) / static_cast<double>(lateness.size());
}

// Naps of the calling thread on a timer of the kind the loop sleeps on, with
// nothing else in between.
class PlainNap {
public:
    PlainNap() : descriptor_(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC))
    {
        if (descriptor_ < 0) throw std::system_error(errno, std::generic_category(), "timerfd_create");
    }
    PlainNap(const PlainNap&) = delete;
    PlainNap& operator=(const PlainNap&) = delete;
    ~PlainNap() { close(descriptor_); }

    // Microseconds past the nap's end.
    double lateness() const
    {
        const double end = Microseconds() + ThreadTimer::napLength;
        const auto nanoseconds = static_cast<std::int64_t>(std::ceil(end * 1000.0));
        const itimerspec setting{
            {0, 0}, {static_cast<time_t>(nanoseconds / 1'000'000'000), static_cast<long>(nanoseconds % 1'000'000'000)}};
        pollfd expired{descriptor_, POLLIN, 0};
        int ready = 0;
        if (timerfd_settime(descriptor_, TFD_TIMER_ABSTIME, &setting, nullptr) == 0)
            while ((ready = poll(&expired, 1, -1)) < 0 && errno == EINTR) {
            }
        std::uint64_t expirations = 0;
        if (ready != 1 || read(descriptor_, &expirations, sizeof expirations) < 0)
            ADD_FAILURE() << "a plain nap failed: " << std::strerror(errno);
        return Microseconds() - end;
    }

private:
    int descriptor_;
};

struct Waits {
    std::vector<double> lateness;    // microseconds past each wait's end
    std::vector<double> napLateness; // of each plain nap
    double wall = 0.0;               // of the waits alone
    double cpu = 0.0;
    long sleeps = 0;
};

// A thread waits `count` times for `length` microseconds, each wait measured
// from its own start as a step's is, while the event loop runs with nothing
// else to do: nothing but the waits wakes it. Before each wait it naps
// plainly, blocking the loop, through as long a time as the loop naps at the
// end of the wait.
Waits waitOnTheLoop(int count, double length)
{
    QtStage stage;
    QEventLoop loop;
    Waits waits;
    const PlainNap nap;
    auto thread = std::static_pointer_cast<Thread>(RuntimeNewObject(ThreadClass()));
    _InstallInstanceEventHandler(*thread, "Run", [&](Object&) {
        for (int i = 0; i < count; ++i) {
            const double napsEnd = Microseconds() + std::min(length, ThreadTimer::napLead);
            while (Microseconds() < napsEnd)
                waits.napLateness.push_back(nap.lateness());

            const double cpuBefore = processCpuMicroseconds();
            const long sleepsBefore = sleepsOfThisThread();
            const double start = Microseconds();
            const double end = start + length;
            RuntimeBackgroundTaskUntil(end);
            const double now = Microseconds();
            waits.lateness.push_back(now - end);
            waits.wall += now - start;
            waits.cpu += processCpuMicroseconds() - cpuBefore;
            waits.sleeps += sleepsOfThisThread() - sleepsBefore;
        }
        loop.quit();
    });
    QTimer::singleShot(20'000, &loop, &QEventLoop::quit); // should the waits never end
    thread->Run();
    loop.exec();
    return waits;
}

} // namespace

// Waits well past the nap lead: a long sleep, then naps.
TEST(ThreadWaits, EndOnTimeWithoutKeepingAProcessorBusy)
{
    static_assert(ThreadTimer::napLead < 30'000);
    const Waits waits = waitOnTheLoop(20, 30'000);

    ASSERT_EQ(waits.lateness.size(), 20u);
    EXPECT_GE(std::ranges::min(waits.lateness), 0.0); // none ends early
    EXPECT_LT(lateShare(waits.lateness), lateShare(waits.napLateness) + 0.5);
    EXPECT_LT(waits.cpu, waits.wall / 4);
}

// Waits within the nap lead are napped through, not spun through nor slept
// through in one: a single sleep can end milliseconds late on a busy machine.
TEST(ThreadWaits, ShortWaitsAreNappedThrough)
{
    const double length = ThreadTimer::napLead / 2;
    const Waits waits = waitOnTheLoop(30, length);

    ASSERT_EQ(waits.lateness.size(), 30u);
    EXPECT_GE(std::ranges::min(waits.lateness), 0.0);
    EXPECT_LT(lateShare(waits.lateness), lateShare(waits.napLateness) + 0.5);
    EXPECT_LT(waits.cpu, waits.wall / 2); // the naps cost some 10 %, spinning all of it
    // As often as plain naps fit, some 16 times a wait, give or take half:
    // naps of a whole millisecond fit a quarter as often, a wait slept
    // through in one sleeps once, and one spun through never.
    static_assert(ThreadTimer::napLead / 2 > 15 * ThreadTimer::napLength);
    EXPECT_GT(static_cast<double>(waits.sleeps), static_cast<double>(waits.napLateness.size()) / 2);
}
