#include "platform/fluidsynth/FrameClock.h"
#include "tests/FluidSynthTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace fluidsynth_testing;

namespace {

// FluidSynth starts a voice at its next 64-frame block, so a note sounds up
// to one block after its exact frame, and never before it.
constexpr double kBlock = 64;

// The block in which a note due at `dueFrame` starts.
double startingBlock(double dueFrame)
{
    return std::ceil(dueFrame / kBlock);
}

// The block in which a sound starts at `frame` (the piano's samples begin
// with a few frames of silence, far less than a block).
double blockOf(long frame)
{
    return std::floor(double(frame) / kBlock);
}

constexpr double kStep = 133000; // microseconds

TEST(NoteTiming, NoteSoundsOneLatencyAfterItsStampWhereverItFallsInThePeriod)
{
    constexpr int kPeriod = 512;
    for (int eighth = 0; eighth < 8; ++eighth) {
        PulledOutput pulled(kPeriod); // fresh, so the note is the only sound
        const double stamp = (10 * kPeriod + eighth * kPeriod / 8 + 3) / pulled.output().sampleRate() * 1e6;
        pulled.strike(stamp, 60);
        const double rate = pulled.output().sampleRate();
        pulled.advanceTo(stamp + pulled.output().latencyFrames() / rate * 1e6 + 50000);
        EXPECT_EQ(blockOf(firstDifference(pulled.sound())), startingBlock(pulled.dueFrame(stamp)))
            << "struck in eighth " << eighth << " of a period";
    }
}

TEST(NoteTiming, NotesAStepApartSoundAStepApart)
{
    PulledOutput both, first;
    for (PulledOutput* pulled : {&both, &first})
        pulled->strike(500000, 60);
    both.strike(500000 + kStep, 67);
    for (PulledOutput* pulled : {&both, &first})
        pulled->advanceTo(1000000);

    const long onset = firstDifference(both.sound());
    const long secondOnset = firstDifference(both.sound(), first.sound());
    EXPECT_EQ(blockOf(onset), startingBlock(both.dueFrame(500000)));
    EXPECT_EQ(blockOf(secondOnset), startingBlock(both.dueFrame(500000 + kStep)));
    EXPECT_NEAR(double(secondOnset - onset), kStep * both.output().sampleRate() / 1e6, kBlock);
}

// A device that renders far ahead leaves a note's frame behind before the
// note is played: it must sound at once, not be dropped or held back.
TEST(NoteTiming, NoteWhoseFrameIsRenderedAlreadySoundsAtOnce)
{
    constexpr int kLongPeriod = 8192; // far longer than the latency
    PulledOutput pulled(kLongPeriod);
    const double periodStart = 3 * kLongPeriod / pulled.output().sampleRate() * 1e6;
    pulled.strike(periodStart + 1000, 60);
    pulled.advanceTo(periodStart + 500000);
    EXPECT_EQ(blockOf(firstDifference(pulled.sound())), 4 * kLongPeriod / kBlock);
}

// A device pulling `period` frames at a time, its clock `ppm` parts per
// million slower than the program's, sometimes in bursts of `burst` periods,
// and stalling for `stallSeconds` once it has pulled `stallAt` seconds.
struct Device {
    double rate = 44100;
    int period = 512;
    int burst = 1;
    double ppm = 0;
    double stallAt = 0;
    double stallSeconds = 0;

    // Drives the clock to `seconds`; calls `look(now, rendered)` at each
    // period.
    template <typename Look>
    void run(platform::fluidsynth::FrameClock& clock, double seconds, Look look) const
    {
        std::int64_t rendered = 0;
        clock.anchor(0, 0, 0);
        for (std::int64_t n = 0; double(rendered) < seconds * rate; ++n) {
            // Each period of a burst is pulled when the burst's first is due.
            const std::int64_t due = (n / burst) * burst * period;
            const double stalled = stallSeconds > 0 && double(due) >= stallAt * rate ? stallSeconds * 1e6 : 0;
            const double now = double(due) / rate * 1e6 * (1 + ppm * 1e-6) + stalled;
            clock.observe(rendered, now);
            look(now, rendered);
            rendered += period;
        }
    }
};

TEST(FrameClock, FollowsADeviceWhoseClockRunsSlow)
{
    platform::fluidsynth::FrameClock clock(44100, 1536);
    double leadAfterThreeSeconds = 0, lastLead = 0;
    Device{.ppm = 200}.run(clock, 120, [&](double now, std::int64_t rendered) {
        lastLead = double(clock.frameOf(now) - rendered);
        if (now < 3e6)
            leadAfterThreeSeconds = lastLead;
    });
    // Uncorrected, the lead would grow by 117 s * 200 ppm = 23 ms; corrected
    // it settles 4 ms (200 ppm of the 20 s time constant) off.
    EXPECT_LT(std::abs(lastLead - leadAfterThreeSeconds), 0.005 * 44100);
}

TEST(FrameClock, BurstsOfPeriodsDoNotMoveNotes)
{
    platform::fluidsynth::FrameClock clock(44100, 1536);
    constexpr double kStamp = 70e6; // a note to come, looked up all along
    std::int64_t earliest = INT64_MAX, latest = INT64_MIN;
    Device{.burst = 4}.run(clock, 60, [&](double now, std::int64_t) {
        if (now < 3e6)
            return;
        earliest = std::min(earliest, clock.frameOf(kStamp));
        latest = std::max(latest, clock.frameOf(kStamp));
    });
    EXPECT_LE(latest - earliest, 2);
}

// After a stall the notes keep the delay it gave them: catching up would
// hurry them all, an audible change of tempo.
TEST(FrameClock, AStallDoesNotHurryTheNotesAfterIt)
{
    platform::fluidsynth::FrameClock clock(44100, 1536);
    double offsetAfterStall = 0, lastOffset = 0;
    Device{.stallAt = 10, .stallSeconds = 0.5}.run(clock, 30, [&](double now, std::int64_t rendered) {
        lastOffset = double(clock.frameOf(now)) - now * 44100 / 1e6;
        if (rendered < 11 * 44100)
            offsetAfterStall = lastOffset;
    });
    // 200 ppm of the 19 s after it, a tempo change nobody hears.
    EXPECT_LT(std::abs(lastOffset - offsetAfterStall), 200e-6 * 19 * 44100 + 2);
}

} // namespace
