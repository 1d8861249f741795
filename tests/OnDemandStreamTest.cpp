#include "tests/FluidSynthTesting.h"
#include "tests/HandPulledDevice.h"
#include "tests/ProcessCpuTime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace fluidsynth_testing;
using platform::FluidSynthOutput;

namespace {

constexpr int kPeriod = 512;
constexpr double kPeriodMicroseconds = kPeriod / 44100.0 * 1e6;

const std::string kNoAudioLine =
    "velmora20: no audio output could be opened (tried the hand); playing silently until one opens\n";
const std::string kStoppedLine = "velmora20: the audio output stopped playing; trying again at the next note\n";

// A FluidSynth output on a hand-pulled device and a clock the test moves.
// Made on a device that fails to open at first, the output has rendered
// nothing yet when the device opens later, so its sound can be compared with
// a fresh output's to the sample.
class HandPulledOutput {
public:
    explicit HandPulledOutput(bool failAtStart = false) : hand(failAtStart), out(made()) {}

    // Whether the device opened as the output was made and, pulled, closed
    // again after two seconds of silence, as on a desktop where nothing is
    // played at first.
    bool openedAndClosedAtStart()
    {
        if (!out.problem().empty() || !hand.waitUntil(1, 0, true))
            return false;
        std::vector<float> sound;
        pullWhileOpen(600, sound);
        return hand.waitUntil(1, 1) && waitUntilClosed() && rms(sound) < 1e-6;
    }

    // Pulls up to `seconds` of frames while the device is open, the clock
    // keeping pace with them.
    void pullWhileOpen(double seconds, std::vector<float>& sound)
    {
        for (long frames = 0; frames < seconds * 44100 && hand.pull(kPeriod, sound); frames += kPeriod)
            now += kPeriodMicroseconds;
    }

    // The sound of the next `periods` periods pulled, the clock keeping pace.
    std::vector<float> pullPeriods(int periods)
    {
        std::vector<float> sound;
        for (int i = 0; i < periods; ++i) {
            hand.pull(kPeriod, sound);
            now += kPeriodMicroseconds;
        }
        return sound;
    }

    // Strikes `note`: it must open the device, to have been opened and
    // closed so often, and be heard there.
    void expectStrikeHeard(int note, int opens, int closings, const char* failure)
    {
        out.playNote(players[0], note, 100);
        ASSERT_TRUE(hand.waitUntil(opens, closings, true)) << failure;
        EXPECT_GT(rms(pullPeriods(40)), 1e-3) << failure;
    }

    // Waits up to five seconds for the stream to have given up the device.
    bool waitUntilClosed()
    {
        return eventually([this] { return !out.streaming(); });
    }

    double now = 0;
    HandPulledDevice hand;
    std::string startLines; // what the output said as it was made

private:
    FluidSynthOutput& made()
    {
        testing::internal::CaptureStderr();
        output_ = std::make_unique<FluidSynthOutput>(hand.device(), [this] { return now; },
                                                     std::vector<std::string>{kFluidR3});
        startLines = testing::internal::GetCapturedStderr();
        hand.failOpening(false);
        return *output_;
    }

    std::unique_ptr<FluidSynthOutput> output_;

public:
    FluidSynthOutput& out;
    Players players;
};

class OnDemandStream : public testing::Test, protected HandPulledOutput {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(out.audible());
        ASSERT_TRUE(openedAndClosedAtStart());
    }
};

// The largest sample of `a`, or of its difference from `b`, over `frames`
// frames of interleaved stereo.
float peak(const std::vector<float>& a, long frames, const std::vector<float>& b = {})
{
    float peak = 0;
    for (std::size_t i = 0; i < std::min(a.size(), 2 * std::size_t(frames)); ++i)
        peak = std::max(peak, std::abs(a[i] - (i < b.size() ? b[i] : 0.0F)));
    return peak;
}

TEST_F(OnDemandStream, ClosesAfterTwoSecondsOfSilenceAndOpensAgainOnTheNextStrike)
{
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1, true));
    EXPECT_GT(rms(pullPeriods(40)), 1e-3);
    out.playNote(players[0], 60, 0);

    // The release and its tail take a second or so; then two silent seconds.
    // The frames are pulled in two lots, and closing waited for after each,
    // so the stream thread's reaction time does not count.
    std::vector<float> sound;
    pullWhileOpen(2, sound);
    EXPECT_EQ(hand.closings(), 1) << "closed before two seconds of frames";
    pullWhileOpen(3, sound);
    ASSERT_TRUE(hand.waitUntil(2, 2)) << "still open after 5 s of frames";
    EXPECT_TRUE(waitUntilClosed());

    expectStrikeHeard(64, 3, 2, "no sound after opening again");
}

// A device still pulls while it closes, and may take its time: a strike
// played then must neither wait for it nor sound there.
TEST_F(OnDemandStream, AStrikeWhileTheDeviceClosesOpensItAgainAtOnceAndTheClosingOneIsSilent)
{
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1, true));
    out.playNote(players[0], 60, 0);
    hand.holdClosing(true);
    std::vector<float> sound;
    for (long frames = 0; frames < 10 * 44100 && hand.closings() < 2; frames += kPeriod) {
        hand.pull(kPeriod, sound);
        now += kPeriodMicroseconds;
    }
    ASSERT_TRUE(hand.waitUntil(2, 2)) << "not closing after 10 s of frames";

    out.playNote(players[0], 64, 100);
    ASSERT_TRUE(hand.waitUntil(3, 2, true)) << "the strike waited for the closing device";
    std::vector<float> closing, opened;
    for (int period = 0; period < 40; ++period) {
        ASSERT_TRUE(hand.pull(kPeriod, closing, 2));
        hand.pull(kPeriod, opened);
        now += kPeriodMicroseconds;
    }
    EXPECT_LT(rms(closing), 1e-6) << "the closing device pulls music";
    EXPECT_GT(rms(opened), 1e-3) << "the strike was lost";
    hand.holdClosing(false);
}

TEST_F(OnDemandStream, NothingButAStrikeOpensTheDevice)
{
    out.setInstrument(players[0], 17);
    out.playNote(players[0], 60, 0);
    for (int note = 1; note < 128; ++note)
        out.playNote(players[1], note, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(out.streaming());
    EXPECT_EQ(hand.opens(), 1);
}

TEST_F(OnDemandStream, ADeviceThatNoLongerOpensIsReportedOnceAndTriedAgain)
{
    hand.failOpening(true);
    testing::internal::CaptureStderr();
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1));
    ASSERT_TRUE(waitUntilClosed());
    out.playNote(players[0], 64, 100);
    ASSERT_TRUE(hand.waitUntil(3, 1));
    ASSERT_TRUE(waitUntilClosed());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kNoAudioLine);
    EXPECT_FALSE(out.streaming());

    hand.failOpening(false);
    expectStrikeHeard(67, 4, 1, "no sound once the device opens again");
}

// However long the device takes to open (within the grace), every note
// played meanwhile sounds, as it would have had the device been open all
// along: the chord that opened it at once, as it has waited longer than the
// latency, and every note after it with its spacing.
TEST(OnDemandStreamOpening, EveryNoteOfASlowOpeningSoundsWithItsSpacing)
{
    for (const double opening : {0.3e6, 1.5e6}) {
        HandPulledOutput slow(true);
        ASSERT_EQ(slow.startLines, kNoAudioLine);
        slow.hand.holdOpening(true);
        const double start = slow.now;
        for (const int note : {60, 64, 67})
            slow.out.playNote(slow.players[0], note, 100);
        ASSERT_TRUE(slow.hand.waitUntil(2, 0));
        for (double at = 133000; at < opening; at += 133000) {
            slow.now = start + at;
            slow.out.playNote(slow.players[0], 72, 100);
        }
        slow.now = start + opening;
        slow.hand.holdOpening(false);
        ASSERT_TRUE(slow.hand.waitUntil(2, 0, true));

        // Offline, the same: the device pulls its first period `opening` in.
        PulledOutput opened(kPeriod);
        for (const int note : {60, 64, 67})
            opened.output().playNote(opened.players()[0], note, 100);
        opened.hold(opening);
        for (double at = 133000; at < opening; at += 133000)
            opened.strike(at, 72);
        opened.advanceTo(opening + 1e6);
        std::vector<float> sound;
        while (sound.size() < opened.sound().size() && slow.hand.pull(kPeriod, sound)) {
        }
        ASSERT_EQ(sound.size(), opened.sound().size());
        EXPECT_LT(firstDifference(opened.sound()), 64) << "the chord waited for more";
        EXPECT_EQ(firstDifference(sound, opened.sound()), -1) << "an opening of " << opening / 1e6 << " s";
    }
}

// A sound server killed, stopped or hung leaves its device pulling nothing:
// the stream lets it go soon, says so once, and the next strike opens anew.
TEST_F(OnDemandStream, ADeviceThatStopsPullingIsLetGoReportedOnceAndOpenedAgain)
{
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1, true));
    EXPECT_GT(rms(pullPeriods(60)), 1e-3);

    testing::internal::CaptureStderr();
    const auto stopped = std::chrono::steady_clock::now();
    ASSERT_TRUE(hand.waitUntil(2, 2)) << "a device that pulls nothing is kept";
    // Ten periods and a look: under a second, where one still starting
    // would be given three.
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::milliseconds(2000));
    ASSERT_TRUE(waitUntilClosed());
    // It stays gone a while: the next strikes find no device.
    hand.failOpening(true);
    out.playNote(players[0], 62, 100);
    ASSERT_TRUE(hand.waitUntil(3, 2));
    ASSERT_TRUE(waitUntilClosed());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kStoppedLine) << "one line, once, for the whole outage";

    hand.failOpening(false);
    expectStrikeHeard(64, 4, 2, "no sound on the device opened after the outage");
}

// The next device sounds what is struck on it, nothing of the one before:
// not the chord it was sounding when it stopped, nor its reverberation, nor
// a note struck after.
TEST(OnDemandStreamStopped, AfterADeviceStopsTheNextSoundsOnlyWhatIsStruckOnIt)
{
    HandPulledOutput stopping(true);
    for (const int note : {48, 55, 60, 64, 67})
        stopping.out.playNote(stopping.players[0], note, 110);
    ASSERT_TRUE(stopping.hand.waitUntil(2, 0, true));
    ASSERT_GT(rms(stopping.pullPeriods(60)), 1e-2);
    testing::internal::CaptureStderr();
    stopping.out.playNote(stopping.players[0], 72, 100);
    ASSERT_TRUE(stopping.hand.waitUntil(2, 1));
    ASSERT_TRUE(stopping.waitUntilClosed());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kStoppedLine);

    stopping.out.playNote(stopping.players[0], 67, 100);
    ASSERT_TRUE(stopping.hand.waitUntil(3, 1, true));
    PulledOutput steady(kPeriod);
    steady.strike(0, 67);
    steady.advanceTo(0.5e6);
    const std::vector<float> sound = stopping.pullPeriods(int(steady.sound().size() / 2 / kPeriod));
    ASSERT_EQ(sound.size(), steady.sound().size());
    const long onset = firstDifference(steady.sound());
    ASSERT_GT(onset, 0);
    EXPECT_LT(peak(sound, onset), 1e-4F) << "the music before the stop sounds on the next device (-80 dBFS)";
    // The strike is on time to the sample: its first period is the fresh
    // device's. (After it, the reverberation differs a little: the reverb's
    // delays are modulated, and their phase has moved on.)
    EXPECT_LT(peak(sound, onset + kPeriod, steady.sound()), 1e-3F) << "the strike is not heard as on a fresh device";
}

// A sound server may hold a new stream's first write for a second or two
// (a PulseAudio null sink that may rewind does): that is no stop.
TEST_F(OnDemandStream, ADeviceThatHoldsItsFirstWritesIsKept)
{
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1, true));
    testing::internal::CaptureStderr();
    pullPeriods(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    now += 1.5e6;
    EXPECT_GT(rms(pullPeriods(40)), 1e-3);
    EXPECT_EQ(hand.closings(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// A sink suspended (by the user, or to save power) stops pulling, and its
// server closes the stream only once the sink resumes: it costs one device,
// and one line, however much is played meanwhile, and the music plays again
// after the resume.
TEST_F(OnDemandStream, ASuspendedDeviceCostsOneDeviceUntilItResumes)
{
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1, true));
    pullPeriods(60);
    hand.holdClosing(true);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(hand.waitUntil(2, 2));
    for (int step = 0; step < 20; ++step) {
        out.playNote(players[0], 62 + step % 2, 100);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        out.playNote(players[0], 62 + step % 2, 0);
    }
    EXPECT_EQ(hand.opens(), 2) << "a device opened while the suspended one had not closed";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kStoppedLine);

    hand.holdClosing(false);
    ASSERT_TRUE(waitUntilClosed());
    expectStrikeHeard(64, 3, 2, "no sound after the resume");
}

// While nothing plays, the stream sleeps: what is queued without a strike
// (a release) is applied, and leaves nothing for it to do.
TEST_F(OnDemandStream, ReleasesWhileClosedLeaveTheStreamAsleep)
{
    out.playNote(players[0], 60, 0);
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = processCpuMicroseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double wall =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - wallStart).count();
    // A stream thread that goes on looking keeps a processor busy for most
    // of that time, even on a loaded machine.
    EXPECT_LT(processCpuMicroseconds() - cpuStart, 0.1 * wall);
    EXPECT_FALSE(out.streaming());
}

// A device that stops once the music has ended (`stop` pressed, its tail
// over) has cost the listener nothing: nothing is said.
TEST_F(OnDemandStream, ADeviceThatStopsWithNothingToSoundIsLetGoSilently)
{
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1, true));
    pullPeriods(20);
    out.playNote(players[0], 60, 0);
    pullPeriods(int(1.5 * 44100 / kPeriod));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(hand.waitUntil(2, 2));
    ASSERT_TRUE(waitUntilClosed());
    expectStrikeHeard(64, 3, 2, "no sound on the next device");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// A stopped sound server holds an opening until it is continued: said once,
// and what waited for it (which would come far too late) is dropped, but
// for what silences the players.
TEST_F(OnDemandStream, AnOpeningThatDoesNotAnswerIsReportedOnceAndWhatWaitedIsDropped)
{
    hand.holdOpening(true);
    testing::internal::CaptureStderr();
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    out.playNote(players[0], 62, 100);
    out.playNote(players[0], 60, 0);
    out.playNote(players[0], 62, 0);
    out.playNote(players[0], 65, 100);
    hand.holdOpening(false);
    ASSERT_TRUE(hand.waitUntil(2, 1, true));
    EXPECT_LT(rms(pullPeriods(40)), 1e-6) << "a strike that waited sounds";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kNoAudioLine);
    // The device renders once the stream has seen the answer, which a busy
    // machine may hold up: a strike before that is dropped as the others.
    bool heard = false;
    for (int strike = 0; strike < 50 && !heard; ++strike) {
        out.playNote(players[0], 65, 100);
        heard = rms(pullPeriods(40)) > 1e-3;
        out.playNote(players[0], 65, 0);
    }
    EXPECT_TRUE(heard) << "no sound once the opening answered";
}

// A server that pulls nothing for a while but less than the stream waits
// for (a stopped virtual machine, a starved server) leaves the notes after
// it late by as much; they are heard a latency after they are played again.
TEST_F(OnDemandStream, NotesAfterAStallAreHeardOnTimeAgain)
{
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1, true));
    std::vector<float> sound;
    pullWhileOpen(3, sound);
    out.playNote(players[0], 60, 0);
    pullWhileOpen(0.5, sound);
    // A second in which the device pulled nothing; what was played then is
    // late, and dropped rather than played in a burst.
    out.playNote(players[0], 67, 100);
    now += 1e6;

    const std::size_t struck = sound.size();
    out.playNote(players[0], 72, 100);
    pullWhileOpen(1, sound);
    // The release's tail is still sounding: the strike is where the level jumps.
    const auto level = [&](std::size_t period) {
        const auto start = sound.begin() + long(struck + 2 * period * kPeriod);
        return rms(std::vector<float>(start, start + 2 * kPeriod));
    };
    long onset = -1;
    for (std::size_t period = 1; struck + 2 * (period + 1) * kPeriod <= sound.size() && onset < 0; ++period)
        if (level(period) > 3 * level(period - 1) + 1e-4)
            onset = long(period * kPeriod);
    ASSERT_GE(onset, 0) << "the strike after the stall was not heard within a second";
    EXPECT_GE(onset, long(out.latencyFrames()) - 2 * kPeriod) << "the note played during the stall was heard";
    EXPECT_LE(onset, long(out.latencyFrames()) + 2 * kPeriod) << "heard a stall late";
}

// Quitting must not wait for a sound server that does not answer.
TEST(OnDemandStreamEnd, ADeviceThatDoesNotAnswerDoesNotHoldUpTheOutputsEnd)
{
    for (const bool opening : {true, false}) {
        auto stuck = std::make_unique<HandPulledOutput>();
        ASSERT_TRUE(stuck->openedAndClosedAtStart());
        HandPulledDevice& hand = stuck->hand;
        hand.holdOpening(opening);
        hand.holdClosing(!opening);
        stuck->out.playNote(stuck->players[0], 60, 100);
        ASSERT_TRUE(hand.waitUntil(2, 1, !opening));
        if (!opening)
            stuck->out.playNote(stuck->players[0], 60, 0);

        // The device outlives the output: what the test steers goes with it.
        HandPulledDevice steer = hand;
        auto ended = std::async(std::launch::async, [&stuck] { stuck.reset(); });
        EXPECT_EQ(ended.wait_for(std::chrono::seconds(3)), std::future_status::ready)
            << (opening ? "waited for an opening" : "waited for a closing");
        steer.holdOpening(false);
        steer.holdClosing(false);
        ended.wait();
        EXPECT_TRUE(steer.waitUntil(2, 2)) << "a device that answered after the end was left open";
    }
}

// A device that has been silent for long enough closes, but not while a
// strike waits that it has not rendered yet.
TEST(OnDemandStreamIdle, AStrikeThatWaitsKeepsTheDeviceOpen)
{
    HandPulledOutput idle;
    ASSERT_TRUE(idle.hand.waitUntil(1, 0, true));
    // Silent from the start, and pulled far quicker than the stream looks.
    idle.pullPeriods(int(2.5 * 44100 / kPeriod));
    idle.out.playNote(idle.players[0], 60, 100);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(idle.hand.closings(), 0) << "closed with a strike waiting";
    EXPECT_GT(rms(idle.pullPeriods(40)), 1e-3);
}

// A machine without sound says so once at start-up, whatever the notes
// played then; a sound server that starts after the program is used at the
// next note.
TEST(OnDemandStreamAtStartUp, ADeviceThatFailedWhenTriedIsReportedOnceAndSoundsOnceItOpens)
{
    HandPulledDevice hand;
    hand.failOpening(true);
    double now = 0;
    testing::internal::CaptureStderr();
    FluidSynthOutput out{hand.device(), [&now] { return now; }, {kFluidR3}};
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kNoAudioLine);
    EXPECT_EQ(out.problem() + "\n", kNoAudioLine);

    Players players;
    testing::internal::CaptureStderr();
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 0));
    eventually([&out] { return !out.streaming(); });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "said twice";

    hand.failOpening(false);
    out.playNote(players[0], 62, 100);
    ASSERT_TRUE(hand.waitUntil(3, 0, true));
    std::vector<float> sound;
    for (int period = 0; period < 40; ++period)
        hand.pull(kPeriod, sound);
    EXPECT_GT(rms(sound), 1e-3);
}

} // namespace
