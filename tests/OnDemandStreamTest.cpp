#include "platform/fluidsynth/AudioDevice.h"
#include "platform/fluidsynth/EventRenderer.h"
#include "platform/fluidsynth/OnDemandStream.h"
#include "platform/fluidsynth/Synthesizer.h"
#include "tests/FluidSynthTesting.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

using namespace fluidsynth_testing;
using platform::FluidSynthOutput;
using platform::fluidsynth::AudioConnection;
using platform::fluidsynth::AudioDevice;
using platform::fluidsynth::FrameSource;

namespace {

// A device the test pulls by hand, whose opening and closing the test can
// hold back or make fail. What the test steers is shared with the device
// and its connections, which the output may keep after the test's handle.
class HandPulledDevice {
public:
    explicit HandPulledDevice(bool failOpening = false) { state_->failOpening = failOpening; }

    // The device to hand to an output.
    std::unique_ptr<AudioDevice> device() { return std::make_unique<Device>(state_); }

    void holdOpening(bool hold) { state_->set(&State::holdOpening, hold); }
    // As when the sound server has gone away since the device last opened.
    void failOpening(bool fail) { state_->set(&State::failOpening, fail); }
    // As when the server holds on to a stream it no longer plays.
    void holdClosing(bool hold) { state_->set(&State::holdClosing, hold); }

    // Pulls a period from the connection of the `opening`th opening
    // (counted from 1; by default the last), as the device's thread would,
    // at its pace (so the stream gets its turns); false unless that
    // connection is open or closing.
    bool pull(int frames, std::vector<float>& sound, int opening = 0)
    {
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        const std::lock_guard lock(state_->mutex);
        FrameSource* source = state_->sourceOf(opening);
        if (!source)
            return false;
        std::vector<float> left(static_cast<std::size_t>(frames)), right(static_cast<std::size_t>(frames));
        source->renderFrames(frames, left.data(), right.data());
        for (std::size_t i = 0; i < left.size(); ++i)
            sound.insert(sound.end(), {left[i], right[i]});
        return true;
    }

    // Waits up to five seconds for the device to have been opened and to
    // have begun closing so often, and to be pulling if `pulling`; false if
    // it did not.
    bool waitUntil(int opens, int closings, bool pulling = false)
    {
        std::unique_lock lock(state_->mutex);
        return state_->changed.wait_for(lock, std::chrono::seconds(5), [&] {
            return state_->opens() >= opens && state_->closings >= closings && (!pulling || state_->sourceOf(0));
        });
    }

    int opens() const { return state_->get(&State::opens); }
    int closings() const { return state_->get(&State::closings); }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<FrameSource*> sources; // by opening; null unless open or closing
        bool holdOpening = false;
        bool holdClosing = false;
        bool failOpening = false;
        int closings = 0;

        int opens() const { return static_cast<int>(sources.size()); }
        FrameSource* sourceOf(int opening) const
        {
            const int index = (opening > 0 ? opening : opens()) - 1;
            return index >= 0 && index < opens() ? sources[static_cast<std::size_t>(index)] : nullptr;
        }
        template <typename T>
        void set(T State::*field, T value)
        {
            const std::lock_guard lock(mutex);
            this->*field = value;
            changed.notify_all();
        }
        template <typename T>
        T get(T State::*field)
        {
            const std::lock_guard lock(mutex);
            return this->*field;
        }
        int get(int (State::*count)() const)
        {
            const std::lock_guard lock(mutex);
            return (this->*count)();
        }
    };

    // Like a real driver, it goes on pulling until it has closed.
    class Connection final : public AudioConnection {
    public:
        Connection(std::shared_ptr<State> state, std::size_t index) : state_(std::move(state)), index_(index) {}
        ~Connection() override
        {
            std::unique_lock lock(state_->mutex);
            ++state_->closings;
            state_->changed.notify_all();
            state_->changed.wait(lock, [this] { return !state_->holdClosing; });
            state_->sources[index_] = nullptr;
        }

    private:
        std::shared_ptr<State> state_;
        std::size_t index_;
    };

    class Device final : public AudioDevice {
    public:
        explicit Device(std::shared_ptr<State> state) : state_(std::move(state)) {}
        std::unique_ptr<AudioConnection> open(FrameSource& source) override
        {
            std::unique_lock lock(state_->mutex);
            const std::size_t index = state_->sources.size();
            state_->sources.push_back(nullptr);
            state_->changed.notify_all();
            state_->changed.wait(lock, [this] { return !state_->holdOpening; });
            if (state_->failOpening)
                return nullptr;
            state_->sources[index] = &source;
            state_->changed.notify_all();
            return std::make_unique<Connection>(state_, index);
        }
        std::string systemNames() const override { return "the hand"; }

    private:
        std::shared_ptr<State> state_;
    };

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

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
        for (int wait = 0; wait < 5000 && out.streaming(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return !out.streaming();
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

// How much two sounds differ, as the RMS of their difference over the
// shorter one.
double difference(const std::vector<float>& a, const std::vector<float>& b)
{
    std::vector<float> d(std::min(a.size(), b.size()));
    for (std::size_t i = 0; i < d.size(); ++i)
        d[i] = a[i] - b[i];
    return rms(d);
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
// not the note it was sounding when it stopped, nor one struck after.
TEST(OnDemandStreamStopped, AfterADeviceStopsTheNextSoundsOnlyWhatIsStruckOnIt)
{
    HandPulledOutput stopping(true);
    stopping.out.playNote(stopping.players[0], 60, 100);
    ASSERT_TRUE(stopping.hand.waitUntil(2, 0, true));
    stopping.pullPeriods(60);
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
    // Only the reverberation of what sounded before is left over, some 55 dB
    // down; a note left sounding, or struck on top, is ten times that.
    const auto split = sound.begin() + 2 * long(stopping.out.latencyFrames());
    EXPECT_LT(rms({sound.begin(), split}), 4e-3) << "the note sounding when the device stopped goes on";
    const auto steadySplit = steady.sound().begin() + 2 * long(stopping.out.latencyFrames());
    EXPECT_LT(difference({split, sound.end()}, {steadySplit, steady.sound().end()}), 4e-3)
        << "more than the note struck sounds";
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
    // 65 was never released: the device sounds it when struck again.
    out.playNote(players[0], 65, 100);
    EXPECT_GT(rms(pullPeriods(40)), 1e-3) << "no sound once the opening answered";
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

// Whatever is queued while the stream thread is busy (here: reporting that
// the device did not open) is looked at once it is done.
TEST(OnDemandStreamWakeUp, WhatIsQueuedWhileTheStreamIsBusyIsLookedAtNext)
{
    using platform::fluidsynth::EventRenderer;
    using platform::fluidsynth::OnDemandStream;
    using platform::fluidsynth::SynthEvent;
    platform::fluidsynth::Synthesizer synth;
    ASSERT_EQ(synth.loadFirstSoundFont({kFluidR3}).loaded, kFluidR3);
    EventRenderer renderer(synth.synth(), synth.sampleRate(), 1024, [] { return 0.0; });
    HandPulledDevice hand(true);
    OnDemandStream* stream = nullptr;
    std::promise<OnDemandStream*> made;
    auto madeStream = made.get_future().share();
    OnDemandStream busy(hand.device(), renderer, synth.sampleRate(), kPeriod, [&](OnDemandStream::Trouble) {
        // On the stream thread, in the midst of its turn.
        madeStream.wait();
        hand.failOpening(false);
        renderer.push({0, SynthEvent::Kind::Note, 0, 60, 100});
        stream->queued();
    });
    stream = &busy;
    made.set_value(stream);
    EXPECT_FALSE(busy.openedAtStart());
    EXPECT_TRUE(hand.waitUntil(2, 0, true)) << "the strike queued meanwhile did not open the device";
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
    for (int wait = 0; wait < 5000 && out.streaming(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
