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

// A sound server may hold a new stream's first write for most of a second
// (a null sink does), and a card may take a buffer's worth first, while the
// music goes on: that is part of the opening, and every note sounds as it
// would have without the hold, only later.
TEST(NoteTiming, EveryNoteOfTheOpeningKeepsItsSpacingWhenTheFirstWritesAreHeld)
{
    constexpr int kDevicePeriod = 2048;
    struct Hold {
        int periodsBefore;
        double seconds;
    };
    for (const Hold hold : {Hold{1, 0.2}, Hold{1, 0.73}, Hold{3, 0.73}}) {
        PulledOutput holding(kDevicePeriod), steady(kDevicePeriod);
        const double periodMicroseconds = kDevicePeriod / holding.output().sampleRate() * 1e6;
        for (PulledOutput* pulled : {&holding, &steady}) {
            for (const int note : {48, 60, 64, 67})
                pulled->output().playNote(pulled->players()[0], note, 100);
            pulled->advanceTo((hold.periodsBefore - 1) * periodMicroseconds);
        }
        holding.hold(hold.seconds * 1e6);
        for (int step = 1; step < 12; ++step)
            for (PulledOutput* pulled : {&holding, &steady})
                pulled->strike(step * kStep, 60 + step);
        holding.advanceTo(hold.seconds * 1e6 + 2.5e6);
        steady.advanceTo(2.5e6);
        ASSERT_EQ(holding.sound().size(), steady.sound().size());
        EXPECT_EQ(firstDifference(holding.sound(), steady.sound()), -1)
            << "held " << hold.seconds << " s after " << hold.periodsBefore << " periods";
    }
}

// A device that holds its first writes before anything is played (one
// opened as the program starts) delays nothing: the first note is heard one
// latency after it is played.
TEST(NoteTiming, AHoldBeforeTheFirstNoteDelaysNothing)
{
    PulledOutput pulled(2048);
    pulled.advanceTo(0);
    constexpr double kHeld = 0.73e6, kStamp = 1e6;
    pulled.hold(kHeld);
    pulled.strike(kStamp, 60);
    pulled.advanceTo(kStamp + 0.5e6);
    const double rate = pulled.output().sampleRate();
    EXPECT_EQ(blockOf(firstDifference(pulled.sound())),
              startingBlock((kStamp - kHeld) * rate / 1e6 + pulled.output().latencyFrames()));
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

// How far ahead of the device's rendering a note played now is placed, in
// frames, before and just after a device stalls for `stallSeconds` at 10 s,
// and at the end of 30 s.
struct Leads {
    double before = 0, after = 0, last = 0;
};

Leads leadsAroundAStall(double stallSeconds)
{
    platform::fluidsynth::FrameClock clock(44100, 1536);
    Leads leads;
    Device{.stallAt = 10, .stallSeconds = stallSeconds}.run(clock, 30, [&](double now, std::int64_t rendered) {
        const double lead = double(clock.frameOf(now) - rendered);
        if (rendered < 10 * 44100)
            leads.before = lead;
        else if (rendered < 10 * 44100 + 4 * 512)
            leads.after = lead;
        leads.last = lead;
    });
    return leads;
}

// Notes played after a stall longer than the latency are heard one latency
// after they are played again, within a few periods of it ending.
TEST(FrameClock, AStallLongerThanTheLatencyIsCaughtUpAtOnce)
{
    const Leads leads = leadsAroundAStall(0.5);
    EXPECT_NEAR(leads.after, leads.before, 2) << "the notes after the stall keep its delay";
    EXPECT_NEAR(leads.last, leads.before, 2);
}

// A shorter one goes out slowly: hurrying every note by it would be an
// audible change of tempo, for a delay shorter than the latency.
TEST(FrameClock, AStallShorterThanTheLatencyGoesOutNoFasterThanDrift)
{
    const double stall = 0.02; // the latency is 35 ms here
    const Leads leads = leadsAroundAStall(stall);
    EXPECT_NEAR(leads.after, leads.before + stall * 44100, 2) << "caught up at once";
    // 200 ppm of the 20 s after it.
    EXPECT_LT(std::abs(leads.last - leads.after), 200e-6 * 20 * 44100 + 2);
}

// `stop` releases every key of both players. Its releases take effect at the
// next period, not a latency later, and a note played just before it, which
// has not sounded yet, never does.
TEST(NoteTiming, ASweepOfReleasesIsHeardAtTheNextPeriodAndDropsWhatHasNotSounded)
{
    PulledOutput swept, sweptAfterANewNote, held;
    for (PulledOutput* pulled : {&swept, &sweptAfterANewNote, &held})
        pulled->strike(0, 60);
    for (PulledOutput* pulled : {&swept, &sweptAfterANewNote, &held})
        pulled->advanceTo(1e6);
    sweptAfterANewNote.strike(1e6, 64);
    for (PulledOutput* pulled : {&swept, &sweptAfterANewNote})
        for (int note = 1; note < 128; ++note) {
            pulled->output().playNote(pulled->players()[0], note, 0);
            pulled->output().playNote(pulled->players()[1], note, 0);
        }
    for (PulledOutput* pulled : {&swept, &sweptAfterANewNote, &held})
        pulled->advanceTo(2e6);

    EXPECT_EQ(firstDifference(sweptAfterANewNote.sound(), swept.sound()), -1) << "the new note sounded";
    const long released = firstDifference(swept.sound(), held.sound());
    const long nextPeriod = long(std::ceil(1e6 * 44100 / 1e6 / 512) * 512);
    EXPECT_GE(released, nextPeriod);
    EXPECT_LT(released, nextPeriod + long(kBlock)) << "the release waited for the latency";
}

// The music's own releases keep their time, however many keys are down.
TEST(NoteTiming, ReleasesOfStruckKeysKeepTheirTime)
{
    PulledOutput released, held;
    for (PulledOutput* pulled : {&released, &held})
        for (int note : {60, 64, 67})
            pulled->strike(0, note);
    for (PulledOutput* pulled : {&released, &held})
        pulled->advanceTo(1e6);
    for (int note : {60, 64, 67})
        released.output().playNote(released.players()[0], note, 0);
    for (PulledOutput* pulled : {&released, &held})
        pulled->advanceTo(2e6);
    EXPECT_EQ(blockOf(firstDifference(released.sound(), held.sound())), startingBlock(released.dueFrame(1e6)));
}

} // namespace
