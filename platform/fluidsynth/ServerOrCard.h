#pragma once

#include "platform/fluidsynth/AudioDevice.h"

#include <atomic>
#include <memory>

namespace platform::fluidsynth {

// Plays through the sound server, or straight to the sound card on a machine
// where no server has answered since the program started. Once the server
// has answered, an opening it fails is failed: the next one tries the server
// again. Taking the card instead would keep it from the server when the
// server comes back (a desktop's server restarting after a crash), and
// leave the program playing where the desktop does not listen.
class ServerOrCard final : public AudioDevice {
public:
    ServerOrCard(std::unique_ptr<AudioDevice> server, std::unique_ptr<AudioDevice> card);

    std::unique_ptr<AudioConnection> open(FrameSource& source) override;
    // The card's only until the server has answered.
    std::string systemNames() const override;

private:
    const std::unique_ptr<AudioDevice> server_;
    const std::unique_ptr<AudioDevice> card_;
    std::atomic<bool> serverAnswered_ = false; // openings may run side by side
};

} // namespace platform::fluidsynth
