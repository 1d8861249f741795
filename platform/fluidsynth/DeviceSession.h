#pragma once

#include "platform/fluidsynth/AudioDevice.h"
#include "platform/fluidsynth/DetachedCalls.h"
#include "platform/fluidsynth/PullGate.h"

#include <functional>
#include <memory>
#include <mutex>

namespace platform::fluidsynth {

// One opening of the audio device, from the moment it is asked for until the
// device has closed again. Opening and closing may block for as long as a
// sound server does not answer, so each runs on a detached thread that holds
// the session, and the session may outlive whoever asked for it. The music
// reaches the device only through the session's gate.
class DeviceSession final : public std::enable_shared_from_this<DeviceSession> {
public:
    // `onAnswer` is called on the opening's thread once the device has
    // answered, opened or not; it must not call back into the session.
    explicit DeviceSession(std::function<void()> onAnswer);

    // Opens `device` on a thread of `calls`, pulling through the gate.
    void open(DetachedCalls& calls, std::shared_ptr<AudioDevice> device);
    // Cuts the gate and closes the device on a thread of `calls` (or, still
    // opening, as soon as it answers): nothing of the music is pulled once
    // this returns.
    void letGo(DetachedCalls& calls);

    PullGate& gate() { return gate_; }
    const PullGate& gate() const { return gate_; }
    bool answered() const;
    // Answered with a device that plays.
    bool opened() const;
    // Its device never opened, or has closed since it was let go.
    bool closed() const;

private:
    void answer(std::unique_ptr<AudioConnection> connection);
    void close();

    PullGate gate_;
    const std::function<void()> onAnswer_;
    mutable std::mutex mutex_;
    bool answered_ = false;
    bool letGo_ = false;
    bool closed_ = false;
    std::unique_ptr<AudioConnection> connection_; // after the gate, so it goes first
};

} // namespace platform::fluidsynth
