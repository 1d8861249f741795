#pragma once

#include "platform/fluidsynth/AudioDevice.h"
#include "platform/fluidsynth/DetachedCalls.h"
#include "platform/fluidsynth/DeviceSession.h"
#include "platform/fluidsynth/EventRenderer.h"

#include <atomic>
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
// free of whatever the device does. The device opens at construction, so a
// machine without sound says so at once and a performance started right
// away finds it open; after that a strike opens it. Once every voice has
// been silent, with nothing waiting, for a while of rendered frames, it is
// closed again. A thread of the stream's own decides; it sleeps unless the
// device is opening or open, and looks at an open one about four times a
// second.
//
// Each opening is a DeviceSession, opened and closed on threads of their own,
// so the stream goes on at once whether the device answers in a millisecond,
// a second, or never. The rendering is the device's while the session's gate
// is connected, and the stream thread's otherwise.
//
// Events played while the device opens wait and keep their spacing. An
// opening that has not answered within a grace is reported, and what waits
// is dropped but for what silences the players, as it would come too late;
// such a device plays from the next strike on.
//
// A device that stopped pulling (its server killed, stopped, hung, or its
// sink suspended) is let go with the strikes that waited and with what the
// synthesizer still sounded, so nothing played before it sounds on the next.
// A device that has only just opened is given longer: a sound server may
// hold its first write for a second or two. However a device was let go (as
// stopped, or for silence just as it stopped), while it pulls nothing and
// has not closed no other opens, so a server that holds on to its streams
// never holds more than one of ours it did not give back; one that still
// pulls as it closes holds up nothing.
//
// Trouble is reported once, until the device plays again, and only when
// the listener missed something: a device that does not open (or does not
// answer), and one that stopped pulling while it sounded or had notes to
// sound, or while a strike waited for it to go.
class OnDemandStream final : private FrameSource {
public:
    enum class Trouble { DoesNotOpen, StoppedPulling };

    // The device runs at `sampleRate`, pulling `periodFrames` at a time.
    OnDemandStream(std::shared_ptr<AudioDevice> device, EventRenderer& renderer, double sampleRate, int periodFrames,
                   std::function<void(Trouble)> report);
    ~OnDemandStream() override;

    OnDemandStream(const OnDemandStream&) = delete;
    OnDemandStream& operator=(const OnDemandStream&) = delete;

    // Waits until the opening at construction has answered or been reported
    // as not answering; whether the device opened.
    bool openedAtStart();

    // Something was queued in the renderer.
    void queued();

    // Whether a device is open, opening or closing.
    bool streaming() const;

private:
    enum class State { Closed, Opening, Open };

    // What the stream thread waits for, shared with the openings, which may
    // outlive the stream.
    struct Signals {
        std::mutex mutex;
        std::condition_variable changed;
        bool queued = false;
        bool ending = false;
        std::optional<bool> openedAtStart;
    };

    void renderFrames(int frames, float* left, float* right) override;

    void run();
    void lookAtTheQueue();
    void watchTheOpening();
    void watchTheDevice();
    void open();
    void close(std::optional<Trouble> trouble);
    // Whether `session`'s device has pulled nothing for as long as a device
    // that stopped.
    bool hasStopped(const DeviceSession& session) const;
    void decideStart(bool opened);
    void report(Trouble trouble);

    const std::shared_ptr<AudioDevice> device_;
    EventRenderer& renderer_;
    const std::int64_t closeAfter_; // frames of silence
    const std::chrono::milliseconds stallLimit_;
    const std::int64_t started_; // frames a device pulls before it counts as started
    const std::function<void(Trouble)> report_;
    const std::shared_ptr<Signals> signals_ = std::make_shared<Signals>();
    DetachedCalls calls_;
    std::atomic<State> state_ = State::Closed;

    // The stream thread's own:
    std::shared_ptr<DeviceSession> session_;
    // The device let go last, until it has closed: while it pulls nothing,
    // no other opens.
    std::shared_ptr<DeviceSession> lastLetGo_;
    std::chrono::steady_clock::time_point openingSince_;
    bool overdue_ = false; // the opening did not answer within the grace
    std::chrono::steady_clock::time_point openedAt_;
    std::int64_t framesSeen_ = 0;
    bool troubleReported_ = false;

    std::thread thread_; // last: starts once the rest is set up
};

} // namespace platform::fluidsynth
