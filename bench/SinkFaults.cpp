#include "bench/SinkFaults.h"

#include "bench/Holdings.h"
#include "bench/Loudness.h"
#include "bench/Stage.h"
#include "bench/StandInCard.h"
#include "platform/core/SteadyClock.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>
#include <stdexcept>
#include <vector>

namespace bench {

namespace {

using platform::steadyClockMicroseconds;

constexpr double kSuspendedSeconds = 60;
constexpr double kSampleSeconds = 0.5;
// How long after the resume the sound is waited for.
constexpr double kResumeListenSeconds = 5;
// The watchdog notices a server gone in under a second; the notes after
// that find none.
constexpr double kServerDownSeconds = 1.5;

std::string shown(const Holdings& holdings)
{
    char text[128];
    std::snprintf(text, sizeof text, "%d clients, %d streams, %d threads, %d fds", holdings.clients, holdings.streams,
                  holdings.threads, holdings.fds);
    return text;
}

void keepMost(Holdings& most, const Holdings& now)
{
    most.clients = std::max(most.clients, now.clients);
    most.streams = std::max(most.streams, now.streams);
    most.threads = std::max(most.threads, now.threads);
    most.fds = std::max(most.fds, now.fds);
}

bool sounds(const std::vector<float>& recording)
{
    return peakOf(recording) > kSoundLevel;
}

} // namespace

Suspension suspendedSink(const std::filesystem::path& programPath)
{
    Stage stage(programPath);
    stage.program.click(ProgramLayout::of().looped);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(3);
    const Holdings playing = holdingsOf(stage.program.pid());
    Suspension result;
    stage.server.suspendSink(true);
    const double suspended = steadyClockMicroseconds();
    const auto sampleUntil = [&](double seconds) {
        while (secondsSince(suspended) < seconds) {
            const Holdings now = holdingsOf(stage.program.pid());
            result.refusals += now.clients < 0 ? 1 : 0;
            keepMost(result.most, now);
            sleepSeconds(kSampleSeconds);
        }
    };
    sampleUntil(kSuspendedSeconds - 1);
    // The recorder waits on the suspended monitor, so that its first frame
    // is the resume's.
    MonitorRecording recording(stage.server, MonitorRecording::Arrivals::Timed);
    sampleUntil(kSuspendedSeconds);
    stage.server.suspendSink(false);
    const double resumed = steadyClockMicroseconds();
    sleepSeconds(kResumeListenSeconds);
    const Holdings after = holdingsOf(stage.program.pid());
    const std::vector<float> sound = recording.finish();
    result.lines = linesIn(stage.program.errors());
    const auto first = firstFrameAbove(sound, kSoundLevel);
    // Sound in the first frame is sound at once, though the recorder's clock
    // may place that frame a few milliseconds before the resume.
    result.soundSeconds = first ? std::max(0.0, (recording.clock().capturedAt(double(*first)) - resumed) / 1e6)
                                : std::numeric_limits<double>::infinity();
    std::printf("  suspended_sink: while looped played: %s; the sink suspended for %.0f s: at most %s",
                shown(playing).c_str(), kSuspendedSeconds, shown(result.most).c_str());
    if (result.refusals > 0) std::printf(" (pactl got no answer %d times)", result.refusals);
    std::printf("; %d lines on stderr; ", result.lines);
    if (first)
        std::printf("sound %.2f s after the resume", result.soundSeconds);
    else
        std::printf("no sound in the %.0f s after the resume", kResumeListenSeconds);
    std::printf("; then: %s\n", shown(after).c_str());
    return result;
}

bool cardFallback(const std::filesystem::path& programPath)
{
    const StandInCard card;
    Stage stage(programPath);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(2.5);
    MonitorRecording onTheCard(card.server());
    stage.server.kill();
    sleepSeconds(kServerDownSeconds);
    const bool cardWhileDown = sounds(onTheCard.finish());
    MonitorRecording cardAfter(card.server());
    stage.server.start();
    MonitorRecording restarted(stage.server);
    sleepSeconds(kListenSeconds);
    const float peak = peakOf(restarted.finish());
    const bool cardAfterward = sounds(cardAfter.finish());
    if (stage.program.waitFor(0))
        throw std::runtime_error("the program ended by itself");
    std::printf("  card_fallback: the server killed, %.1f s later a new one at its path: its sink's peak %.1f dBFS in "
                "the %.0f s after -> %s; the card %s while the server was down, %s after\n",
                kServerDownSeconds, decibels(peak), kListenSeconds, peak > kSoundLevel ? "sound" : "mute",
                cardWhileDown ? "sounded" : "was silent", cardAfterward ? "sounded" : "was silent");
    return peak > kSoundLevel;
}

} // namespace bench
