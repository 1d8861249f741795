#pragma once

#include <filesystem>
#include <limits>

namespace bench {

// bench-audio-faults' steps that look for what sounds, or is said, when it
// should not: after a long freeze and `stop`, after a stall, after a freeze
// with nothing to play.

// What sounded once the server continued, of the notes struck before.
struct AfterFreeze {
    double seconds = 0; // from the first to the last sound above -60 dBFS; 0 for none
    double peakDecibels = 0;
    double after = 0; // seconds from the sink's running again to that sound
};

// While the looped mode plays, the server is stopped for longer than the
// performance takes to play 4096 notes; `stop`, its message closed; then the
// server continues.
AfterFreeze frozenThenStop(const std::filesystem::path& program);

// The server is stopped for 5 s from 2 s before the original mode's last
// strike: nothing is due once it continues, so whatever sounds then was
// struck before it did.
AfterFreeze stallStray(const std::filesystem::path& program);

// What sounded once the server continued before the first note struck after
// it: the music that rang as the server stopped, carried over.
struct StallEcho {
    double seconds = 0;                                            // above -55 dBFS; 0 for none
    double peakDecibels = -std::numeric_limits<double>::infinity(); // of all before the note
    double strikeAfter = std::numeric_limits<double>::infinity();   // seconds into the sound after the stall
};

// The server is stopped (SIGSTOP) for 5 s, 10 s into the original mode, and
// continued; the sink is recorded throughout.
StallEcho stallEcho(const std::filesystem::path& program);

// `stop`; 1.5 s later, with the device still open and nothing sounding, the
// server is stopped for 2 s: how many times the program says the output
// stopped playing.
int frozenAfterStopLines(const std::filesystem::path& program);

} // namespace bench
