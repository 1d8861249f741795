#pragma once

#include "platform/fluidsynth/AudioDevice.h"
#include "platform/fluidsynth/EventRenderer.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace platform::fluidsynth {

// Keeps the audio device open only while something sounds. A strike opens
// it, on a thread of this stream's own, so the player never waits for the
// sound server; events played meanwhile wait in the renderer and keep their
// spacing. Once every voice has been silent, with nothing waiting, for a
// while of rendered frames, the same thread closes the device again.
//
// While closed, nothing renders: a release or a program change, which
// cannot make a sound, goes to the synthesizer at once and opens nothing.
// The thread sleeps unless there is something to open or close.
//
// A device that fails to open (its sound server gone since it last opened)
// drops what waited to sound; the next strike tries again. The first
// failure after an open that worked is reported, on the stream's thread.
class OnDemandStream final : private FrameSource {
public:
    OnDemandStream(AudioDevice& device, EventRenderer& renderer, std::int64_t closeAfterSilentFrames,
                   std::function<void()> reportOpenFailed);
    ~OnDemandStream() override;

    OnDemandStream(const OnDemandStream&) = delete;
    OnDemandStream& operator=(const OnDemandStream&) = delete;

    void play(const SynthEvent& event);

    // Whether the device is open (or opening, or closing).
    bool streaming() const;

private:
    enum class State { Closed, Opening, Open, Closing };

    void renderFrames(int frames, float* left, float* right) override;
    bool shouldClose() const;
    void run();

    AudioDevice& device_;
    EventRenderer& renderer_;
    const std::int64_t closeAfter_;
    const std::function<void()> reportOpenFailed_;
    bool failing_ = false; // the stream thread's only: the last open failed, and was reported
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    State state_ = State::Closed;
    // Whether the device's pulls render: cleared as soon as closing begins,
    // so a strike played while the device closes waits for it to open again
    // instead of sounding for a period and being cut off.
    std::atomic<bool> rendering_ = false;
    bool ending_ = false;
    std::thread thread_; // last: starts once the rest is set up
};

} // namespace platform::fluidsynth
