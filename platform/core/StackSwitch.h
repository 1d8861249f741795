#pragma once

#include <boost/context/stack_context.hpp>

#include <cstddef>

namespace platform {

// Tells AddressSanitizer and ThreadSanitizer, in a build under one of them,
// each time the processor leaves one stack for a fiber's or comes back.
// Untold, AddressSanitizer takes a fiber's stack for the thread's and leaves
// the frames that an exception unwinds there poisoned, to report false errors
// on them later; ThreadSanitizer mixes the fibers' calls into one stack and
// reports races with the wrong stacks. In other builds it does nothing. Each
// fiber has one; the side that leaves a stack and the side that arrives on
// one each make their call, as the sanitizers ask.
class StackSwitch {
public:
    StackSwitch();
    StackSwitch(const StackSwitch&) = delete;
    StackSwitch& operator=(const StackSwitch&) = delete;
    ~StackSwitch();

    // Held around the creation of the fiber's context on its stack, which
    // enters the stack and comes straight back.
    class Creating {
    public:
        Creating(StackSwitch& fiber, const boost::context::stack_context& stack);
        Creating(const Creating&) = delete;
        Creating& operator=(const Creating&) = delete;
        ~Creating();

    private:
        void* creator_;
    };

    // Held by the side that switches into the fiber, from just before the
    // switch until it is back.
    class Into {
    public:
        explicit Into(StackSwitch& fiber);
        Into(const Into&) = delete;
        Into& operator=(const Into&) = delete;
        ~Into();

    private:
        void* caller_;
        [[maybe_unused]] void* fakeStack_ = nullptr;
    };

    // Held by the fiber around a switch out of it: from just before it
    // leaves until it is resumed again, or unwound, which also resumes it.
    class Away {
    public:
        explicit Away(StackSwitch& fiber);
        Away(const Away&) = delete;
        Away& operator=(const Away&) = delete;
        ~Away();

    private:
        StackSwitch& fiber_;
    };

    // On the fiber, first thing: it has arrived on its stack.
    void arrived();

    // On the fiber, last thing: it leaves its stack, which goes with it.
    void leaveForGood() const;

private:
    [[maybe_unused]] const void* bottom_ = nullptr;
    [[maybe_unused]] std::size_t size_ = 0;
    [[maybe_unused]] void* fakeStack_ = nullptr;
    // Where the fiber was last switched to from: the main thread or a fiber
    // that killed it.
    [[maybe_unused]] const void* callerBottom_ = nullptr;
    [[maybe_unused]] std::size_t callerSize_ = 0;
    void* caller_ = nullptr;
    void* threadContext_; // ThreadSanitizer's context for the fiber
};

} // namespace platform
