#pragma once

#include "platform/fluidsynth/AudioDevice.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace platform::fluidsynth {

// Stands between one opening of an audio device and the music it pulls: the
// one place where the music's rendering changes hands between the device's
// thread and whoever renders while the device does not. connect() gives it
// to the device; cut() takes it back as soon as a pull in progress has
// finished, whatever the device is doing, and the device pulls silence from
// then on, however long it takes to close. The device's thread never waits
// here.
//
// It also counts the frames pulled, and notes when the last pull began,
// cut or not, so whoever watches the device can tell one that stopped
// pulling.
class PullGate final : public FrameSource {
public:
    using Clock = std::chrono::steady_clock;

    void renderFrames(int frames, float* left, float* right) override;

    void connect(FrameSource& source);
    void cut();
    std::int64_t framesPulled() const { return framesPulled_.load(std::memory_order_relaxed); }
    // The clock's epoch before the first pull.
    Clock::time_point lastPull() const
    {
        return Clock::time_point(Clock::duration(lastPull_.load(std::memory_order_relaxed)));
    }

private:
    std::atomic<FrameSource*> source_ = nullptr;
    std::atomic<int> pullsInProgress_ = 0;
    std::atomic<std::int64_t> framesPulled_ = 0;
    std::atomic<Clock::rep> lastPull_ = 0;
};

} // namespace platform::fluidsynth
