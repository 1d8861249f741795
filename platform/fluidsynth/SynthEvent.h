#pragma once

#include <fluidsynth.h>

namespace platform::fluidsynth {

// One change to the synthesizer, stamped with the clock when it was asked
// for, waiting to take effect at the matching frame of the sound.
struct SynthEvent {
    enum class Kind { Note, Program };

    double stamp = 0; // microseconds
    Kind kind = Kind::Note;
    int channel = 0;
    int number = 0;   // the key, or the program counted from 0
    int velocity = 0; // 0 releases the key

    bool strikes() const { return kind == Kind::Note && velocity > 0; }
    void applyTo(fluid_synth_t* synth) const;
};

} // namespace platform::fluidsynth
