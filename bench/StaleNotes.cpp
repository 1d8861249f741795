#include "bench/StaleNotes.h"

#include "bench/Loudness.h"
#include "bench/ScoreEvents.h"
#include "bench/Stage.h"

#include <cstdio>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

namespace {

// The audio output's list of notes waiting for the device.
constexpr std::size_t kListLength = 4096;
// Beyond the time to fill the list: the device is let go, and the notes
// after that start to wait, within a second of the freeze.
constexpr double kBeyondFullSeconds = 20;
constexpr double kAfterResumeSeconds = 8;
constexpr double kStallSeconds = 5;
// Before the last strike: the device is let go, and the next note opens
// another while the server is still stopped.
constexpr double kStallBeforeLastStrikeSeconds = 2;
// The silence of a stopped server: the music has none as long (its notes
// ring for longer after their release).
constexpr double kGapSeconds = 0.3;

// Records the monitor from a second before the server is stopped until
// 8 s after it continues, `whileStopped` done in between; what sounds after
// the silence it fell into. Once it continues, the server catches up on the
// time it was stopped as fast as it can, pulling from its streams meanwhile,
// so a stream that starts then is heard inside that catching up, in the
// recording's frames, which are the sink's time: what counts is that it
// comes after the silence. Coarse, so that minutes of catching up fit in
// what the server keeps for the recorder.
AfterFreeze listenAcrossAFreeze(Stage& stage, const std::function<void()>& whileStopped)
{
    MonitorRecording recording(stage.server, MonitorRecording::Arrivals::Untimed, MonitorRecording::Detail::Coarse);
    sleepSeconds(1);
    stage.server.freeze();
    whileStopped();
    stage.server.resume();
    sleepSeconds(kAfterResumeSeconds);
    const std::vector<float> sound = recording.finish();
    const double rate = recording.rate();
    const double recorded = double(sound.size() / 2) / rate;
    const auto after = soundAfterSilence(sound, kSoundLevel, std::size_t(kGapSeconds * rate));
    if (!after) return {.recorded = recorded};
    const std::vector<float> heard(sound.begin() + long(2 * after->first), sound.begin() + long(2 * after->last + 2));
    return {double(after->last + 1 - after->first) / rate, decibels(peakOf(heard)),
            double(after->first - after->quietFrom) / rate, recorded};
}

std::string described(const AfterFreeze& heard)
{
    char text[200];
    if (heard.seconds > 0)
        std::snprintf(text, sizeof text,
                      "%.2f s of sound after %.2f s of silence (peak %.1f dBFS; %.1f s recorded in the sink's time)",
                      heard.seconds, heard.silence, heard.peakDecibels, heard.recorded);
    else
        std::snprintf(text, sizeof text, "nothing after its silence, to %.0f s after it continued (%.1f s recorded)",
                      kAfterResumeSeconds, heard.recorded);
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
    const AfterFreeze heard = listenAcrossAFreeze(stage, [&] {
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
    sleepSeconds(lastStrikeSeconds - kStallBeforeLastStrikeSeconds - 1 - secondsSince(started));
    const AfterFreeze heard = listenAcrossAFreeze(stage, [] { sleepSeconds(kStallSeconds); });
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
