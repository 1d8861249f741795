// bench-audio-faults: what the real program does when its sound server dies,
// stalls, freezes or starts late, or the desktop suspends its sink, as a
// user of the desktop meets it; and how the start of a performance is
// heard.
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
// - suspended_sink: while the looped mode plays, the sink is suspended for
//   60 s (`pactl suspend-sink`) and resumed: the most connections (clients)
//   and playback streams (sink inputs) of the program on the server, and
//   threads and fds of its process, sampled every 0.5 s; the lines on its
//   standard error; seconds from the resume to sound.
// - card_fallback: ALSA's `default` stands for a card while no server runs
//   (StandInCard.h); the server is killed during a performance, and 1.5 s
//   later, the next notes having found no server, a new one is started at
//   its path: is the performance heard on it within 4 s, while it plays?
// - sound_after_stop_s (frozen_then_stop): the server is stopped while the
//   looped mode plays, for longer than it takes to play the output's 4096
//   waiting notes (from the score's timing, plus 20 s); `stop`, its message
//   closed; the server continued: seconds of sound after that (0: nothing
//   sounds after `stop`). The server is stopped as a card's would be: its
//   sink suspended first, so that it does not catch up on the time it was
//   stopped, and the streams the program had then are dropped before the
//   sink runs again, with what the server held of them (StaleNotes.cpp).
// - stray_after_stall_s (stall_stray): the server is stopped so for 5 s
//   from 2 s before the original mode's last strike; nothing is due once it
//   continues, so any sound then was struck before the stall ended: its
//   seconds.
// - stall_echo (stall_echo_ms, stall_echo_dbfs): the server is stopped so
//   for 5 s, 10 s into the original mode: what sounds once it continues
//   before the first note struck after it (above -30 dBFS), less that note's
//   10 ms attack: its milliseconds above -55 dBFS, and its peak.
// - frozen_after_stop_lines: `stop`; 1.5 s later, the device still open and
//   nothing sounding, the server is stopped for 2 s: the lines saying the
//   output stopped playing.
// - heard_timing: the original mode's first 34 s on the monitor, onset by
//   onset, against the score's timing (from score-events), the first chord
//   included: each step's spacing from the onset heard before against the
//   score's (its error p99 and max), the onsets never heard, and the first
//   step (from the first chord to the next onset heard); on the sink that
//   takes the first write at once and on the one that holds it (held_).
// - start_at_window_s: `start` clicked as the window shows: seconds to the
//   first sound; "later", clicked 3 s after the window showed.
// - desktop_cost: the program's CPU, as a share of one core, over 10 s with
//   the window open and nothing playing (once the device opened at start-up
//   has closed) and over 20 s of the original mode; its threads then, and
//   5 s after `stop`.
//
// Every step cleans up after itself, also when it fails; its line says so.
// --repeat N runs every step N times; the last line then gives the medians,
// and "sound" only if every run sounded. --only NAME[,NAME] runs only the
// steps named (stall_tail gives rss_mb too).

#include "bench/DesktopCost.h"
#include "bench/ServerFaults.h"
#include "bench/SinkFaults.h"
#include "bench/StaleNotes.h"
#include "bench/StartTiming.h"
#include "bench/Spread.h"
#include "bench/Subprocess.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <limits>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace bench;

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
    std::vector<bool> serverDies, lateServer, cardFallback;
    std::vector<double> stallTail, plainTail, frozenQuit, quickQuit, peakMegabytes;
    // The most while the sink was suspended; lines on stderr; from the
    // resume to sound, infinity for none.
    std::vector<double> suspendedClients, suspendedStreams, suspendedThreads, suspendedFds, suspendedLines,
        resumeSound;
    // Seconds of sound after the server continued; lines said.
    std::vector<double> soundAfterStop, strayAfterStall, afterStopLines;
    // What rang on from before a stall, ahead of the first note after it.
    std::vector<double> echoMilliseconds, echoDecibels;
    // The opening as heard, on a sink that takes the first write at once
    // and on one that holds it: step errors, missing onsets.
    struct Heard {
        std::vector<double> p99, max, missing, firstStep;
    } heard, heldHeard;
    // From `start` to sound, clicked as the window showed and a while later.
    std::vector<double> startAtWindow, startLater;
    // Percent of a core; threads.
    std::vector<double> idleCpu, playingCpu, idleThreads, playingThreads, stoppedThreads;
};

struct Step {
    const char* name;
    void (*run)(const std::filesystem::path& program, Figures& figures);
};

// Runs a step that gives one figure, and keeps it.
template <typename Value, typename Step>
void keep(const char* name, std::vector<Value>& figures, Step step)
{
    if (auto value = attempt(name, step)) figures.push_back(*value);
}

using Path = std::filesystem::path;

const Step kSteps[] = {
    {"server_dies",
     [](const Path& program, Figures& figures) {
         keep("server_dies", figures.serverDies, [&] { return serverDies(program); });
     }},
    {"stall_tail",
     [](const Path& program, Figures& figures) {
         if (auto plain = attempt("stall_tail (no stall)", [&] { return stopTail(program, false); })) {
             figures.plainTail.push_back(plain->seconds);
             figures.peakMegabytes.push_back(plain->peakMegabytes);
             std::printf("  rss: peak %.1f MB after playing for 8 s\n", plain->peakMegabytes);
         }
         keep("stall_tail (2 s stall)", figures.stallTail, [&] { return stopTail(program, true).seconds; });
     }},
    {"frozen_quit",
     [](const Path& program, Figures& figures) {
         keep("frozen_quit", figures.frozenQuit,
              [&] { return frozenQuit(program).value_or(std::numeric_limits<double>::infinity()); });
     }},
    {"quick_quit",
     [](const Path& program, Figures& figures) {
         // The slower of the two sinks counts.
         const auto prompt =
             attempt("quick_quit", [&] { return quickQuit(program, PrivatePulseServer::Sink::Prompt); });
         const auto held =
             attempt("quick_quit", [&] { return quickQuit(program, PrivatePulseServer::Sink::HoldsFirstWrite); });
         if (prompt && held) figures.quickQuit.push_back(std::max(*prompt, *held));
     }},
    {"late_server",
     [](const Path& program, Figures& figures) {
         keep("late_server", figures.lateServer, [&] { return lateServer(program); });
     }},
    {"suspended_sink",
     [](const Path& program, Figures& figures) {
         if (auto suspension = attempt("suspended_sink", [&] { return suspendedSink(program); })) {
             figures.suspendedClients.push_back(suspension->most.clients);
             figures.suspendedStreams.push_back(suspension->most.streams);
             figures.suspendedThreads.push_back(suspension->most.threads);
             figures.suspendedFds.push_back(suspension->most.fds);
             figures.suspendedLines.push_back(suspension->lines);
             figures.resumeSound.push_back(suspension->soundSeconds);
         }
     }},
    {"card_fallback",
     [](const Path& program, Figures& figures) {
         keep("card_fallback", figures.cardFallback, [&] { return cardFallback(program); });
     }},
    {"frozen_then_stop",
     [](const Path& program, Figures& figures) {
         keep("frozen_then_stop", figures.soundAfterStop, [&] { return frozenThenStop(program).seconds; });
     }},
    {"stall_stray",
     [](const Path& program, Figures& figures) {
         keep("stall_stray", figures.strayAfterStall, [&] { return stallStray(program).seconds; });
     }},
    {"stall_echo",
     [](const Path& program, Figures& figures) {
         if (auto echo = attempt("stall_echo", [&] { return stallEcho(program); })) {
             figures.echoMilliseconds.push_back(echo->seconds * 1000);
             figures.echoDecibels.push_back(echo->peakDecibels);
         }
     }},
    {"frozen_after_stop_line",
     [](const Path& program, Figures& figures) {
         keep("frozen_after_stop_line", figures.afterStopLines, [&] { return double(frozenAfterStopLines(program)); });
     }},
    {"heard_timing",
     [](const Path& program, Figures& figures) {
         for (const auto sink : {PrivatePulseServer::Sink::Prompt, PrivatePulseServer::Sink::HoldsFirstWrite}) {
             if (auto opening = attempt("heard_timing", [&] { return heardOpening(program, sink); })) {
                 Figures::Heard& heard = sink == PrivatePulseServer::Sink::Prompt ? figures.heard : figures.heldHeard;
                 heard.p99.push_back(opening->steps.p99);
                 heard.max.push_back(opening->steps.max);
                 heard.missing.push_back(double(opening->missing.size()));
                 heard.firstStep.push_back(std::abs(opening->firstStep));
             }
         }
     }},
    {"start_at_window",
     [](const Path& program, Figures& figures) {
         keep("start_at_window", figures.startAtWindow, [&] { return firstSoundAfterStart(program, 0); });
         keep("start_at_window", figures.startLater, [&] { return firstSoundAfterStart(program, 3); });
     }},
    {"desktop_cost",
     [](const Path& program, Figures& figures) {
         if (auto cost = attempt("desktop_cost", [&] { return desktopCost(program); })) {
             figures.idleCpu.push_back(cost->idleCpuPercent);
             figures.playingCpu.push_back(cost->playingCpuPercent);
             figures.idleThreads.push_back(cost->idleThreads);
             figures.playingThreads.push_back(cost->playingThreads);
             figures.stoppedThreads.push_back(cost->stoppedThreads);
         }
     }},
};

// "sound" (or another word for all is well) only if every run said so.
std::string verdict(const std::vector<bool>& good, const char* yes = "sound", const char* no = "mute")
{
    if (good.empty()) return "error";
    return std::all_of(good.begin(), good.end(), [](bool each) { return each; }) ? yes : no;
}

// How a figure reads: its decimals, and what stands for infinity (a program
// that never quit, a sound that never came).
struct Format {
    int decimals = 2;
    // Appended: GCC 12 at -O3 misreads a literal prepended to a temporary
    // string as an overlapping copy.
    std::string infinite = std::string(">").append(std::to_string(int(kQuitLimitSeconds)));
};

std::string shown(double value, const Format& format)
{
    if (std::isinf(value)) return format.infinite;
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", format.decimals, value);
    return text;
}

enum class Over { Median, Range };

std::string overRuns(const std::vector<double>& values, Over over, const Format& format)
{
    if (values.empty()) return "error";
    if (over == Over::Median) return shown(median(values), format);
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return shown(*low, format) + " to " + shown(*high, format);
}

using Selection = std::set<std::string>;

// The figures of the steps that ran, over the runs.
std::string figuresLine(const Figures& figures, const Selection& ran, Over over)
{
    const auto typical = [over](const std::vector<double>& values, const Format& format = {}) {
        return overRuns(values, over, format);
    };
    const Format count{0};
    std::string line;
    const auto add = [&](const char* step, const std::string& text) {
        if (ran.contains(step)) line += " " + text;
    };
    add("server_dies", "server_dies=" + verdict(figures.serverDies));
    add("stall_tail", "stall_tail_s=" + typical(figures.stallTail) + " (no stall " + typical(figures.plainTail) + ")");
    add("frozen_quit", "frozen_quit_s=" + typical(figures.frozenQuit));
    add("quick_quit", "quick_quit_s=" + typical(figures.quickQuit));
    add("late_server", "late_server=" + verdict(figures.lateServer));
    add("stall_tail", "rss_mb=" + typical(figures.peakMegabytes, {1}));
    add("suspended_sink", "suspended_clients=" + typical(figures.suspendedClients, count) +
                              " suspended_streams=" + typical(figures.suspendedStreams, count) +
                              " suspended_threads=" + typical(figures.suspendedThreads, count) +
                              " suspended_fds=" + typical(figures.suspendedFds, count) +
                              " suspended_lines=" + typical(figures.suspendedLines, count) +
                              " resume_sound_s=" + typical(figures.resumeSound, {2, "none"}));
    add("card_fallback", "card_fallback=" + verdict(figures.cardFallback));
    add("frozen_then_stop", "sound_after_stop_s=" + typical(figures.soundAfterStop));
    add("stall_stray", "stray_after_stall_s=" + typical(figures.strayAfterStall));
    add("stall_echo", "stall_echo_ms=" + typical(figures.echoMilliseconds, {0}) +
                          " stall_echo_dbfs=" + typical(figures.echoDecibels, {1, "-inf"}));
    add("frozen_after_stop_line", "frozen_after_stop_lines=" + typical(figures.afterStopLines, count));
    for (const auto& [prefix, heard] :
         {std::pair{"heard", &figures.heard}, std::pair{"held_heard", &figures.heldHeard}})
        add("heard_timing", std::string(prefix) + "_step_p99_ms=" + typical(heard->p99) + " " + prefix +
                                "_step_max_ms=" + typical(heard->max) + " " + prefix + "_missing=" +
                                typical(heard->missing, count) + " " + prefix +
                                "_first_step_ms=" + typical(heard->firstStep, {1}));
    add("start_at_window", "start_at_window_s=" + typical(figures.startAtWindow, {2, "none"}) + " (later " +
                               typical(figures.startLater, {2, "none"}) + ")");
    add("desktop_cost", "idle_cpu_pct=" + typical(figures.idleCpu) + " playing_cpu_pct=" + typical(figures.playingCpu) +
                            " threads_idle=" + typical(figures.idleThreads, count) + " threads_playing=" +
                            typical(figures.playingThreads, count) + " threads_after_stop=" +
                            typical(figures.stoppedThreads, count));
    return line;
}

struct Options {
    std::filesystem::path program;
    int repeat = 1;
    Selection only;
};

[[noreturn]] void usage(const char* self)
{
    std::string names;
    for (const Step& step : kSteps)
        names += std::string(names.empty() ? "" : ", ") + step.name;
    std::fprintf(stderr, "usage: %s [--repeat N] [--only NAME[,NAME]] [path/to/velmora20]\nsteps: %s\n", self,
                 names.c_str());
    std::exit(2);
}

Selection namesIn(const std::string& list, const char* self)
{
    Selection names;
    std::istringstream items(list);
    for (std::string name; std::getline(items, name, ',');) {
        if (std::none_of(std::begin(kSteps), std::end(kSteps), [&](const Step& step) { return name == step.name; }))
            usage(self);
        names.insert(name);
    }
    return names;
}

Options options(int argc, char** argv)
{
    Options options;
    options.program = std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "velmora20";
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--repeat" && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            options.repeat = std::atoi(argv[++i]);
        } else if (argument == "--only" && i + 1 < argc) {
            options.only = namesIn(argv[++i], argv[0]);
        } else if (!argument.starts_with("-")) {
            options.program = std::filesystem::absolute(argument);
        } else {
            usage(argv[0]);
        }
    }
    if (options.only.empty())
        for (const Step& step : kSteps)
            options.only.insert(step.name);
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
        for (const Step& step : kSteps)
            if (chosen.only.contains(step.name)) step.run(chosen.program, figures);
    }
    if (chosen.repeat > 1)
        std::printf("over %d runs:%s\n", chosen.repeat, figuresLine(figures, chosen.only, Over::Range).c_str());
    std::printf("faults%s\n", figuresLine(figures, chosen.only, Over::Median).c_str());
}
