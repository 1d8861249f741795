#include "platform/fluidsynth/AudioDevice.h"
#include "tests/FluidSynthTesting.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace fluidsynth_testing;
using platform::FluidSynthOutput;

namespace {

// A device the test pulls by hand, whose opening and closing the test can
// hold back.
class HandPulledDevice final : public platform::fluidsynth::AudioDevice {
public:
    bool open(platform::fluidsynth::FrameSource& source) override
    {
        std::unique_lock lock(mutex_);
        ++opens_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holdOpening_; });
        if (failOpening_)
            return false;
        source_ = &source;
        changed_.notify_all();
        return true;
    }

    // Like a real driver, it goes on pulling until it has stopped.
    void close() override
    {
        std::unique_lock lock(mutex_);
        ++closes_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holdClosing_; });
        source_ = nullptr;
    }

    void holdOpening(bool hold)
    {
        const std::lock_guard lock(mutex_);
        holdOpening_ = hold;
        changed_.notify_all();
    }

    // As when the sound server has gone away since the device last opened.
    void failOpening(bool fail)
    {
        const std::lock_guard lock(mutex_);
        failOpening_ = fail;
    }

    void holdClosing(bool hold)
    {
        const std::lock_guard lock(mutex_);
        holdClosing_ = hold;
        changed_.notify_all();
    }

    // Pulls a period, as the device's thread would, at its pace (so closing
    // gets its turn); false while closed.
    bool pull(int frames, std::vector<float>& sound)
    {
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        const std::lock_guard lock(mutex_);
        if (!source_)
            return false;
        std::vector<float> left(static_cast<std::size_t>(frames)), right(static_cast<std::size_t>(frames));
        source_->renderFrames(frames, left.data(), right.data());
        for (std::size_t i = 0; i < left.size(); ++i)
            sound.insert(sound.end(), {left[i], right[i]});
        return true;
    }

    // Waits up to five seconds for the device to have been opened and closed
    // so often, and to be pulling if `pulling`; false if it did not.
    bool waitUntil(int opens, int closes, bool pulling = false)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [&] {
            return opens_ >= opens && closes_ >= closes && (!pulling || source_);
        });
    }

    int opens() const
    {
        const std::lock_guard lock(mutex_);
        return opens_;
    }

    int closes() const
    {
        const std::lock_guard lock(mutex_);
        return closes_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    platform::fluidsynth::FrameSource* source_ = nullptr;
    bool holdOpening_ = false;
    bool holdClosing_ = false;
    bool failOpening_ = false;
    int opens_ = 0;
    int closes_ = 0;
};

constexpr int kPeriod = 512;

// A FluidSynth output on a hand-pulled device and a clock the test moves,
// tried once at construction as the program does, and closed again.
class OnDemandStream : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(out.audible());
        // Tried once at construction, to report a machine without sound.
        ASSERT_TRUE(device.waitUntil(1, 1));
        ASSERT_FALSE(out.streaming());
    }

    // Pulls up to `seconds` of frames while the device is open, the clock
    // keeping pace with them.
    void pullWhileOpen(double seconds, std::vector<float>& sound)
    {
        for (long frames = 0; frames < seconds * 44100 && device.pull(kPeriod, sound); frames += kPeriod)
            now += kPeriod / out.sampleRate() * 1e6;
    }

    // The sound of the next `periods` periods pulled, the clock standing.
    std::vector<float> pullPeriods(int periods)
    {
        std::vector<float> sound;
        for (int i = 0; i < periods; ++i)
            device.pull(kPeriod, sound);
        return sound;
    }

    // Waits up to five seconds for the stream to have given up the device.
    bool waitUntilClosed()
    {
        for (int wait = 0; wait < 5000 && out.streaming(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return !out.streaming();
    }

    double now = 0;
    std::unique_ptr<HandPulledDevice> handedOver = std::make_unique<HandPulledDevice>();
    HandPulledDevice& device = *handedOver;
    FluidSynthOutput out{std::move(handedOver), [this] { return now; }, {kFluidR3}};
    Players players;
};

TEST_F(OnDemandStream, ClosesAfterTwoSecondsOfSilenceAndOpensAgainOnTheNextStrike)
{
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(device.waitUntil(2, 1, true));
    EXPECT_GT(rms(pullPeriods(40)), 1e-3);
    out.playNote(players[0], 60, 0);

    // The release and its tail take a second or so; then two silent seconds.
    // The frames are pulled in two lots, and closing waited for after each,
    // so the stream thread's reaction time does not count.
    std::vector<float> sound;
    pullWhileOpen(2, sound);
    EXPECT_EQ(device.closes(), 1) << "closed before two seconds of frames";
    pullWhileOpen(3, sound);
    ASSERT_TRUE(device.waitUntil(2, 2)) << "still open after 5 s of frames";
    EXPECT_TRUE(waitUntilClosed());

    out.playNote(players[0], 64, 100);
    ASSERT_TRUE(device.waitUntil(3, 2, true));
    EXPECT_GT(rms(pullPeriods(40)), 1e-3) << "no sound after opening again";
}

// A device still pulls while it closes: a strike played then must not sound
// there, to be cut off, but wait for the device to open again.
TEST_F(OnDemandStream, AStrikeWhileTheDeviceClosesWaitsForItToOpenAgain)
{
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(device.waitUntil(2, 1, true));
    out.playNote(players[0], 60, 0);
    device.holdClosing(true);
    std::vector<float> sound;
    for (long frames = 0; frames < 10 * 44100 && device.closes() < 2; frames += kPeriod) {
        device.pull(kPeriod, sound);
        now += kPeriod / out.sampleRate() * 1e6;
    }
    ASSERT_TRUE(device.waitUntil(2, 2)) << "not closing after 10 s of frames";

    out.playNote(players[0], 64, 100);
    EXPECT_LT(rms(pullPeriods(20)), 1e-5) << "sounded while the device closed";
    device.holdClosing(false);
    ASSERT_TRUE(device.waitUntil(3, 2, true)) << "the strike did not open the device again";
    EXPECT_GT(rms(pullPeriods(40)), 1e-3) << "the strike was lost";
}

TEST_F(OnDemandStream, NothingButAStrikeOpensTheDevice)
{
    out.setInstrument(players[0], 17);
    out.playNote(players[0], 60, 0);
    for (int note = 1; note < 128; ++note)
        out.playNote(players[1], note, 0);
    EXPECT_FALSE(out.streaming());
    EXPECT_EQ(device.opens(), 1);
}

TEST_F(OnDemandStream, ADeviceThatNoLongerOpensIsReportedOnceAndTriedAgain)
{
    device.failOpening(true);
    testing::internal::CaptureStderr();
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(device.waitUntil(2, 1));
    ASSERT_TRUE(waitUntilClosed());
    out.playNote(players[0], 64, 100);
    ASSERT_TRUE(device.waitUntil(3, 1));
    ASSERT_TRUE(waitUntilClosed());
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reported, "velmora20: no audio output could be opened (tried PulseAudio, ALSA, JACK); playing silently\n");
    EXPECT_FALSE(out.streaming());

    device.failOpening(false);
    out.playNote(players[0], 67, 100);
    ASSERT_TRUE(device.waitUntil(4, 1, true));
    EXPECT_GT(rms(pullPeriods(40)), 1e-3) << "no sound once the device opens again";
}

TEST_F(OnDemandStream, NotesPlayedWhileTheDeviceOpensKeepTheirSpacing)
{
    device.holdOpening(true);
    out.playNote(players[0], 60, 100);
    ASSERT_TRUE(device.waitUntil(2, 1));
    now += 133000;
    out.playNote(players[0], 67, 100);
    device.holdOpening(false);
    ASSERT_TRUE(device.waitUntil(2, 1, true));

    // Both notes sound as they would had the device been open all along.
    PulledOutput steady(kPeriod);
    steady.strike(0, 60);
    steady.strike(133000, 67);
    steady.advanceTo(1e6);
    std::vector<float> sound;
    while (sound.size() < steady.sound().size() && device.pull(kPeriod, sound)) {
    }
    ASSERT_EQ(sound.size(), steady.sound().size());
    EXPECT_EQ(firstDifference(sound, steady.sound()), -1);
}

} // namespace
