#pragma once

#include <QSocketNotifier>

#include <functional>

namespace platform {

// Wakes the event loop at a time on the desktop's clock, to within what the
// kernel's scheduler allows. Qt's own timers count whole milliseconds and
// the loop rounds its sleep up to one, which is too coarse for a step's
// wait; a timer file descriptor on the same clock, watched by the loop's own
// poll, wakes it to the microsecond. The call it is made with runs on the
// event loop when the time has come.
class WakeUpTimer {
public:
    explicit WakeUpTimer(std::function<void()> onWake);
    WakeUpTimer(const WakeUpTimer&) = delete;
    WakeUpTimer& operator=(const WakeUpTimer&) = delete;
    ~WakeUpTimer();

    // Wakes the loop once the clock (QtBackend::microseconds, the steady
    // clock) reads `microseconds`, a finite time; replaces any wake-up asked
    // for before.
    void wakeAt(double microseconds);
    void cancel();
    bool armed() const { return armed_; }

private:
    void woken();

    int descriptor_;
    QSocketNotifier notifier_;
    std::function<void()> onWake_;
    bool armed_ = false;
};

} // namespace platform
