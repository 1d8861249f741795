#include "platform/fluidsynth/SilencingSweep.h"

namespace platform::fluidsynth {

bool SilencingSweep::sweeps(const SynthEvent& event)
{
    if (event.kind != SynthEvent::Kind::Note)
        return sweeping_;
    int& held = strikesHeld_.at(static_cast<std::size_t>(event.channel)).at(static_cast<std::size_t>(event.number));
    if (event.strikes()) {
        ++held;
        sweeping_ = false;
    } else if (held == 0) {
        sweeping_ = true;
    } else {
        --held;
    }
    return sweeping_;
}

} // namespace platform::fluidsynth
