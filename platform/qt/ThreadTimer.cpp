#include "platform/qt/ThreadTimer.h"

#include "platform/core/Runtime.h"
#include "platform/core/Scheduler.h"
#include "platform/qt/CoreCall.h"

#include <chrono>

namespace platform {

namespace {

// Long enough that the turns are not swamped by the loop's own work, short
// enough that a click waits at most this long to be handled.
constexpr auto slice = std::chrono::milliseconds(2);

} // namespace

ThreadTimer::ThreadTimer()
{
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { runSlice(); });
}

void ThreadTimer::start()
{
    if (!timer_.isActive()) timer_.start();
}

void ThreadTimer::runSlice()
{
    // The scheduler is not re-entrant: a slice never starts inside another,
    // should anything in one ever spin an event loop.
    if (inSlice_) return;
    inSlice_ = true;
    bool runnable = false; // a slice that failed leaves nothing to turn
    callCore([&runnable] { runnable = runtimeScheduler().runSlice(slice); });
    inSlice_ = false;
    if (!runnable) timer_.stop();
}

} // namespace platform
