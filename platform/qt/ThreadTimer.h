#pragma once

#include "platform/qt/WakeUpTimer.h"

#include <QTimer>

namespace platform {

// Gives the core's cooperative threads their turns from the event loop.
// While a thread is due, a zero-interval timer fires whenever the loop has no
// input to handle and runs a short slice of turns. While every thread waits
// for a later time, the loop sleeps until just before the earliest of those
// times, then turns the threads without sleeping until it has passed. Once no
// thread is runnable, an idle program sleeps in the loop.
class ThreadTimer {
public:
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

    QTimer turns_;
    WakeUpTimer wakeUp_;
    bool inSlice_ = false;
};

} // namespace platform
