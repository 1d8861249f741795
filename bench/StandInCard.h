#pragma once

#include "bench/PrivatePulse.h"

#include <optional>
#include <string>

namespace bench {

// A sound card behind ALSA's `default`, as on a desktop that routes
// `default` to the sound server only while one runs (the distribution's
// ALSA hook that loads the PulseAudio plugin when a server answers). The
// card is a second PulseAudio server of its own, with a null sink of its
// own, so it takes sound at its rate as a card does. ALSA decides what
// `default` is when a process first opens a device and keeps that for the
// process's life: a program whose first ALSA device is opened while the
// bench's server is down gets the card, and keeps it after the server is
// back.
//
// It goes into the environment (XDG_CONFIG_HOME, where ALSA reads a user's
// configuration) for the programs started while it lives. Made before the
// stage's server, which then names the sound server in the environment.
class StandInCard {
public:
    StandInCard();
    ~StandInCard();
    StandInCard(const StandInCard&) = delete;
    StandInCard& operator=(const StandInCard&) = delete;

    const PrivatePulseServer& server() const { return server_; }

private:
    PrivatePulseServer server_;
    std::optional<std::string> configHome_; // as it was before
};

} // namespace bench
