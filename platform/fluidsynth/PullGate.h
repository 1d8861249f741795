#pragma once

#include "platform/fluidsynth/AudioDevice.h"

#include <atomic>
#include <cstdint>

namespace platform::fluidsynth {

// Stands between one opening of an audio device and the music it pulls, so
// the music can be taken from the device at once, whatever the device is
// doing: cut() returns as soon as a pull in progress has finished, and the
// device pulls silence from then on, however long it takes to close. The
// device's thread never waits here.
//
// It also counts the frames pulled, so whoever watches the device can tell
// one that stopped pulling.
class PullGate final : public FrameSource {
public:
    // With no source, the gate is cut from the start.
    explicit PullGate(FrameSource* source);

    void renderFrames(int frames, float* left, float* right) override;

    void cut();
    std::int64_t framesPulled() const { return framesPulled_.load(std::memory_order_relaxed); }

private:
    std::atomic<FrameSource*> source_;
    std::atomic<int> pullsInProgress_ = 0;
    std::atomic<std::int64_t> framesPulled_ = 0;
};

} // namespace platform::fluidsynth
