#pragma once

#include <chrono>

namespace platform {

// An attempt that may block for ever, run for at most a time limit. A
// display server that took the connection but does not answer (stopped,
// hung) keeps its client waiting in a read that nothing interrupts; run in a
// thread, the attempt would have to be left behind, inside the display
// library, while the program ends around it. So it runs in a child process
// of its own, which is killed when the time is up. Meant for start-up,
// before the program has threads of its own.

enum class AttemptResult {
    Succeeded,
    Failed, // the attempt returned false, or its process died
    TimedOut,
};

// Throws std::system_error, naming the call, when there is no pipe or
// process for the attempt (no file descriptors left, a process limit
// reached).
AttemptResult attemptWithin(std::chrono::milliseconds limit, bool (*attempt)());

} // namespace platform
