// bench-audio-faults: what the real program does when its sound server dies,
// stalls, freezes or starts late, as a user of the desktop meets it.
//
// It runs the program binary (by default the velmora20 next to the bench's
// directory), for each fault on a fresh X display of its own (Xvfb) and a
// fresh PulseAudio server of its own with a null sink whose monitor it
// records; it clicks the program's buttons and sends it keys with xdotool.
// Each step has its own display because a key that xdotool presses into a
// window that goes away on it (Ctrl+Q) stays pressed there.
//
// - server_dies: during a performance the server is killed (SIGKILL) and a
//   new one started at the same path; then `stop`, the closing message
//   closed, and `start`: is there sound on the new server within 4 s?
// - stall_tail_s: during a performance the server is stopped (SIGSTOP) for
//   2 s and continued; three seconds later `stop` is clicked: how long after
//   the click the last sound is heard, down to -120 dBFS. The same without a
//   stall is the baseline. The recording that finds the last sound starts
//   1 s after the server continued, once it has caught up, and its frames
//   are told their wall-clock time from when its chunks arrived (see
//   RecordingClock.h), which holds only while the server keeps time.
// - frozen_quit_s: during a performance the server is stopped and Ctrl+Q
//   pressed: seconds until the program's process has ended, at most 15.
// - quick_quit_s: a healthy server, Ctrl+Q 10 ms after `start` was clicked;
//   the slower of two sinks: one that takes the first write at once, as a
//   sound card's does, and one that holds it for one to two seconds (the
//   null sink when it may rewind), as a busy server may.
// - late_server: the program starts with no server at its path, the server
//   starts after it, `start`: is there sound within 4 s?
// - rss_mb: the program's peak resident memory (VmHWM) after playing for
//   8 s, before `stop`, in the stall baseline's run.
//
// Every step cleans up after itself, also when it fails; its line says so.
// --repeat N runs every step N times; the last line then gives the medians,
// and "sound" only if every run sounded.

#include "bench/DesktopProgram.h"
#include "bench/Loudness.h"
#include "bench/PrivatePulse.h"
#include "bench/Spread.h"
#include "bench/Subprocess.h"
#include "bench/VirtualDisplay.h"
#include "platform/core/SteadyClock.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace bench;
using platform::steadyClockMicroseconds;

constexpr double kRate = 44100;
// Music is heard here around -20 dBFS at its quietest moments; a program
// that cannot reach the server leaves exact silence.
constexpr float kSoundLevel = 1e-3f; // -60 dBFS
// The release and the reverberation after `stop` fall by about 60 dB a
// second; their end is taken where they pass this.
constexpr float kTailLevel = 1e-6f; // -120 dBFS
constexpr double kListenSeconds = 4;
constexpr double kQuitLimitSeconds = 15;
constexpr double kStallSeconds = 2;
// A recording's chunks come within a few of its 20 ms periods of their
// capture while the server keeps time.
constexpr double kTrustedSpreadMilliseconds = 100;

void sleepSeconds(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

double secondsSince(double microseconds)
{
    return (steadyClockMicroseconds() - microseconds) / 1e6;
}

// The program under test with a display and a server of the step's own, its
// standard error kept in the server's directory.
struct Stage {
    explicit Stage(const std::filesystem::path& programPath,
                   PrivatePulseServer::Start when = PrivatePulseServer::Start::Now,
                   PrivatePulseServer::Sink sink = PrivatePulseServer::Sink::Prompt)
        : server(when, sink), program(programPath, server.directory() / "program-errors")
    {
    }
    ~Stage()
    {
        // Briefly, what the program said: the one line about the audio
        // device, if it came.
        std::istringstream errors(program.errors());
        std::string shown;
        int lines = 0;
        for (std::string line; std::getline(errors, line);) {
            if (line.empty()) continue;
            if (++lines <= 3) shown += (shown.empty() ? "" : " | ") + line.substr(0, 160);
        }
        std::printf("    program's stderr: %s%s\n", lines == 0 ? "(nothing)" : shown.c_str(),
                    lines > 3 ? (" (+" + std::to_string(lines - 3) + " more lines)").c_str() : "");
    }

    VirtualDisplay display;
    PrivatePulseServer server;
    DesktopProgram program;
};

// Records the server's monitor around `act` and for a while after, and
// says whether anything was heard.
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

bool serverDies(const std::filesystem::path& programPath)
{
    Stage stage(programPath);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(2.5);
    stage.server.kill();
    stage.server.start();
    sleepSeconds(1.5);
    stage.program.click(ProgramLayout::of().stop);
    stage.program.closeMessageBox();
    return heard(stage, [&] { stage.program.click(ProgramLayout::of().start); },
                 "server_dies (killed, a new one at its path)");
}

bool lateServer(const std::filesystem::path& programPath)
{
    Stage stage(programPath, PrivatePulseServer::Start::Later);
    stage.server.start();
    return heard(stage, [&] { stage.program.click(ProgramLayout::of().start); },
                 "late_server (started after the program)");
}

struct Tail {
    double seconds = 0;
    double peakMegabytes = 0;
};

// How long after `stop` the last sound is heard, with or without a stall of
// the server during the performance before it.
Tail stopTail(const std::filesystem::path& programPath, bool stall)
{
    Stage stage(programPath);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(3);
    if (stall) {
        stage.server.freeze();
        sleepSeconds(kStallSeconds);
        stage.server.resume();
    } else {
        sleepSeconds(kStallSeconds);
    }
    sleepSeconds(1); // the server catches up before the recording starts
    MonitorRecording recording(stage.server, MonitorRecording::Arrivals::Timed);
    sleepSeconds(2);
    const double peakMegabytes = stage.program.peakMegabytes();
    const double clicked = stage.program.click(ProgramLayout::of().stop);
    sleepSeconds(5);
    const std::vector<float> sound = recording.finish();
    const RecordingClock clock = recording.clock();
    const std::size_t frames = sound.size() / 2;
    const auto last = lastFrameAbove(sound, kTailLevel);
    const auto released = lastFrameAbove(sound, kSoundLevel);
    if (!last || !released)
        throw std::runtime_error("nothing was heard before `stop`");
    const auto afterClick = [&](std::size_t frame) { return (clock.capturedAt(double(frame + 1)) - clicked) / 1e6; };
    const double clickFrame = (clicked - clock.capturedAt(0)) / 1e6 * kRate;
    std::printf("  stall_tail (%s): recording of %.2f s (arrivals spread %.0f ms), `stop` clicked at its %.3f s; "
                "last above -60 dBFS %.3f s after the click, above -120 dBFS %.3f s after%s\n",
                stall ? "server stopped for 2 s" : "no stall", double(frames) / kRate, clock.spreadMilliseconds(),
                clickFrame / kRate, afterClick(*released), afterClick(*last),
                *last + 1 == frames ? " (at the recording's end: longer)" : "");
    if (clock.spreadMilliseconds() > kTrustedSpreadMilliseconds)
        std::printf("  (the server did not keep time while recording: these times are not to be trusted)\n");
    return {afterClick(*last), peakMegabytes};
}

std::optional<double> frozenQuit(const std::filesystem::path& programPath)
{
    Stage stage(programPath);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(2);
    stage.server.freeze();
    sleepSeconds(0.5);
    const double pressed = steadyClockMicroseconds();
    stage.program.pressKeys("ctrl+q");
    const bool exited = stage.program.waitFor(kQuitLimitSeconds - secondsSince(pressed)).has_value();
    const double seconds = secondsSince(pressed);
    if (exited) {
        std::printf("  frozen_quit: Ctrl+Q with the server stopped: exited after %.3f s\n", seconds);
        return seconds;
    }
    stage.server.resume();
    const double resumed = steadyClockMicroseconds();
    const bool exitedLater = stage.program.waitFor(5).has_value();
    std::printf("  frozen_quit: Ctrl+Q with the server stopped: still running after %.0f s; once the server "
                "continued, %s after %.2f s\n",
                kQuitLimitSeconds, exitedLater ? "exited" : "still running (killed)", secondsSince(resumed));
    return std::nullopt;
}

double quickQuit(const std::filesystem::path& programPath, PrivatePulseServer::Sink sink)
{
    Stage stage(programPath, PrivatePulseServer::Start::Now, sink);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(0.010);
    const double pressed = steadyClockMicroseconds();
    stage.program.pressKeys("ctrl+q");
    const bool exited = stage.program.waitFor(kQuitLimitSeconds).has_value();
    const double seconds = secondsSince(pressed);
    std::printf("  quick_quit (%s): Ctrl+Q 10 ms after `start`: %s after %.3f s\n",
                sink == PrivatePulseServer::Sink::Prompt ? "a sink that takes the first write at once"
                                                         : "a sink that holds the first write 1-2 s",
                exited ? "exited" : "still running", seconds);
    return exited ? seconds : std::numeric_limits<double>::infinity();
}

// Runs one step; a step that fails says why and gives nothing, and its
// processes are gone by then.
template <typename Step>
auto attempt(const char* name, Step step) -> std::optional<decltype(step())>
{
    try {
        return step();
    } catch (const std::exception& error) {
        std::printf("  %s failed: %s\n", name, error.what());
        return std::nullopt;
    }
}

// The figures of every run, each as the runs gave it.
struct Figures {
    std::vector<bool> serverDies, lateServer;
    std::vector<double> stallTail, plainTail, frozenQuit, quickQuit, peakMegabytes;
};

std::string verdict(const std::vector<bool>& sounded)
{
    if (sounded.empty()) return "error";
    for (const bool sound : sounded)
        if (!sound) return "mute";
    return "sound";
}

std::string seconds(const std::vector<double>& values, int decimals = 2)
{
    if (values.empty()) return "error";
    const double middle = median(values);
    if (std::isinf(middle)) return ">" + std::to_string(int(kQuitLimitSeconds));
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, middle);
    return text;
}

std::string range(const std::vector<double>& values)
{
    if (values.empty()) return "error";
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const auto shown = [](double value) {
        if (std::isinf(value)) return ">" + std::to_string(int(kQuitLimitSeconds));
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", value);
        return std::string(text);
    };
    return shown(*low) + " to " + shown(*high);
}

void runOnce(const std::filesystem::path& program, Figures& figures)
{
    if (auto sound = attempt("server_dies", [&] { return serverDies(program); })) figures.serverDies.push_back(*sound);
    if (auto plain = attempt("stall_tail (no stall)", [&] { return stopTail(program, false); })) {
        figures.plainTail.push_back(plain->seconds);
        figures.peakMegabytes.push_back(plain->peakMegabytes);
        std::printf("  rss: peak %.1f MB after playing for 8 s\n", plain->peakMegabytes);
    }
    if (auto stalled = attempt("stall_tail (2 s stall)", [&] { return stopTail(program, true); }))
        figures.stallTail.push_back(stalled->seconds);
    if (auto quit = attempt("frozen_quit", [&] { return frozenQuit(program); }))
        figures.frozenQuit.push_back(quit->value_or(std::numeric_limits<double>::infinity()));
    // The slower of the two sinks counts.
    const auto prompt = attempt("quick_quit", [&] { return quickQuit(program, PrivatePulseServer::Sink::Prompt); });
    const auto held =
        attempt("quick_quit", [&] { return quickQuit(program, PrivatePulseServer::Sink::HoldsFirstWrite); });
    if (prompt && held) figures.quickQuit.push_back(std::max(*prompt, *held));
    if (auto sound = attempt("late_server", [&] { return lateServer(program); })) figures.lateServer.push_back(*sound);
}

struct Options {
    std::filesystem::path program;
    int repeat = 1;
};

Options options(int argc, char** argv)
{
    Options options;
    options.program = std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "velmora20";
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--repeat" && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            options.repeat = std::atoi(argv[++i]);
        } else if (!argument.starts_with("-")) {
            options.program = std::filesystem::absolute(argument);
        } else {
            std::fprintf(stderr, "usage: %s [--repeat N] [path/to/velmora20]\n", argv[0]);
            std::exit(2);
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    const Options chosen = options(argc, argv);
    for (const char* tool : {"pulseaudio", "parec", "pactl", "Xvfb", "xdotool"}) {
        if (!onPath(tool)) {
            std::printf("faults skipped: %s is not installed (tools/install-bench-deps installs it)\n", tool);
            return 0;
        }
    }
    if (access(chosen.program.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "no program to run at %s\n", chosen.program.c_str());
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("program %s\n", chosen.program.c_str());
    Figures figures;
    for (int run = 1; run <= chosen.repeat; ++run) {
        std::printf("run %d of %d\n", run, chosen.repeat);
        runOnce(chosen.program, figures);
    }
    if (chosen.repeat > 1)
        std::printf("over %d runs: stall_tail_s %s (no stall %s), frozen_quit_s %s, quick_quit_s %s, rss_mb %s\n",
                    chosen.repeat, range(figures.stallTail).c_str(), range(figures.plainTail).c_str(),
                    range(figures.frozenQuit).c_str(), range(figures.quickQuit).c_str(),
                    range(figures.peakMegabytes).c_str());
    std::printf("faults server_dies=%s stall_tail_s=%s (no stall %s) frozen_quit_s=%s quick_quit_s=%s late_server=%s "
                "rss_mb=%s\n",
                verdict(figures.serverDies).c_str(), seconds(figures.stallTail).c_str(),
                seconds(figures.plainTail).c_str(), seconds(figures.frozenQuit).c_str(),
                seconds(figures.quickQuit).c_str(), verdict(figures.lateServer).c_str(),
                seconds(figures.peakMegabytes, 1).c_str());
}
