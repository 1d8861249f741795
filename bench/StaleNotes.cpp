#include "bench/StaleNotes.h"

#include "bench/Holdings.h"
#include "bench/Loudness.h"
#include "bench/ScoreEvents.h"
#include "bench/Stage.h"
#include "platform/core/SteadyClock.h"

#include <cstdio>
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
// Stops the server as a card's would be: its sink suspended first, so that
// once continued it does not catch up on the time it was stopped (a null
// sink catches up as fast as it can, pulling from the streams that start
// meanwhile in a burst); `whileStopped` done; continued; the streams the
// program had when it was stopped dropped, with what the server still held
// of them, and the sink run again. What sounds after that the program
// played into a stream it opened since: notes struck before the server
// continued. Listened to for 8 s.
AfterFreeze stopAsACard(Stage& stage, const std::function<void()>& whileStopped)
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
    const std::vector<float> sound = recording.finish();
    const auto first = firstFrameAbove(sound, kSoundLevel);
    if (!first) return {};
    const std::size_t last = *lastFrameAbove(sound, kSoundLevel);
    const std::vector<float> heard(sound.begin() + long(2 * *first), sound.begin() + long(2 * last + 2));
    return {double(last + 1 - *first) / kRate, decibels(peakOf(heard)),
            (recording.clock().capturedAt(double(*first)) - running) / 1e6};
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
    const AfterFreeze heard = stopAsACard(stage, [&] {
        sleepSeconds(frozenSeconds);
        stage.program.click(ProgramLayout::of().stop);
        stage.program.closeMessageBox();
        sleepSeconds(1);
    });
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
    const AfterFreeze heard = stopAsACard(stage, [] { sleepSeconds(kStallSeconds); });
    std::printf("  stall_stray: the server stopped for %.0f s from %.0f s before the original mode's last strike "
                "(%.1f s into it), nothing due after: %s\n",
                kStallSeconds, kStallBeforeLastStrikeSeconds, lastStrikeSeconds, described(heard).c_str());
    return heard;
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
