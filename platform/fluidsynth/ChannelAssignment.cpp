#include "platform/fluidsynth/ChannelAssignment.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace platform::fluidsynth {

namespace {

constexpr int kDrumChannel = 9;

int channelAt(std::size_t index)
{
    const int channel = static_cast<int>(index);
    return channel < kDrumChannel ? channel : channel + 1;
}

} // namespace

int ChannelAssignment::channelOf(const NotePlayer& player)
{
    const auto known = std::find(players_.begin(), players_.end(), &player);
    if (known != players_.end())
        return channelAt(static_cast<std::size_t>(known - players_.begin()));
    if (players_.size() == kMaxPlayers)
        throw std::runtime_error("FluidSynth output: more than " + std::to_string(kMaxPlayers) +
                                 " note players; General MIDI has only that many melodic channels");
    players_.push_back(&player);
    return channelAt(players_.size() - 1);
}

bool ChannelAssignment::assigned(const NotePlayer& player) const
{
    return std::find(players_.begin(), players_.end(), &player) != players_.end();
}

} // namespace platform::fluidsynth
