#include "platform/fluidsynth/EventRenderer.h"
#include "platform/fluidsynth/OnDemandStream.h"
#include "platform/fluidsynth/Synthesizer.h"
#include "tests/FluidSynthTesting.h"
#include "tests/HandPulledDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using namespace fluidsynth_testing;
using platform::fluidsynth::EventRenderer;
using platform::fluidsynth::OnDemandStream;
using platform::fluidsynth::SynthEvent;

namespace {

constexpr int kPeriod = 512;

// An on-demand stream made by hand on a hand-pulled device, for what an
// output does not let a test steer: the period, which sets how long a
// device may pull nothing before it counts as stopped, and events queued
// without the stream being told.
class BareStream {
public:
    using Trouble = OnDemandStream::Trouble;

    explicit BareStream(int periodFrames = kPeriod) : period_(periodFrames)
    {
        synth_.loadFirstSoundFont({kFluidR3});
        synth_.pinProgram(0);
    }

    // Makes the stream, which opens the device at once: the hand is set up
    // before. `onTrouble` is called on the stream thread for each report.
    void start(std::function<void(Trouble)> onTrouble = {})
    {
        onTrouble_ = std::move(onTrouble);
        stream.emplace(hand.device(), renderer, synth_.sampleRate(), period_, [this](Trouble trouble) {
            made_.wait(); // a report may come before emplace() has returned
            {
                const std::lock_guard lock(mutex_);
                troubles_.push_back(trouble);
            }
            reported_.notify_all();
            if (onTrouble_)
                onTrouble_(trouble);
        });
        madeSignal_.set_value();
    }

    // Plays on the piano, telling the stream unless `tell` is false.
    void strike(int note, bool tell = true) { play(note, 100, tell); }
    void release(int note) { play(note, 0, true); }

    // Waits up to five seconds for the stream to have reported so often;
    // what it reported.
    std::vector<Trouble> waitForReports(std::size_t count)
    {
        std::unique_lock lock(mutex_);
        reported_.wait_for(lock, std::chrono::seconds(5), [&] { return troubles_.size() >= count; });
        return troubles_;
    }

    // Waits up to five seconds for the stream to have taken whatever was
    // queued.
    bool waitUntilTaken()
    {
        return eventually([this] { return !renderer.pending(); });
    }

    // Pulls `periods` periods of the open device.
    std::vector<float> pull(int periods)
    {
        std::vector<float> sound;
        for (int i = 0; i < periods; ++i)
            hand.pull(kPeriod, sound);
        return sound;
    }

    HandPulledDevice hand;

private:
    void play(int note, int velocity, bool tell)
    {
        if (!programSent_)
            renderer.push({0, SynthEvent::Kind::Program, 0, 0, 0});
        programSent_ = true;
        renderer.push({0, SynthEvent::Kind::Note, 0, note, velocity});
        if (tell)
            stream->queued();
    }

    platform::fluidsynth::Synthesizer synth_;
    int period_;
    std::function<void(Trouble)> onTrouble_;
    std::promise<void> madeSignal_;
    std::shared_future<void> made_ = madeSignal_.get_future().share();
    bool programSent_ = false;
    std::mutex mutex_;
    std::condition_variable reported_;
    std::vector<Trouble> troubles_;

public:
    EventRenderer renderer{synth_.synth(), synth_.sampleRate(), 3 * kPeriod, [] { return 0.0; }};
    std::optional<OnDemandStream> stream; // last: its thread goes first
};

// Whatever is queued while the stream thread is busy (here: reporting that
// the device did not open) is looked at once it is done.
TEST(OnDemandStreamWakeUp, WhatIsQueuedWhileTheStreamIsBusyIsLookedAtNext)
{
    BareStream busy;
    busy.hand.failOpening(true);
    busy.start([&busy](BareStream::Trouble) {
        // On the stream thread, in the midst of its turn.
        busy.hand.failOpening(false);
        busy.strike(60);
    });
    EXPECT_FALSE(busy.stream->openedAtStart());
    EXPECT_TRUE(busy.hand.waitUntil(2, 0, true)) << "the strike queued meanwhile did not open the device";
}

// A device may pull nothing for a while (a busy machine holding its sound
// server back) without having stopped: it is kept, however the stream's
// looks fall, unless that lasts ten periods.
TEST(OnDemandStreamStall, ADeviceThatPausesForLessThanTenPeriodsIsKept)
{
    BareStream paused(8192); // ten periods: 1.86 s
    paused.start();
    ASSERT_TRUE(paused.stream->openedAtStart());
    ASSERT_TRUE(paused.hand.waitUntil(1, 0, true));
    paused.pull(int(0.7 * 44100 / kPeriod)); // past the grace of a device just opened
    std::this_thread::sleep_for(std::chrono::seconds(1));
    paused.pull(1);
    EXPECT_EQ(paused.hand.closings(), 0) << "let go after a pause of a second";
}

// A device that stopped pulling just as it fell silent is closed for the
// silence, but its server may hold on to it all the same (a sink suspended
// then): until it has closed, a strike opens no other, and the strikes lost
// are said once.
TEST(OnDemandStreamStopped, ADeviceThatStoppedAsItFellSilentKeepsTheNextFromOpeningUntilItHasClosed)
{
    using Trouble = BareStream::Trouble;
    BareStream stopping(2048); // a device that pulls nothing for 0.46 s has stopped
    stopping.start();
    ASSERT_TRUE(stopping.stream->openedAtStart());
    stopping.strike(60);
    stopping.pull(20);
    stopping.release(60);
    stopping.hand.holdClosing(true);
    stopping.pull(int(3.5 * 44100 / kPeriod));
    ASSERT_TRUE(stopping.hand.waitUntil(1, 1)) << "not let go after two seconds of silence";
    std::this_thread::sleep_for(std::chrono::milliseconds(600));

    for (const int note : {62, 64})
        stopping.strike(note);
    EXPECT_EQ(stopping.waitForReports(1), std::vector{Trouble::StoppedPulling});
    ASSERT_TRUE(stopping.waitUntilTaken());
    EXPECT_EQ(stopping.hand.opens(), 1) << "a device opened while the stopped one had not closed";
    EXPECT_EQ(stopping.waitForReports(0).size(), 1U) << "said twice";

    stopping.hand.holdClosing(false);
    eventually([&] { return !stopping.stream->streaming(); });
    stopping.strike(67);
    ASSERT_TRUE(stopping.hand.waitUntil(2, 1, true)) << "no device once it has closed";
    EXPECT_GT(rms(stopping.pull(40)), 1e-3);
}

// A device that answers after its opening was reported renders nothing
// while it opens (the stream renders meanwhile), and then only what is
// struck after the answer, even when the answer comes before the stream has
// looked at what was struck.
TEST(OnDemandStreamOpening, ALateDeviceRendersNothingBeforeItAnswersNorWhatWasStruckBefore)
{
    BareStream late;
    late.hand.holdOpening(true);
    late.start();
    ASSERT_FALSE(late.stream->openedAtStart());
    std::vector<float> sound;
    for (int period = 0; period < 10; ++period)
        ASSERT_TRUE(late.hand.pullWhileOpening(kPeriod, sound));
    EXPECT_EQ(late.renderer.renderedFrames(), 0) << "the device rendered before it answered";

    late.strike(60, false);
    late.hand.holdOpening(false);
    ASSERT_TRUE(late.hand.waitUntil(1, 0, true));
    // Pulled until the stream has handed the rendering over, and on.
    for (int wait = 0; wait < 5000 && late.renderer.renderedFrames() == 0; ++wait) {
        late.hand.pull(kPeriod, sound);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_GT(late.renderer.renderedFrames(), 0);
    const std::vector<float> after = late.pull(40);
    sound.insert(sound.end(), after.begin(), after.end());
    EXPECT_LT(rms(sound), 1e-6) << "a strike from before the answer sounds";

    late.strike(64);
    EXPECT_GT(rms(late.pull(40)), 1e-3) << "no sound once the opening answered";
}

} // namespace
