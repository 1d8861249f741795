#pragma once

#include "platform/core/StackSwitch.h"

#include <boost/context/fiber.hpp>

#include <functional>
#include <limits>
#include <vector>

namespace platform {

class Backend;
class Scheduler;

// The wake time of a fiber that wants its next turn at once.
inline constexpr double wakeAtOnce = -std::numeric_limits<double>::infinity();

// One cooperative thread of execution with its own stack. It runs only when
// the scheduler resumes it and gives the turn back only at its yields.
// Destroying a fiber that stands at a yield unwinds its stack there: its local
// objects are destroyed and none of its further code runs.
class Fiber {
public:
    // An exception that leaves the body goes to the run-time's handler of
    // unhandled exceptions.
    Fiber(Scheduler& scheduler, std::function<void()> body);
    Fiber(const Fiber&) = delete;
    Fiber& operator=(const Fiber&) = delete;
    ~Fiber();

    bool finished() const { return finished_; }

private:
    friend class Scheduler;
    void resume();
    void suspend();
    // Unwinds the fiber's stack if it stands at a yield.
    void unwind();
    boost::context::fiber enter(boost::context::fiber&& caller);

    Scheduler& scheduler_;
    std::function<void()> body_;
    StackSwitch stackSwitch_; // outlives the contexts
    boost::context::fiber context_; // the fiber, while it is not running
    boost::context::fiber caller_;  // the main thread, while the fiber runs
    bool started_ = false;
    bool finished_ = false;
    bool unwinding_ = false;
    bool outlivedScheduler_ = false;
    double wakeAt_ = wakeAtOnce; // the clock reading before which it needs no turn
};

// Runs the fibers on the main thread, one at a time. The main thread is the
// one that runs the event loop; a fiber runs only inside a turn that the main
// thread gives it, and every yield of a fiber ends its turn.
class Scheduler {
public:
    explicit Scheduler(Backend& backend);
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;
    // Unwinds the fibers that still stand at a yield: when the run-time shuts
    // down, no thread runs on.
    ~Scheduler();

    bool onMainThread() const { return current_ == nullptr; }
    const Fiber* current() const { return current_; }

    // On a fiber: ends its turn, or returns at once while the fiber is being
    // unwound. On the main thread: gives every due fiber one turn, and runs no
    // event of the event loop.
    void yield();

    // As yield, and a fiber that yields so needs no turn before the backend's
    // clock reads `wakeAt` (a wake time that is not a number means at once).
    // Kill still stops it at once. On the main thread, the same as yield.
    void yieldUntil(double wakeAt);

    // Unwinds every fiber that stands at a yield. The run-time does this first
    // when it shuts down, while all that the fibers' destructors may use is
    // still there.
    void unwindAll();

    // Gives every due fiber one turn: one that yielded without a wake time,
    // or whose wake time the clock has reached. Returns whether any was due.
    bool runTurn();
    bool hasRunnable() const;

    // The earliest wake time of the runnable fibers: wakeAtOnce when one
    // wants its turn at once, infinity when none is runnable.
    double nextWake() const;

private:
    friend class Fiber;

    Backend& backend_;
    std::vector<Fiber*> fibers_; // a fiber that has gone leaves an empty slot until the turn ends
    Fiber* current_ = nullptr;
};

} // namespace platform
