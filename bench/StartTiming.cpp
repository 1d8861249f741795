#include "bench/StartTiming.h"

#include "bench/HeardTiming.h"
#include "bench/Loudness.h"
#include "bench/Onsets.h"
#include "bench/ScoreEvents.h"
#include "bench/Spread.h"
#include "bench/Stage.h"
#include "platform/core/NotePlayer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>

namespace bench {

namespace {

constexpr double kHeardSeconds = 34;
// A sink holds a new stream's first write for at most this long.
constexpr double kLongestHold = 2.5;
// Less than half a step: the onsets' pattern is fitted this close to where
// the spectra put the music.
constexpr double kFitReach = 0.05;
// The sink may hold the first write for 0.7 s, and the device's latency
// and the last notes' release come after.
constexpr double kHeardTailSeconds = 3;

const char* sinkName(PrivatePulseServer::Sink sink)
{
    return sink == PrivatePulseServer::Sink::Prompt ? "a sink that takes the first write at once"
                                                    : "a sink that holds the first write";
}

// The score's notes as the program's two note players play them, for the
// reference rendering, which tells the players apart by their addresses.
std::vector<PlayedNote> playedBy(const std::vector<ScoreNote>& notes,
                                 const std::array<platform::NotePlayer, 2>& players)
{
    std::vector<PlayedNote> played;
    for (const ScoreNote& note : notes) {
        if (note.player < 1 || note.player > int(players.size()))
            throw std::runtime_error("the score plays on note player " + std::to_string(note.player));
        played.push_back({note.stamp, &players[std::size_t(note.player - 1)], note.note, note.velocity});
    }
    return played;
}

std::string listed(const std::vector<std::size_t>& onsets, const Reference& reference)
{
    if (onsets.empty()) return "none";
    std::string text;
    char item[48];
    for (const std::size_t onset : onsets) {
        std::snprintf(item, sizeof item, "%s%zu (%.3f s)", text.empty() ? "" : ", ", onset,
                      reference.issued[onset] - reference.issued.front());
        text += item;
    }
    return text;
}

// The original mode from its `start` on, for its first 34 s and a little
// more.
struct Recorded {
    std::vector<float> sound;
    double clickToRecording; // seconds from the click to the recording's first frame
};

Recorded recordOpening(const std::filesystem::path& programPath, PrivatePulseServer::Sink sink)
{
    Stage stage(programPath, PrivatePulseServer::Start::Now, sink);
    MonitorRecording recording(stage.server, MonitorRecording::Arrivals::Timed);
    sleepSeconds(0.3);
    const double clicked = stage.program.click(ProgramLayout::of().start);
    sleepSeconds(kHeardSeconds + kHeardTailSeconds);
    std::vector<float> sound = recording.finish();
    return {std::move(sound), (recording.clock().capturedAt(0) - clicked) / 1e6};
}

} // namespace

HeardOpening heardOpening(const std::filesystem::path& programPath, PrivatePulseServer::Sink sink)
{
    const std::array<platform::NotePlayer, 2> players;
    const Reference reference(
        playedBy(struckBefore(scoreNotes(scoreEvents({"--mode", "original"})), kHeardSeconds * 1e6), players));
    const auto [sound, clickToRecording] = recordOpening(programPath, sink);
    // The music lies where its first chord allows: at the first sound, or
    // before it by as long as the sink may have held the first write and
    // the notes after it been caught up. Its rhythm repeats every four
    // steps, so the onsets fit it nearly as well shifted by whole bars: the
    // spectra find it, and the onsets are fitted close to that.
    const auto first = firstFrameAbove(sound, kSoundLevel);
    const auto referenceFirst = firstFrameAbove(reference.sound, kSoundLevel);
    if (!first || !referenceFirst) throw std::runtime_error("nothing was heard");
    const double chordOffset = (double(*first) - double(*referenceFirst)) / kRate;
    const double music =
        spectralOffset(sound, reference.sound, kRate, chordOffset - kLongestHold, chordOffset + kFitReach);
    const Timing timing = heardTiming(sound, reference, music - kFitReach, music + kFitReach);
    const std::size_t onsets = reference.started.size();
    // Where the recording has the reference's sound: the constant latency.
    std::vector<double> offsets;
    for (std::size_t i = 0; i < onsets; ++i)
        offsets.push_back(timing.heard[i] - reference.started[i]);
    const double offset = median(offsets);
    const std::vector<std::size_t> faint = faintOnsets(
        onsetStrengths(SpectralFlux(sound, kRate), SpectralFlux(reference.sound, kRate), reference.started, offset));

    HeardOpening heard;
    heard.onsets = {timing.p50, timing.p99, timing.max};
    for (const std::size_t onset : faint)
        if (onset > 0) heard.missing.push_back(onset);
    // The first chord is where the sound begins, wherever that is: found as
    // the reference's first sound is, above -60 dBFS, against the
    // reference's own start.
    const double start = reference.started.front();
    std::vector<double> heardAt = timing.heard;
    heardAt.front() = double(*first) / kRate - (double(*referenceFirst) / kRate - start);
    heard.chordLate = 1000 * (heardAt.front() - start - offset);
    const std::vector<double> steps = stepErrors(heardAt, reference.started, heard.missing);
    if (steps.empty()) throw std::runtime_error("no onset after the first was heard");
    heard.firstStep = steps.front();
    std::vector<double> sizes;
    for (const double error : steps)
        sizes.push_back(std::abs(error));
    heard.steps = spreadOf(sizes);
    std::size_t next = 1;
    while (std::find(heard.missing.begin(), heard.missing.end(), next) != heard.missing.end())
        ++next;

    std::printf("  heard_timing (%s): first sound %.3f s after `start`; %zu onsets in the first %.0f s; ",
                sinkName(sink), clickToRecording + double(*first) / kRate, onsets, kHeardSeconds);
    std::printf("step error p50 %.2f ms, p99 %.2f ms, max %.2f ms; ", heard.steps.p50, heard.steps.p99,
                heard.steps.max);
    std::printf("the first chord heard %+.1f ms against the rest, onset %zu %.1f ms after it where the score has "
                "%.1f ms (%+.1f ms); ",
                heard.chordLate, next, 1000 * (heardAt[next] - heardAt.front()),
                1000 * (reference.started[next] - start), heard.firstStep);
    std::printf("missing: %s; onsets against the score: p50 %.2f ms, p99 %.2f ms, max %.2f ms, drift %.2f ms\n",
                listed(heard.missing, reference).c_str(), timing.p50, timing.p99, timing.max, timing.drift);
    return heard;
}

double firstSoundAfterStart(const std::filesystem::path& programPath, double afterWindow)
{
    VirtualDisplay display;
    PrivatePulseServer server;
    MonitorRecording recording(server, MonitorRecording::Arrivals::Timed);
    DesktopProgram program(programPath, server.directory() / "program-errors");
    sleepSeconds(afterWindow);
    const double clicked = program.click(ProgramLayout::of().start);
    sleepSeconds(kListenSeconds);
    const std::vector<float> sound = recording.finish();
    const auto first = firstFrameAbove(sound, kSoundLevel);
    const double seconds = first ? (recording.clock().capturedAt(double(*first)) - clicked) / 1e6
                                 : std::numeric_limits<double>::infinity();
    std::printf("  start_at_window (`start` %.0f s after the window showed): ", afterWindow);
    if (first)
        std::printf("first sound %.3f s after the click\n", seconds);
    else
        std::printf("no sound in %.0f s\n", kListenSeconds);
    std::printf("    program's stderr: %s\n", inBrief(program.errors()).c_str());
    return seconds;
}

} // namespace bench
