#include "platform/qt/WakeUpTimer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace platform {

namespace {

// std::chrono::steady_clock, which the desktop's clock reads, is
// CLOCK_MONOTONIC on Linux.
int makeTimer()
{
    const int descriptor = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (descriptor < 0) throw std::system_error(errno, std::generic_category(), "timerfd_create");
    return descriptor;
}

void setTimer(int descriptor, const timespec& at)
{
    const itimerspec setting{{0, 0}, at};
    if (timerfd_settime(descriptor, TFD_TIMER_ABSTIME, &setting, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "timerfd_settime");
}

} // namespace

WakeUpTimer::WakeUpTimer(std::function<void()> onWake)
    : descriptor_(makeTimer()), notifier_(descriptor_, QSocketNotifier::Read), onWake_(std::move(onWake))
{
    QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this] { woken(); });
}

WakeUpTimer::~WakeUpTimer()
{
    notifier_.setEnabled(false);
    close(descriptor_);
}

void WakeUpTimer::wakeAt(double microseconds)
{
    // A time at or before the clock's origin would read as "disarm": the
    // earliest time the timer takes stands for every past one.
    const double nanoseconds = std::max(1.0, std::ceil(microseconds * 1000.0));
    const auto whole = static_cast<std::int64_t>(nanoseconds);
    setTimer(descriptor_, {static_cast<time_t>(whole / 1'000'000'000), static_cast<long>(whole % 1'000'000'000)});
    armed_ = true;
}

void WakeUpTimer::cancel()
{
    setTimer(descriptor_, {0, 0});
    armed_ = false;
}

void WakeUpTimer::woken()
{
    std::uint64_t expirations = 0;
    if (read(descriptor_, &expirations, sizeof expirations) < 0) return; // a wake-up since cancelled
    armed_ = false;
    onWake_();
}

} // namespace platform
