#pragma once

#include "platform/fluidsynth/FluidHandles.h"

#include <bitset>
#include <string>
#include <vector>

namespace platform::fluidsynth {

// The General MIDI SoundFonts to try, best first: FluidSynth's own default
// (a distribution points it at its preferred GM SoundFont), then the places
// Debian's SoundFont packages install to.
std::vector<std::string> defaultSoundFonts();

// What a search for a SoundFont found.
struct SoundFontSearch {
    std::string loaded;                  // the candidate loaded, empty if none
    std::vector<std::string> unreadable; // SoundFont files that would not load (damaged, truncated), each once
};

// One FluidSynth synthesizer with the settings it was made from, tuned for a
// small piano piece: periods long enough for a busy machine, instruments
// loaded only when selected and a gain that leaves headroom for full chords.
//
// No channel has an instrument until one is selected: a SoundFont loaded the
// usual way gives every channel its General MIDI default, which loads the
// piano's samples and the drum kit's, though nothing plays drums here.
class Synthesizer {
public:
    Synthesizer();

    // Loads the first candidate that exists and loads, passing over those that
    // fail; each file is tried once, however many candidates lead to it.
    // Without one loaded the synthesizer renders silence.
    SoundFontSearch loadFirstSoundFont(const std::vector<std::string>& candidates);

    // Loads the samples of General MIDI program `program` (counted from 0)
    // of the SoundFont loaded and keeps them, so selecting it later reads no
    // file; false without a SoundFont or such a program. Once it is loaded,
    // it touches the synthesizer no more, so it never holds up a rendering.
    bool pinProgram(int program);

    double sampleRate() const;
    // Frames an audio device renders at a time.
    int periodFrames() const;
    // Periods an ALSA device buffers.
    int periods() const;

    fluid_synth_t* synth() const { return synth_.get(); }

private:
    SettingsHandle settings_;
    SynthHandle synth_;
    int soundFontId_ = FLUID_FAILED;
    std::bitset<128> pinned_;
};

} // namespace platform::fluidsynth
