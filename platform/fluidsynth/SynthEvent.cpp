#include "platform/fluidsynth/SynthEvent.h"

namespace platform::fluidsynth {

void SynthEvent::applyTo(fluid_synth_t* synth) const
{
    if (kind == Kind::Program)
        fluid_synth_program_change(synth, channel, number);
    else if (velocity > 0)
        fluid_synth_noteon(synth, channel, number, velocity);
    else
        // FluidSynth's note-off releases every voice of the key on the channel,
        // however often it was struck, as a MIDI note-off should.
        fluid_synth_noteoff(synth, channel, number);
}

} // namespace platform::fluidsynth
