#pragma once

#include "platform/fluidsynth/SynthEvent.h"

#include <array>

namespace platform::fluidsynth {

// Tells a sweep of releases that silences the players (as `stop` sends, key
// by key) from the music's own releases, so the output can silence them at
// once instead of one latency later, after notes that have not sounded yet.
//
// It counts, per channel and key, the strikes not yet released. Music only
// releases keys it struck; a release of a key with none is a sweep, which
// lasts until the next strike. Counting rather than flagging keeps a key
// struck twice and released twice from looking like one.
class SilencingSweep {
public:
    // Whether `event`, about to be played, belongs to a sweep.
    bool sweeps(const SynthEvent& event);

private:
    static constexpr int kChannels = 16;
    static constexpr int kKeys = 128;
    std::array<std::array<int, kKeys>, kChannels> strikesHeld_{};
    bool sweeping_ = false;
};

} // namespace platform::fluidsynth
