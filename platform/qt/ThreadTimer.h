#pragma once

#include "platform/qt/WakeUpTimer.h"

#include <QTimer>

namespace platform {

// Gives the core's cooperative threads their turns from the event loop.
// While a thread is due, a zero-interval timer fires whenever the loop has no
// input to handle and runs a short slice of turns. While every thread waits
// for a later time, the loop sleeps, handling input as it comes, until just
// before the earliest of those times, then turns the threads without
// sleeping until it has passed. Once no thread is runnable, an idle program
// sleeps in the loop.
class ThreadTimer {
public:
    // How the loop sleeps while every thread waits for a later time, in
    // microseconds: until napLead before the earliest wake time, then in naps
    // of napLength, and not at all for the last spinMargin. A wake-up after a
    // long sleep can come milliseconds late on a busy machine, as the kernel
    // lets the sleeper wait for other processes' time slices, while one after
    // a short nap still comes on time; bench-wake-up measures both. On the
    // development machine with every core busy, a long sleep woke 3 to 7 ms
    // late (p99), a nap under 0.4 ms; on a quiet one, a nap woke 50 to 90 us
    // late. So napLead is above the first, napLength short enough to keep the
    // second, spinMargin above the quiet nap's lateness; the naps cost under
    // half a percent of a core.
    static constexpr double napLead = 8000.0;
    static constexpr double napLength = 250.0;
    static constexpr double spinMargin = 100.0;

    ThreadTimer();

    // A thread has become runnable.
    void start();
    bool isActive() const { return turns_.isActive() || wakeUp_.armed(); }

private:
    // What the loop does after a slice: nothing more, another slice as soon
    // as it is idle, or a slice when the wake-up timer fires.
    struct Next {
        enum { idle, turn, sleep } what = idle;
        double wakeAt = 0.0;
    };

    void runSlice();
    static Next turnThreads();
    void follow(const Next& next);

    QTimer turns_;
    WakeUpTimer wakeUp_;
    bool inSlice_ = false;
};

} // namespace platform
