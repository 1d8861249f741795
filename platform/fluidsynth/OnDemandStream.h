#pragma once

#include "platform/fluidsynth/AudioDevice.h"
#include "platform/fluidsynth/DetachedCalls.h"
#include "platform/fluidsynth/EventRenderer.h"
#include "platform/fluidsynth/PullGate.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace platform::fluidsynth {

// Keeps the audio device open only while something sounds, and the program
// free of whatever the device does. A strike opens it; once every voice has
// been silent, with nothing waiting, for a while of rendered frames, it is
// closed again. A thread of the stream's own decides, and sleeps unless the
// device is opening or open; while the device is open it looks about four
// times a second.
//
// Nothing here waits for the sound server. Each opening and closing runs on
// a thread of its own (DetachedCalls), and the music reaches the device
// through a PullGate that is cut the moment the device is let go, so the
// stream goes on at once whether the device closes in a millisecond, a
// second, or never; destroying the stream gives those threads a moment to
// finish and then leaves them.
//
// Events played while the device opens wait in the renderer and keep their
// spacing, as long as the opening takes no longer than a latency; a longer
// one is caught up like a stall once the chord that opened the device has
// sounded. While it is closed nothing renders: a release or a program change,
// which cannot make a sound, takes effect at once and opens nothing.
//
// Trouble is reported once, until the device plays again: a device that does
// not open (its sound server gone) or whose opening has not answered for
// seconds (its server stopped or hung), and one that stopped pulling (its
// server killed, stopped, or hung), which is let go with what waited to
// sound. The next strike tries again. A device that has only just opened is
// given longer: a sound server may hold its first write for a second or two.
class OnDemandStream final : private FrameSource {
public:
    enum class Trouble { DoesNotOpen, StoppedPulling };

    // The device runs at `sampleRate`, pulling `periodFrames` at a time.
    OnDemandStream(std::shared_ptr<AudioDevice> device, EventRenderer& renderer, double sampleRate, int periodFrames,
                   std::function<void(Trouble)> report);
    ~OnDemandStream() override;

    OnDemandStream(const OnDemandStream&) = delete;
    OnDemandStream& operator=(const OnDemandStream&) = delete;

    // The device is tried once at construction, so a machine without sound
    // can say so at start-up. Whether it opened, waiting for the answer no
    // longer than `limit`; no answer counts as trouble reported.
    bool openedWhenTried(std::chrono::milliseconds limit);

    // Something was queued in the renderer.
    void queued();

    // Whether the device is open, opening or closing.
    bool streaming() const;

private:
    enum class State { Closed, Opening, Open };

    // What the stream shares with the threads that open and close its
    // devices, which may outlive it.
    struct Signals {
        std::mutex mutex;
        std::condition_variable changed;
        State state = State::Opening;
        bool ending = false;
        bool queuedWhileClosed = false;
        bool troubleReported = false;
        std::optional<bool> openedWhenTried;
        // The opening under way has answered, with this connection (null
        // when the device did not open).
        bool answered = false;
        std::unique_ptr<AudioConnection> connection;
    };

    void renderFrames(int frames, float* left, float* right) override;

    void run();
    void beginOpening(bool tryOnly);
    void openingAnswered(std::unique_ptr<AudioConnection> connection);
    void watchDevice();
    void letDeviceGo();
    void enter(State state);
    void reportOnce(Trouble trouble);

    const std::shared_ptr<AudioDevice> device_;
    EventRenderer& renderer_;
    const std::int64_t closeAfter_; // frames of silence
    const std::chrono::milliseconds stallLimit_;
    const std::int64_t started_; // frames pulled before a device counts as started
    const std::function<void(Trouble)> report_;
    const std::shared_ptr<Signals> signals_ = std::make_shared<Signals>();
    DetachedCalls calls_;

    // The stream thread's own:
    bool trying_ = true; // the opening under way is the try at construction
    std::shared_ptr<PullGate> gate_;
    std::unique_ptr<AudioConnection> connection_;
    std::int64_t framesAtOpening_ = 0;
    std::int64_t framesSeen_ = 0;
    std::chrono::steady_clock::time_point lastPull_;

    std::thread thread_; // last: starts once the rest is set up
};

} // namespace platform::fluidsynth
