#include "platform/fluidsynth/AudioDevice.h"
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
    // The device to hand to an output.
    std::unique_ptr<AudioDevice> device() { return std::make_unique<Device>(state_); }

    void holdOpening(bool hold) { state_->set(&State::holdOpening, hold); }
    // As when the sound server has gone away since the device last opened.
    void failOpening(bool fail) { state_->set(&State::failOpening, fail); }
    void holdClosing(bool hold) { state_->set(&State::holdClosing, hold); }

    // Pulls a period from the connection opened last, as the device's thread
    // would, at its pace (so the stream gets its turns); false once that
    // connection is closing.
    bool pull(int frames, std::vector<float>& sound)
    {
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        const std::lock_guard lock(state_->mutex);
        if (!state_->source)
            return false;
        std::vector<float> left(static_cast<std::size_t>(frames)), right(static_cast<std::size_t>(frames));
        state_->source->renderFrames(frames, left.data(), right.data());
        for (std::size_t i = 0; i < left.size(); ++i)
            sound.insert(sound.end(), {left[i], right[i]});
        return true;
    }

    // Waits up to five seconds for the device to have been opened and closed
    // so often, and to be pulling if `pulling`; false if it did not.
    bool waitUntil(int opens, int closes, bool pulling = false)
    {
        std::unique_lock lock(state_->mutex);
        return state_->changed.wait_for(lock, std::chrono::seconds(5), [&] {
            return state_->opens >= opens && state_->closes >= closes && (!pulling || state_->source);
        });
    }

    int opens() const { return state_->get(&State::opens); }
    int closes() const { return state_->get(&State::closes); }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        FrameSource* source = nullptr; // the last connection's, until it closes
        const void* lastConnection = nullptr;
        bool holdOpening = false;
        bool holdClosing = false;
        bool failOpening = false;
        int opens = 0;
        int closes = 0;

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
    };

    // Like a real driver, it goes on pulling until it has closed.
    class Connection final : public AudioConnection {
    public:
        Connection(std::shared_ptr<State> state) : state_(std::move(state)) {}
        ~Connection() override
        {
            std::unique_lock lock(state_->mutex);
            ++state_->closes;
            state_->changed.notify_all();
            state_->changed.wait(lock, [this] { return !state_->holdClosing; });
            if (state_->lastConnection == this)
                state_->source = nullptr;
        }

    private:
        std::shared_ptr<State> state_;
    };

    class Device final : public AudioDevice {
    public:
        explicit Device(std::shared_ptr<State> state) : state_(std::move(state)) {}
        std::unique_ptr<AudioConnection> open(FrameSource& source) override
        {
            std::unique_lock lock(state_->mutex);
            ++state_->opens;
            state_->changed.notify_all();
            state_->changed.wait(lock, [this] { return !state_->holdOpening; });
            if (state_->failOpening)
                return nullptr;
            auto connection = std::make_unique<Connection>(state_);
            state_->source = &source;
            state_->lastConnection = connection.get();
            state_->changed.notify_all();
            return connection;
        }

    private:
        std::shared_ptr<State> state_;
    };

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

constexpr int kPeriod = 512;

const std::string kNoAudioLine =
    "velmora20: no audio output could be opened (tried PulseAudio, ALSA); playing silently until one opens\n";
const std::string kStoppedLine = "velmora20: the audio output stopped playing; trying again at the next note\n";

// A FluidSynth output on a hand-pulled device and a clock the test moves,
// tried once at construction as the program does.
class OnDemandStream : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(out.audible());
        ASSERT_TRUE(out.problem().empty());
        // Tried once at construction, to report a machine without sound.
        ASSERT_TRUE(hand.waitUntil(1, 1));
        ASSERT_TRUE(waitUntilClosed());
    }

    // Pulls up to `seconds` of frames while the device is open, the clock
    // keeping pace with them.
    void pullWhileOpen(double seconds, std::vector<float>& sound)
    {
        for (long frames = 0; frames < seconds * 44100 && hand.pull(kPeriod, sound); frames += kPeriod)
            now += kPeriod / out.sampleRate() * 1e6;
    }

    // The sound of the next `periods` periods pulled, the clock keeping pace.
    std::vector<float> pullPeriods(int periods)
    {
        std::vector<float> sound;
        for (int i = 0; i < periods; ++i) {
            hand.pull(kPeriod, sound);
            now += kPeriod / out.sampleRate() * 1e6;
        }
        return sound;
    }

    // Strikes `note`: it must open the device, to have been opened and
    // closed so often, and be heard there.
    void expectStrikeHeard(int note, int opens, int closes, const char* failure)
    {
        out.playNote(players[0], note, 100);
        ASSERT_TRUE(hand.waitUntil(opens, closes, true)) << failure;
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
    FluidSynthOutput out{hand.device(), [this] { return now; }, {kFluidR3}};
    Players players;
};

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
    EXPECT_EQ(hand.closes(), 1) << "closed before two seconds of frames";
    pullWhileOpen(3, sound);
    ASSERT_TRUE(hand.waitUntil(2, 2)) << "still open after 5 s of frames";
    EXPECT_TRUE(waitUntilClosed());

    expectStrikeHeard(64, 3, 2, "no sound after opening again");
}

// A device still pulls while it closes, and may take its time: a strike
// played then must neither sound there, to be cut off, nor wait for it.
TEST_F(OnDemandStream, AStrikeWhileTheDeviceClosesOpensItAgainAtOnce)
{
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1, true));
    out.playNote(players[0], 60, 0);
    hand.holdClosing(true);
    std::vector<float> sound;
    for (long frames = 0; frames < 10 * 44100 && hand.closes() < 2; frames += kPeriod) {
        hand.pull(kPeriod, sound);
        now += kPeriod / out.sampleRate() * 1e6;
    }
    ASSERT_TRUE(hand.waitUntil(2, 2)) << "not closing after 10 s of frames";
    EXPECT_LT(rms(pullPeriods(5)), 1e-5) << "the closing device pulls music";

    expectStrikeHeard(64, 3, 2, "the strike waited for the closing device, or was lost");
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

TEST_F(OnDemandStream, NotesPlayedWhileTheDeviceOpensKeepTheirSpacing)
{
    hand.holdOpening(true);
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1));
    now += 133000;
    out.playNote(players[0], 67, 100);
    hand.holdOpening(false);
    ASSERT_TRUE(hand.waitUntil(2, 1, true));

    // Both notes sound as they would had the device been open all along.
    PulledOutput steady(kPeriod);
    steady.strike(0, 60);
    steady.strike(133000, 67);
    steady.advanceTo(1e6);
    std::vector<float> sound;
    while (sound.size() < steady.sound().size() && hand.pull(kPeriod, sound)) {
    }
    ASSERT_EQ(sound.size(), steady.sound().size());
    EXPECT_EQ(firstDifference(sound, steady.sound()), -1);
}

// A sound server killed, stopped or hung leaves its device pulling nothing:
// the stream lets it go, says so once, and the next strike opens anew.
TEST_F(OnDemandStream, ADeviceThatStopsPullingIsLetGoReportedOnceAndOpenedAgain)
{
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1, true));
    EXPECT_GT(rms(pullPeriods(60)), 1e-3);

    testing::internal::CaptureStderr();
    ASSERT_TRUE(hand.waitUntil(2, 2)) << "a device that pulls nothing is kept";
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
    EXPECT_EQ(hand.closes(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// A sound server waking up, or one that was stopped, may take its time to
// open the device: the chord that opened it is heard all the same, at once.
TEST_F(OnDemandStream, TheChordThatOpensASlowDeviceIsHeard)
{
    for (const double opening : {0.3e6, 1e6}) {
        hand.holdOpening(true);
        out.playNote(players[0], 60, 100);
        out.playNote(players[0], 64, 100);
        ASSERT_TRUE(hand.waitUntil(hand.opens() + 1, hand.closes()));
        now += opening;
        hand.holdOpening(false);
        ASSERT_TRUE(hand.waitUntil(hand.opens(), hand.closes(), true));
        EXPECT_GT(rms(pullPeriods(4)), 1e-3) << "the chord of an opening of " << opening / 1e6 << " s was lost";
        out.playNote(players[0], 60, 0);
        out.playNote(players[0], 64, 0);
        std::vector<float> sound;
        pullWhileOpen(5, sound);
        ASSERT_TRUE(waitUntilClosed());
    }
}

// A stopped sound server holds an opening until it is continued: said once.
TEST_F(OnDemandStream, AnOpeningThatDoesNotAnswerIsReportedOnceAndWaitedFor)
{
    hand.holdOpening(true);
    testing::internal::CaptureStderr();
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(4000));
    out.playNote(players[0], 62, 100);
    hand.holdOpening(false);
    expectStrikeHeard(64, 2, 1, "no sound once the opening answered");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kNoAudioLine);
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
TEST_F(OnDemandStream, ADeviceThatDoesNotAnswerDoesNotHoldUpTheOutputsEnd)
{
    for (const bool opening : {true, false}) {
        HandPulledDevice stuck;
        auto output = std::make_unique<FluidSynthOutput>(stuck.device(), [this] { return now; },
                                                         std::vector<std::string>{kFluidR3});
        ASSERT_TRUE(stuck.waitUntil(1, 1));
        stuck.holdOpening(opening);
        stuck.holdClosing(!opening);
        output->playNote(players[0], 60, 100);
        ASSERT_TRUE(stuck.waitUntil(2, 1, !opening));
        if (!opening)
            output->playNote(players[0], 60, 0);

        auto ended = std::async(std::launch::async, [&output] { output.reset(); });
        EXPECT_EQ(ended.wait_for(std::chrono::seconds(3)), std::future_status::ready)
            << (opening ? "waited for an opening" : "waited for a closing");
        stuck.holdOpening(false);
        stuck.holdClosing(false);
        ended.wait();
    }
}

// A sound server that starts after the program is used at the first note.
TEST(OnDemandStreamAtStartUp, ADeviceThatFailedWhenTriedSoundsOnceItOpens)
{
    HandPulledDevice hand;
    hand.failOpening(true);
    double now = 0;
    testing::internal::CaptureStderr();
    FluidSynthOutput out{hand.device(), [&now] { return now; }, {kFluidR3}};
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kNoAudioLine);
    EXPECT_EQ(out.problem() + "\n", kNoAudioLine);

    hand.failOpening(false);
    Players players;
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(hand.waitUntil(2, 0, true));
    std::vector<float> sound;
    for (int period = 0; period < 40; ++period)
        hand.pull(kPeriod, sound);
    EXPECT_GT(rms(sound), 1e-3);
}

} // namespace
