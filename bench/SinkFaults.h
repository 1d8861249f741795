#pragma once

#include "bench/Holdings.h"

#include <filesystem>

namespace bench {

// bench-audio-faults' steps in which the desktop takes the sink from the
// program: suspends it, or has ALSA's `default` stand for a card while the
// server is down.

// The most the program held while its sink was suspended, and what it said.
struct Suspension {
    Holdings most;           // each the most at any sample
    int refusals = 0;        // samples at which the server did not answer pactl
    int lines = 0;           // on its standard error, once it played again
    double soundSeconds = 0; // from the resume to sound on the monitor; infinity for none
};
// While the looped mode plays, the sink is suspended for 60 s and resumed.
Suspension suspendedSink(const std::filesystem::path& program);

// During a performance the server is killed while ALSA's `default` stands
// for a card; the performance's next notes open ALSA. A new server is
// started at its path: is the performance heard on it within 4 s, while it
// still plays?
bool cardFallback(const std::filesystem::path& program);

} // namespace bench
