#include "bench/Stage.h"

#include "bench/Loudness.h"
#include "platform/core/SteadyClock.h"

#include <chrono>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace bench {

void sleepSeconds(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

double secondsSince(double microseconds)
{
    return (platform::steadyClockMicroseconds() - microseconds) / 1e6;
}

std::string inBrief(const std::string& errors)
{
    std::istringstream lines(errors);
    std::string shown;
    int count = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        if (++count <= 3) shown += (shown.empty() ? "" : " | ") + line.substr(0, 160);
    }
    if (count == 0) return "(nothing)";
    return count > 3 ? shown + " (+" + std::to_string(count - 3) + " more lines)" : shown;
}

int linesIn(const std::string& text)
{
    std::istringstream lines(text);
    int count = 0;
    for (std::string line; std::getline(lines, line);)
        count += line.empty() ? 0 : 1;
    return count;
}

Stage::Stage(const std::filesystem::path& programPath, PrivatePulseServer::Start when, PrivatePulseServer::Sink sink)
    : server(when, sink), program(programPath, server.directory() / "program-errors")
{
}

Stage::~Stage()
{
    std::printf("    program's stderr: %s\n", inBrief(program.errors()).c_str());
}

bool heard(Stage& stage, const std::function<void()>& act, const char* what)
{
    MonitorRecording recording(stage.server);
    sleepSeconds(0.3);
    act();
    sleepSeconds(kListenSeconds);
    const float peak = peakOf(recording.finish());
    if (stage.program.waitFor(0))
        throw std::runtime_error("the program ended by itself");
    std::printf("  %s: peak %.1f dBFS in the %.0f s after `start` -> %s\n", what, decibels(peak), kListenSeconds,
                peak > kSoundLevel ? "sound" : "mute");
    return peak > kSoundLevel;
}

} // namespace bench
