#pragma once

#include <chrono>

namespace platform {

// The desktop's monotonic clock in microseconds: what the Qt backend answers
// for Microseconds, and what the synthesizer stamps its notes with, so the
// two agree on when a note was played.
inline double steadyClockMicroseconds()
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace platform
