#include "platform/core/Scheduler.h"

#include "platform/core/Backend.h"
#include "platform/core/Runtime.h"

#include <boost/context/preallocated.hpp>
#include <boost/context/protected_fixedsize_stack.hpp>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Enough for the framework's own calls (a message box shown from a thread
// builds its widgets on this stack); pages are committed only when touched.
constexpr std::size_t stackSize = 1024 * 1024;

} // namespace

Fiber::Fiber(Scheduler& scheduler, std::function<void()> body) : scheduler_(scheduler), body_(std::move(body))
{
    boost::context::protected_fixedsize_stack allocator(stackSize);
    const boost::context::stack_context stack = allocator.allocate();
    const StackSwitch::Creating creating(stackSwitch_, stack);
    context_ = boost::context::fiber(std::allocator_arg, boost::context::preallocated(stack.sp, stack.size, stack), allocator,
                                     [this](boost::context::fiber&& caller) { return enter(std::move(caller)); });
    scheduler_.fibers_.push_back(this);
}

Fiber::~Fiber()
{
    if (outlivedScheduler_) return;
    *std::ranges::find(scheduler_.fibers_, this) = nullptr;
    unwind();
}

void Fiber::unwind()
{
    if (!context_) return;
    // Unwinding runs the fiber's destructors on its own stack; while they
    // run, the fiber is the current thread. One that has not started yet is
    // entered only to end, so that every fiber leaves its stack by the same
    // way, which tells the sanitizers so.
    Fiber* previous = std::exchange(scheduler_.current_, this);
    unwinding_ = true;
    {
        const StackSwitch::Into into(stackSwitch_);
        if (started_)
            context_ = {};
        else
            context_ = std::move(context_).resume();
    }
    scheduler_.current_ = previous;
    finished_ = true;
}

boost::context::fiber Fiber::enter(boost::context::fiber&& caller)
{
    stackSwitch_.arrived();
    started_ = true;
    caller_ = std::move(caller);
    try {
        if (!unwinding_) body_();
    } catch (const boost::context::detail::forced_unwind&) {
        stackSwitch_.leaveForGood();
        throw; // a kill: the unwinding must reach the fiber's entry
    } catch (...) {
        // The same handler as for an exception that leaves an event handler
        // on the main thread; the thread ends here.
        _UnhandledException(std::current_exception());
    }
    finished_ = true;
    stackSwitch_.leaveForGood();
    return std::move(caller_);
}

void Fiber::resume()
{
    scheduler_.current_ = this;
    {
        const StackSwitch::Into into(stackSwitch_);
        context_ = std::move(context_).resume();
    }
    scheduler_.current_ = nullptr;
}

void Fiber::suspend()
{
    // A kill unwinds the fiber from here: the resume throws.
    const StackSwitch::Away away(stackSwitch_);
    caller_ = std::move(caller_).resume();
}

Scheduler::Scheduler(Backend& backend) : backend_(backend) {}

Scheduler::~Scheduler()
{
    unwindAll();
    for (Fiber* fiber : fibers_)
        if (fiber != nullptr) fiber->outlivedScheduler_ = true;
}

void Scheduler::unwindAll()
{
    // By slot: a fiber's destructors may end other fibers or start new ones.
    for (std::size_t slot = 0; slot < fibers_.size(); ++slot)
        if (Fiber* fiber = fibers_[slot]) fiber->unwind();
}

void Scheduler::yield()
{
    yieldUntil(wakeAtOnce);
}

void Scheduler::yieldUntil(double wakeAt)
{
    backend_.yielded();
    if (current_ == nullptr) {
        runTurn();
    } else if (!current_->unwinding_) {
        current_->wakeAt_ = std::isnan(wakeAt) ? wakeAtOnce : wakeAt;
        current_->suspend();
    }
    // A fiber that is being unwound has no turn to give up: its destructors
    // run inside the call that unwinds it, so a yield there returns at once.
}

bool Scheduler::runTurn()
{
    // Each fiber that was there when the turn began gets at most one go; one
    // started during the turn waits for the next. The clock is read only for
    // a fiber that waits for it, and afresh for each: the turns before it
    // take time.
    const std::size_t count = fibers_.size();
    bool anyDue = false;
    for (std::size_t slot = 0; slot < count; ++slot) {
        Fiber* fiber = fibers_[slot];
        if (fiber == nullptr || fiber->finished()) continue;
        if (fiber->wakeAt_ == wakeAtOnce || !(backend_.microseconds() < fiber->wakeAt_)) {
            anyDue = true;
            fiber->resume();
        }
    }
    std::erase(fibers_, nullptr);
    return anyDue;
}

bool Scheduler::hasRunnable() const
{
    return std::ranges::any_of(fibers_, [](const Fiber* fiber) { return fiber != nullptr && !fiber->finished(); });
}

double Scheduler::nextWake() const
{
    double earliest = std::numeric_limits<double>::infinity();
    for (const Fiber* fiber : fibers_)
        if (fiber != nullptr && !fiber->finished()) earliest = std::min(earliest, fiber->wakeAt_);
    return earliest;
}

} // namespace platform
