#pragma once

#include "bench/PrivatePulse.h"
#include "bench/Spread.h"

#include <cstddef>
#include <filesystem>
#include <vector>

namespace bench {

// bench-audio-faults' steps that judge the start of a performance as heard:
// how exactly its notes keep the score's time from the first chord on, and
// how soon it is heard after `start`.

// The original mode's first 34 s as heard on the monitor, onset by onset,
// against the score's timing.
struct HeardOpening {
    // Each onset against the score's time, less the one constant latency:
    // the program's steps each run a little long, so this drifts.
    Spread onsets;
    // Each step's spacing, from the onset heard before, against the
    // score's, the first chord's included; sizes.
    Spread steps;
    std::vector<std::size_t> missing; // onsets after the first never heard
    double chordLate = 0;             // the first chord against where the rest put it, milliseconds
    double firstStep = 0;             // from it to the next onset heard, less the score's, milliseconds
};
HeardOpening heardOpening(const std::filesystem::path& program, PrivatePulseServer::Sink sink);

// Seconds from a click on `start`, `afterWindow` seconds after the window
// showed, to the first sound on the monitor; infinity for none in 4 s. On
// the sink that takes the first write at once: on the one that holds it,
// the hold depends on how long the recorder has been listening, and would
// hide what the program does.
double firstSoundAfterStart(const std::filesystem::path& program, double afterWindow);

} // namespace bench
