#include "platform/core/StackSwitch.h"

#if defined(__SANITIZE_ADDRESS__)
#define PLATFORM_ADDRESS_SANITIZER 1
#elif defined(__SANITIZE_THREAD__)
#define PLATFORM_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLATFORM_ADDRESS_SANITIZER 1
#elif __has_feature(thread_sanitizer)
#define PLATFORM_THREAD_SANITIZER 1
#endif
#endif

#if PLATFORM_ADDRESS_SANITIZER
#include <sanitizer/common_interface_defs.h>
#endif
#if PLATFORM_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

// ThreadSanitizer wants its switch as the last thing before the stack
// changes; AddressSanitizer's start comes before it. ThreadSanitizer's switch
// back from a fiber that ends is made on arrival, by the side it returns to:
// the fiber's last calls return on its own stack after the fiber's code has
// run out.
namespace platform {

namespace {

void* currentThreadContext()
{
#if PLATFORM_THREAD_SANITIZER
    return __tsan_get_current_fiber();
#else
    return nullptr;
#endif
}

void switchThreadContext([[maybe_unused]] void* to)
{
#if PLATFORM_THREAD_SANITIZER
    if (__tsan_get_current_fiber() != to) __tsan_switch_to_fiber(to, 0);
#endif
}

} // namespace

StackSwitch::StackSwitch()
#if PLATFORM_THREAD_SANITIZER
    : threadContext_(__tsan_create_fiber(0))
#else
    : threadContext_(nullptr)
#endif
{
}

StackSwitch::~StackSwitch()
{
#if PLATFORM_THREAD_SANITIZER
    __tsan_destroy_fiber(threadContext_);
#endif
}

StackSwitch::Creating::Creating(StackSwitch& fiber, const boost::context::stack_context& stack)
    : creator_(currentThreadContext())
{
    fiber.bottom_ = static_cast<const char*>(stack.sp) - stack.size;
    fiber.size_ = stack.size;
    switchThreadContext(fiber.threadContext_);
}

StackSwitch::Creating::~Creating()
{
    switchThreadContext(creator_);
}

StackSwitch::Into::Into(StackSwitch& fiber) : caller_(currentThreadContext())
{
    fiber.caller_ = caller_;
#if PLATFORM_ADDRESS_SANITIZER
    __sanitizer_start_switch_fiber(&fakeStack_, fiber.bottom_, fiber.size_);
#endif
    switchThreadContext(fiber.threadContext_);
}

StackSwitch::Into::~Into()
{
#if PLATFORM_ADDRESS_SANITIZER
    __sanitizer_finish_switch_fiber(fakeStack_, nullptr, nullptr);
#endif
    switchThreadContext(caller_); // the fiber has ended, or has switched already
}

StackSwitch::Away::Away(StackSwitch& fiber) : fiber_(fiber)
{
#if PLATFORM_ADDRESS_SANITIZER
    __sanitizer_start_switch_fiber(&fiber_.fakeStack_, fiber_.callerBottom_, fiber_.callerSize_);
#endif
    switchThreadContext(fiber_.caller_);
}

StackSwitch::Away::~Away()
{
    fiber_.arrived(); // whoever switched into the fiber has switched its thread context
}

void StackSwitch::arrived()
{
#if PLATFORM_ADDRESS_SANITIZER
    __sanitizer_finish_switch_fiber(fakeStack_, &callerBottom_, &callerSize_);
#endif
}

void StackSwitch::leaveForGood() const
{
#if PLATFORM_ADDRESS_SANITIZER
    __sanitizer_start_switch_fiber(nullptr, callerBottom_, callerSize_);
#endif
}

} // namespace platform
