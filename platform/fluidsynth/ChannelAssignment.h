#pragma once

#include <vector>

namespace platform {
class NotePlayer;
}

namespace platform::fluidsynth {

// Gives each note player a MIDI channel of its own, in order of first use,
// so players never cut off or re-voice each other's notes. Channel 9 is passed
// over: General MIDI keeps it for drums, whatever program is selected on it.
class ChannelAssignment {
public:
    static constexpr int kMaxPlayers = 15;

    // The player's channel, assigning the next free one on first use; throws
    // std::runtime_error once every melodic channel is taken.
    int channelOf(const NotePlayer& player);
    bool assigned(const NotePlayer& player) const;

private:
    std::vector<const NotePlayer*> players_; // in order of first use
};

} // namespace platform::fluidsynth
