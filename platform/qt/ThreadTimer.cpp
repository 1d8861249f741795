#include "platform/qt/ThreadTimer.h"

#include "platform/core/Runtime.h"
#include "platform/core/Scheduler.h"
#include "platform/qt/CoreCall.h"

#include <algorithm>
#include <limits>

namespace platform {

namespace {

// Long enough that the turns are not swamped by the loop's own work, short
// enough that a click waits at most this long to be handled.
constexpr double sliceMicroseconds = 2000.0;

// A thread may wait for any time, however far off; the loop sleeps towards
// it an hour at a time, a time the wake-up timer can always hold.
constexpr double longestSleep = 3600e6;

} // namespace

ThreadTimer::ThreadTimer() : wakeUp_([this] { runSlice(); })
{
    turns_.setInterval(0);
    QObject::connect(&turns_, &QTimer::timeout, &turns_, [this] { runSlice(); });
}

void ThreadTimer::start()
{
    if (!turns_.isActive()) turns_.start();
}

void ThreadTimer::runSlice()
{
    // The scheduler is not re-entrant: a slice never starts inside another,
    // should anything in one ever spin an event loop.
    if (inSlice_) return;
    inSlice_ = true;
    Next next; // a slice that failed leaves nothing to turn
    callCore([&next] { next = turnThreads(); });
    inSlice_ = false;
    // Arming the wake-up can fail like any system call; Qt must not see it.
    callCore([this, next] { follow(next); });
}

void ThreadTimer::follow(const Next& next)
{
    if (next.what == Next::sleep) {
        // Stopped first: a wake-up that cannot be armed is reported once,
        // not again at every turn of the loop.
        turns_.stop();
        wakeUp_.wakeAt(next.wakeAt);
        return;
    }
    if (wakeUp_.armed()) wakeUp_.cancel();
    if (next.what == Next::idle)
        turns_.stop();
    else
        start();
}

ThreadTimer::Next ThreadTimer::turnThreads()
{
    Scheduler& scheduler = runtimeScheduler();
    Backend& backend = runtimeBackend();
    const double end = backend.microseconds() + sliceMicroseconds;
    for (;;) {
        scheduler.runTurn();
        const double wake = scheduler.nextWake();
        if (wake == std::numeric_limits<double>::infinity()) return {};
        const double now = backend.microseconds();
        const double left = wake - now;
        if (left > napLead) return {Next::sleep, std::min(wake - napLead, now + longestSleep)};
        if (left > spinMargin) return {Next::sleep, std::min(now + napLength, wake - spinMargin)};
        if (now >= end) return {Next::turn};
    }
}

} // namespace platform
