// bench-audio-output: what a listener hears of bars 1 to 20 played through
// the real FluidSynth output on the real clock.
//
// It starts a PulseAudio server of its own with a null sink, plays the bars
// on a mode thread as the desktop does, records the sink's monitor, finds
// the onsets in the recording by spectral flux and compares them with the
// times the notes were played, after taking off the median offset (the one
// constant latency). Drift is the slope of a straight line fitted to those
// errors over the run, times the length of the run. Clicks are dropouts in
// the recording (the server writes exact silence when a stream underruns);
// the server's own count of underruns is printed beside them. CPU is the
// process's while playing, and the audio thread's alone; idle CPU is the
// process's once the output has closed after the music.
//
// The onset detector is checked first on an exact offline render of the
// same notes, and on one with a known delay planted in every fifth onset.
//
// --load starts one busy process per core for the whole run.

#include "app/Startup.h"
#include "bench/BusyLoad.h"
#include "bench/CpuTime.h"
#include "bench/HeardTiming.h"
#include "bench/ModeThread.h"
#include "bench/Onsets.h"
#include "bench/PrivatePulse.h"
#include "bench/Spread.h"
#include "bench/Subprocess.h"
#include "platform/core/NotePlayer.h"
#include "platform/core/Runtime.h"
#include "platform/core/SteadyClock.h"
#include "platform/fluidsynth/FluidSynthOutput.h"
#include "platform/qt/QtBackend.h"
#include "player/Window1.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace bench;
using platform::steadyClockMicroseconds;

constexpr double kRate = 44100;

void sleepSeconds(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Passes every note on to the output under test and keeps it with the time
// it was played.
class StampingOutput : public platform::NoteOutput {
public:
    void setInstrument(const platform::NotePlayer& player, int instrument) override
    {
        if (target) target->setInstrument(player, instrument);
    }
    void playNote(const platform::NotePlayer& player, int note, int velocity) override
    {
        played.push_back({steadyClockMicroseconds(), &player, note, velocity});
        if (target) target->playNote(player, note, velocity);
    }

    platform::NoteOutput* target = nullptr;
    std::vector<PlayedNote> played;
};

// What one output's run of the bars gave: the notes as played, where they lie
// in the recording, and what it cost.
struct Run {
    std::vector<PlayedNote> played;
    double start = 0, end = 0; // microseconds, the stretch of the recording that holds the run
    double cpuPercent = 0, audioThreadCpuPercent = 0, idleCpuPercent = 0;
    int underruns = 0;
};

// Plays the bars through `output`; then waits until `closed` says the
// output has stopped streaming (or a few seconds have passed) and measures
// the CPU over three idle seconds.
template <typename Closed>
Run play(StampingOutput& stamping, platform::NoteOutput& output, const PrivatePulseServer& server, Closed closed)
{
    Run run;
    stamping.target = &output;
    stamping.played.clear();
    const int underrunsBefore = server.underruns();
    run.start = steadyClockMicroseconds();
    sleepSeconds(0.5);
    const double wallStart = steadyClockMicroseconds(), cpuStart = processCpuSeconds();
    const double audioStart = threadCpuSeconds("pulse-audio");
    playOnAModeThread(*player::Window1(), barNames(1, 20));
    const double playing = (steadyClockMicroseconds() - wallStart) / 1e6;
    run.cpuPercent = 100 * (processCpuSeconds() - cpuStart) / playing;
    run.audioThreadCpuPercent = 100 * (threadCpuSeconds("pulse-audio") - audioStart) / playing;
    sleepSeconds(1.5);
    run.end = steadyClockMicroseconds();
    run.underruns = server.underruns() - underrunsBefore;
    run.played = stamping.played;
    for (int wait = 0; wait < 100 && !closed(); ++wait)
        sleepSeconds(0.1);
    const double idleCpuStart = processCpuSeconds();
    sleepSeconds(3);
    run.idleCpuPercent = 100 * (processCpuSeconds() - idleCpuStart) / 3;
    stamping.target = nullptr;
    return run;
}

// Renders the notes offline through the output at exactly the times they
// were played, those of every fifth onset `planted` microseconds late: each
// note is played once the rendering has reached its time, as a device
// renders, and stamped with the time rendered.
std::vector<float> renderExactly(const std::vector<PlayedNote>& played, double planted)
{
    platform::FluidSynthOutput output(platform::FluidSynthOutput::Offline{}, platform::fluidsynth::defaultSoundFonts());
    const std::vector<int> onsets = onsetNumbers(played);
    std::vector<float> sound;
    const auto renderUntil = [&](double microseconds) {
        const long frames = std::lround(microseconds / 1e6 * kRate) - long(sound.size() / 2);
        if (frames <= 0)
            return;
        const std::vector<float> more = output.render(int(frames));
        sound.insert(sound.end(), more.begin(), more.end());
    };
    for (std::size_t i = 0; i < played.size(); ++i) {
        renderUntil(played[i].stamp - played.front().stamp +
                    (played[i].velocity > 0 && onsets[i] % 5 == 4 ? planted : 0));
        output.playNote(*played[i].player, played[i].note, played[i].velocity);
    }
    renderUntil(played.back().stamp - played.front().stamp + 2e6);
    return sound;
}

// The detector's own error: on the output's exact offline render, where
// only FluidSynth's blocks should show, and the delay it finds where one
// was planted.
void checkDetector(const Reference& reference, const std::vector<PlayedNote>& played)
{
    const Timing exact = heardTiming(renderExactly(played, 0), reference);
    constexpr double kPlantedMilliseconds = 4;
    const Timing planted = heardTiming(renderExactly(played, kPlantedMilliseconds * 1000), reference);
    std::vector<double> plantedErrors, otherErrors;
    for (std::size_t i = 0; i < planted.errors.size(); ++i)
        (i % 5 == 4 ? plantedErrors : otherErrors).push_back(planted.errors[i]);
    const double found = median(plantedErrors) - median(otherErrors);
    std::printf("onsets of an exact offline render: p50 %.2f ms, p99 %.2f ms, max %.2f ms, drift %.2f ms "
                "(FluidSynth starts notes at its 64-frame blocks, 1.45 ms)\n",
                exact.p50, exact.p99, exact.max, exact.drift);
    std::printf("onsets of a render with %.1f ms planted in every fifth onset: found %.2f ms\n", kPlantedMilliseconds,
                found);
}

// The stretch of `recording`, begun at `recordingStart`, that holds `run`.
std::vector<float> stretchOf(const Run& run, const std::vector<float>& recording, double recordingStart)
{
    const auto frame = [&](double microseconds) {
        return std::clamp(std::size_t(std::max(0.0, (microseconds - recordingStart) / 1e6 * kRate)), std::size_t(0),
                          recording.size() / 2);
    };
    return {recording.begin() + long(2 * frame(run.start)), recording.begin() + long(2 * frame(run.end))};
}

// How long after it was played the first note was heard, in milliseconds:
// when the run's stretch of the recording began plus where the note is in
// it, against its stamp. The recording counts from when the recorder was
// started, which is a few milliseconds before it records anything, so this
// errs long by that much.
double firstNoteDelay(const Run& run, const Timing& timing, double recordingStart)
{
    const double stretchStart = std::max(run.start, recordingStart);
    return (stretchStart + timing.heard.front() * 1e6 - run.played.front().stamp) / 1000;
}

void report(const char* name, const Run& run, const Timing& timing, int clicks)
{
    std::printf("%s: onset error p50 %.2f ms, p99 %.2f ms, max %.2f ms, drift %.2f ms; %d clicks heard, %d underruns "
                "logged by the server; CPU %.1f%% playing (audio thread %.1f%%), %.2f%% idle\n",
                name, timing.p50, timing.p99, timing.max, timing.drift, clicks, run.underruns, run.cpuPercent,
                run.audioThreadCpuPercent, run.idleCpuPercent);
}

} // namespace

int main(int argc, char** argv)
{
    const auto load = loadFromArguments(argc, argv);
    for (const char* tool : {"pulseaudio", "parec", "pactl"}) {
        if (!onPath(tool)) {
            std::printf("audio skipped: %s is not installed (tools/install-bench-deps installs it)\n", tool);
            return 0;
        }
    }
    PrivatePulseServer server;

    useOffscreenUnlessAsked();
    auto owned = std::make_unique<StampingOutput>();
    StampingOutput& stamping = *owned;
    platform::Runtime runtime(std::make_unique<platform::QtBackend>([&owned] { return std::move(owned); }));
    app::initialize();
    // One recording from the start, so each note's delay can be told.
    MonitorRecording recording(server);
    const double recordingStart = steadyClockMicroseconds();

    std::puts("playing bars 1 to 20 through the FluidSynth output...");
    Run result;
    double latencyMilliseconds = 0;
    {
        const double start = steadyClockMicroseconds();
        platform::FluidSynthOutput output(steadyClockMicroseconds);
        std::printf("the output started in %.0f ms (SoundFont loaded, the audio device opened)\n",
                    (steadyClockMicroseconds() - start) / 1000);
        if (!output.audible())
            return 1;
        latencyMilliseconds = output.latencyFrames() / output.sampleRate() * 1000;
        result = play(stamping, output, server, [&output] { return !output.streaming(); });
    }
    const std::vector<float> sound = recording.finish();
    const std::vector<float> stretch = stretchOf(result, sound, recordingStart);
    const Reference reference(result.played);
    checkDetector(reference, result.played);
    const Timing timing = heardTiming(stretch, reference);
    runtime.end();

    const int clicks = countDropouts(stretch);
    report("the output", result, timing, clicks);
    const double firstDelay = firstNoteDelay(result, timing, recordingStart);
    std::printf("first note heard %.0f ms after it was played: the constant latency of %.0f ms, %+.0f ms\n",
                firstDelay, latencyMilliseconds, firstDelay - latencyMilliseconds);
    std::printf("audio onset_err_ms p50=%.2f p99=%.2f max=%.2f drift_ms=%.2f clicks=%d cpu_pct=%.1f idle_cpu_pct=%.2f\n",
                timing.p50, timing.p99, timing.max, timing.drift, clicks, result.cpuPercent, result.idleCpuPercent);
}
