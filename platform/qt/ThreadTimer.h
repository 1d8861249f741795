#pragma once

#include <QTimer>

namespace platform {

// Gives the core's cooperative threads their turns from the event loop. A
// zero-interval timer fires whenever the loop has no input to handle and runs
// a short slice of turns; it stops once no thread is runnable, so an idle
// program sleeps in the loop.
class ThreadTimer {
public:
    ThreadTimer();

    // A thread has become runnable.
    void start();
    bool isActive() const { return timer_.isActive(); }

private:
    void runSlice();

    QTimer timer_;
    bool inSlice_ = false;
};

} // namespace platform
