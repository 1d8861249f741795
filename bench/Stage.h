#pragma once

#include "bench/DesktopProgram.h"
#include "bench/PrivatePulse.h"
#include "bench/VirtualDisplay.h"

#include <filesystem>
#include <functional>
#include <string>

namespace bench {

// What the steps of bench-audio-faults share: the program on a display and
// a sound server of a step's own, and how sound is told from silence.

constexpr double kRate = 44100;
// Music is heard here around -20 dBFS at its quietest moments; a program
// that cannot reach the server leaves exact silence.
constexpr float kSoundLevel = 1e-3f; // -60 dBFS
constexpr double kListenSeconds = 4;

void sleepSeconds(double seconds);
// From steady-clock microseconds to now.
double secondsSince(double microseconds);

// What the program said on standard error, briefly: its first three lines
// and how many more there were.
std::string inBrief(const std::string& errors);
// The lines of `text` with something on them.
int linesIn(const std::string& text);

// The program under test with a display and a server of the step's own, its
// standard error kept in the server's directory; when it goes, it prints
// what the program said.
struct Stage {
    explicit Stage(const std::filesystem::path& programPath,
                   PrivatePulseServer::Start when = PrivatePulseServer::Start::Now,
                   PrivatePulseServer::Sink sink = PrivatePulseServer::Sink::Prompt);
    ~Stage();

    VirtualDisplay display;
    PrivatePulseServer server;
    DesktopProgram program;
};

// Records the server's monitor around `act` and for four seconds after, and
// says whether anything was heard.
bool heard(Stage& stage, const std::function<void()>& act, const char* what);

} // namespace bench
