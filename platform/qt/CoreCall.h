#pragma once

#include "platform/core/Runtime.h"

#include <exception>
#include <iostream>

namespace platform {

// Runs a call into the core from a Qt slot. An exception must not unwind
// through Qt's event loop, so one that the call lets out goes to the
// framework's handler of unhandled exceptions instead.
template <class Call>
void callCore(Call&& call) noexcept
{
    try {
        call();
    } catch (...) {
        try {
            _UnhandledException(std::current_exception());
        } catch (...) {
            std::cerr << "an exception escaped while the run-time was not running\n";
        }
    }
}

} // namespace platform
