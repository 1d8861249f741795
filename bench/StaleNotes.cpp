#include "bench/StaleNotes.h"

#include "bench/Holdings.h"
#include "bench/Loudness.h"
#include "bench/RecordingClock.h"
#include "bench/ScoreEvents.h"
#include "bench/Stage.h"
#include "platform/core/SteadyClock.h"

#include <cstdio>
#include <cmath>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

namespace {

using platform::steadyClockMicroseconds;

// The audio output's list of notes waiting for the device.
constexpr std::size_t kListLength = 4096;
// Beyond the time to fill the list: the device is let go, and the notes
// after that start to wait, within a second of the freeze.
constexpr double kBeyondFullSeconds = 20;
constexpr double kAfterResumeSeconds = 8;
// The recorder connects before the sink runs again.
constexpr double kRecorderLeadSeconds = 0.3;
constexpr double kStallSeconds = 5;
// Before the last strike: the device is let go, and the next note opens
// another while the server is still stopped.
constexpr double kStallBeforeLastStrikeSeconds = 2;
// Into the original mode, where chords ring: the stall that stall_echo
// makes.
constexpr double kEchoStallAtSeconds = 10;
// A note struck: the music's strikes reach -30 dBFS within milliseconds,
// far above what rings on of the music before.
constexpr float kStrikeLevel = 0.0316f; // -30 dBFS
// A strike's attack rises to kStrikeLevel within this; what came before it
// had sounded before the stall.
constexpr double kAttackSeconds = 0.01;
// Heard over a quiet room's noise through a desktop's speakers.
constexpr float kEchoLevel = 0.00178f; // -55 dBFS
// What the monitor heard once the sink ran again, and when that was.
struct RunningAgain {
    std::vector<float> sound;
    RecordingClock clock;
    double running; // steady-clock microseconds
};

// Stops the server as a card's would be: its sink suspended first, so that
// once continued it does not catch up on the time it was stopped (a null
// sink catches up as fast as it can, pulling from the streams that start
// meanwhile in a burst); `whileStopped` done; continued; the streams the
// program had when it was stopped dropped, with what the server still held
// of them, and the sink run again. What sounds after that the program
// played into a stream it opened since. Listened to for 8 s.
RunningAgain stopAsACard(Stage& stage, const std::function<void()>& whileStopped)
{
    const std::vector<int> streams = streamsOf(stage.program.pid());
    stage.server.suspendSink(true);
    stage.server.freeze();
    whileStopped();
    stage.server.resume();
    for (const int stream : streams)
        stage.server.dropStream(stream);
    // The recorder waits on the suspended monitor, so that its first frame
    // is the sink's running again.
    MonitorRecording recording(stage.server, MonitorRecording::Arrivals::Timed);
    sleepSeconds(kRecorderLeadSeconds);
    stage.server.suspendSink(false);
    const double running = steadyClockMicroseconds();
    sleepSeconds(kAfterResumeSeconds);
    std::vector<float> sound = recording.finish();
    return {std::move(sound), recording.clock(), running};
}

// What sounds after the sink ran again: notes struck before the server
// continued.
AfterFreeze soundAfter(const RunningAgain& again)
{
    const std::vector<float>& sound = again.sound;
    const auto first = firstFrameAbove(sound, kSoundLevel);
    if (!first) return {};
    const std::size_t last = *lastFrameAbove(sound, kSoundLevel);
    const std::vector<float> heard(sound.begin() + long(2 * *first), sound.begin() + long(2 * last + 2));
    return {double(last + 1 - *first) / kRate, decibels(peakOf(heard)),
            (again.clock.capturedAt(double(*first)) - again.running) / 1e6};
}

// The first and last frame of the longest run of exact silence.
std::pair<std::size_t, std::size_t> longestSilence(const std::vector<float>& stereo)
{
    std::pair<std::size_t, std::size_t> longest{0, 0};
    std::size_t start = 0;
    for (std::size_t frame = 0; frame < stereo.size() / 2; ++frame) {
        if (stereo[2 * frame] != 0 || stereo[2 * frame + 1] != 0)
            start = frame + 1;
        else if (frame + 1 - start > longest.second - longest.first)
            longest = {start, frame + 1};
    }
    return longest;
}

std::string described(const AfterFreeze& heard)
{
    char text[160];
    if (heard.seconds > 0)
        std::snprintf(text, sizeof text, "%.2f s of sound from %.2f s after the sink ran again (peak %.1f dBFS)",
                      heard.seconds, heard.after, heard.peakDecibels);
    else
        std::snprintf(text, sizeof text, "nothing in the %.0f s after the sink ran again", kAfterResumeSeconds);
    return text;
}

int linesSaying(const std::string& text, const std::string& words)
{
    std::istringstream lines(text);
    int count = 0;
    for (std::string line; std::getline(lines, line);)
        count += line.find(words) != std::string::npos ? 1 : 0;
    return count;
}

} // namespace

AfterFreeze frozenThenStop(const std::filesystem::path& programPath)
{
    // Bars drawn at random play notes at much the same rate; enough of them
    // to play the list's length.
    const double fillSeconds =
        timeToPlay(scoreNotes(scoreEvents({"--mode", "looped", "--turns", "400"})), 0, kListLength) / 1e6;
    const double frozenSeconds = fillSeconds + kBeyondFullSeconds;
    Stage stage(programPath);
    stage.program.click(ProgramLayout::of().looped);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(2);
    const AfterFreeze heard = soundAfter(stopAsACard(stage, [&] {
        sleepSeconds(frozenSeconds);
        stage.program.click(ProgramLayout::of().stop);
        stage.program.closeMessageBox();
        sleepSeconds(1);
    }));
    std::printf("  frozen_then_stop: the server stopped for %.0f s (the looped mode plays %zu notes in %.0f s), "
                "`stop`, 1 s later continued: %s\n",
                frozenSeconds, kListLength, fillSeconds, described(heard).c_str());
    return heard;
}

AfterFreeze stallStray(const std::filesystem::path& programPath)
{
    const double lastStrikeSeconds = lastStrike(scoreNotes(scoreEvents({"--mode", "original"}))) / 1e6;
    Stage stage(programPath);
    const double started = stage.program.click(ProgramLayout::of().start);
    sleepSeconds(lastStrikeSeconds - kStallBeforeLastStrikeSeconds - secondsSince(started));
    const AfterFreeze heard = soundAfter(stopAsACard(stage, [] { sleepSeconds(kStallSeconds); }));
    std::printf("  stall_stray: the server stopped for %.0f s from %.0f s before the original mode's last strike "
                "(%.1f s into it), nothing due after: %s\n",
                kStallSeconds, kStallBeforeLastStrikeSeconds, lastStrikeSeconds, described(heard).c_str());
    return heard;
}

StallEcho stallEcho(const std::filesystem::path& programPath)
{
    Stage stage(programPath);
    const double started = stage.program.click(ProgramLayout::of().start);
    sleepSeconds(kEchoStallAtSeconds - 1 - secondsSince(started));
    MonitorRecording recording(stage.server);
    sleepSeconds(1);
    stage.server.freeze();
    sleepSeconds(kStallSeconds);
    stage.server.resume();
    sleepSeconds(kAfterResumeSeconds);
    const std::vector<float> whole = recording.finish();
    // The sink catches up on the stopped time with what its streams held,
    // which is nothing by then: the stall is the longest silence heard.
    const auto [gap, gapEnd] = longestSilence(whole);
    StallEcho echo;
    if (double(gapEnd - gap) / kRate < kStallSeconds / 2) {
        std::printf("  stall_echo: no stall found in the recording\n");
        return echo;
    }
    const std::vector<float> sound(whole.begin() + long(2 * gapEnd), whole.end());
    const auto loud = firstFrameAbove(sound, kStrikeLevel);
    if (!loud) {
        std::printf("  stall_echo: no note in the %.0f s after the stall\n", kAfterResumeSeconds);
        return echo;
    }
    echo.strikeAfter = double(*loud) / kRate;
    const auto attack = static_cast<std::size_t>(kAttackSeconds * kRate);
    const std::size_t before = *loud > attack ? *loud - attack : 0;
    const std::vector<float> carried(sound.begin(), sound.begin() + long(2 * before));
    echo.peakDecibels = decibels(peakOf(carried));
    if (const auto first = firstFrameAbove(carried, kEchoLevel))
        echo.seconds = double(before - *first) / kRate;
    std::printf("  stall_echo: the server stopped for %.0f s, %.0f s into the original mode: the first note "
                "%.2f s into the sound after it; before that %.3f s of sound above %.0f dBFS (peak %.1f dBFS)\n",
                kStallSeconds, kEchoStallAtSeconds, echo.strikeAfter, echo.seconds, decibels(kEchoLevel),
                echo.peakDecibels);
    return echo;
}

int frozenAfterStopLines(const std::filesystem::path& programPath)
{
    const std::string stopped = "stopped playing";
    Stage stage(programPath);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(3);
    const double clicked = stage.program.click(ProgramLayout::of().stop);
    stage.program.closeMessageBox();
    sleepSeconds(1.5 - secondsSince(clicked));
    const int before = linesSaying(stage.program.errors(), stopped);
    stage.server.freeze();
    sleepSeconds(2);
    stage.server.resume();
    sleepSeconds(3);
    const int after = linesSaying(stage.program.errors(), stopped) - before;
    std::printf("  frozen_after_stop_line: `stop`, 1.5 s later the server stopped for 2 s: %d lines said it "
                "\"%s\" (%d before)\n",
                after, stopped.c_str(), before);
    return after;
}

} // namespace bench
