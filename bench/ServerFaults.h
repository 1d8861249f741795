#pragma once

#include "bench/PrivatePulse.h"

#include <filesystem>
#include <optional>

namespace bench {

// bench-audio-faults' steps in which the sound server dies, stalls, freezes
// or starts late. Each runs the program at `program` on a stage of its own.

// Killed during a performance and a new one started at its path; then
// `stop`, the closing message closed, `start`: sound on the new server?
bool serverDies(const std::filesystem::path& program);

// Started after the program, then `start`: sound?
bool lateServer(const std::filesystem::path& program);

struct Tail {
    double seconds = 0;       // from the click on `stop` to the last sound
    double peakMegabytes = 0; // the program's, after playing for 8 s
};
// How long after `stop` the last sound is heard, with or without a 2 s
// stall of the server during the performance before it.
Tail stopTail(const std::filesystem::path& program, bool stall);

// Ctrl+Q while the server is stopped: seconds until the program has ended,
// nothing if it had not after 15.
std::optional<double> frozenQuit(const std::filesystem::path& program);
constexpr double kQuitLimitSeconds = 15;

// Ctrl+Q 10 ms after `start` on a healthy server: seconds until the program
// has ended, infinity if it had not after 15.
double quickQuit(const std::filesystem::path& program, PrivatePulseServer::Sink sink);

} // namespace bench
