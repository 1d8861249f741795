#pragma once

#include "platform/core/Control.h"

#include <memory>
#include <string>

namespace platform {

class Fiber;

// A cooperative thread whose Run event runs on a fiber. Only one thread runs
// at a time, and a running thread gives way only at its yields.
class Thread : public Object, public EventSource {
public:
    static constexpr IntegerProperty StackSize{0};
    static constexpr IntegerProperty Priority{2};

    Thread();
    ~Thread() override;

    // Starts the Run event on a fresh fiber; it gets its first turn at the
    // next yield of the main thread or the next turn of the event loop. Does
    // nothing while the thread is still running. An exception that leaves the
    // Run handler ends the thread and goes to _UnhandledException.
    void Run();

    // Stops the thread at the yield where it stands: its stack is unwound and
    // it runs none of its further code, all before Kill returns. Does nothing
    // on a thread that is not running.
    void Kill();

    bool isRunning() const;

    // The name that the thread's errors give.
    void setName(std::string name) { name_ = std::move(name); }

private:
    std::unique_ptr<Fiber> fiber_;
    std::string name_ = "thread";
};

const ClassRecord& ThreadClass();

} // namespace platform
