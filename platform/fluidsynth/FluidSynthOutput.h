#pragma once

#include "platform/core/NoteOutput.h"
#include "platform/fluidsynth/ChannelAssignment.h"
#include "platform/fluidsynth/FluidHandles.h"
#include "platform/fluidsynth/Synthesizer.h"

#include <string>
#include <vector>

namespace platform {

// Sounds the note players through FluidSynth with a General MIDI SoundFont,
// each player on a MIDI channel of its own. Either live, on the first audio
// system that opens, or offline, rendering only when asked to.
//
// Nothing missing on the machine is fatal: without a SoundFont that loads or
// an audio device the output says so in one line on standard error and then
// accepts notes without sounding them.
//
// setInstrument() and playNote() are meant for one thread (the GUI's); they
// may run while FluidSynth's audio thread renders.
class FluidSynthOutput final : public NoteOutput {
public:
    // Selects the offline constructor: no audio device, render() pulls samples.
    struct Offline {};

    // Opens the first of PulseAudio, ALSA and JACK that works.
    FluidSynthOutput();
    explicit FluidSynthOutput(Offline, const std::vector<std::string>& soundFonts = fluidsynth::defaultSoundFonts());
    ~FluidSynthOutput() override;

    FluidSynthOutput(const FluidSynthOutput&) = delete;
    FluidSynthOutput& operator=(const FluidSynthOutput&) = delete;

    // Instrument 1..128 and note and velocity 0..127, else std::invalid_argument.
    void setInstrument(const NotePlayer& player, int instrument) override;
    void playNote(const NotePlayer& player, int note, int velocity) override;

    // Whether notes are heard (or rendered): a SoundFont loaded and, when
    // live, an audio device opened.
    bool audible() const { return problem_.empty(); }
    // The one line written to standard error when not audible, else empty.
    const std::string& problem() const { return problem_; }
    // The SoundFont in use, empty if none could be loaded.
    const std::string& soundFont() const { return soundFont_; }

    double sampleRate() const { return synth_.sampleRate(); }
    // The next frames of output as interleaved stereo; offline outputs only
    // (std::logic_error when an audio device is pulling the output itself).
    std::vector<float> render(int frames);

private:
    FluidSynthOutput(bool live, const std::vector<std::string>& soundFonts);

    fluidsynth::Synthesizer synth_;
    fluidsynth::AudioDriverHandle driver_; // declared after synth_: must go first
    fluidsynth::ChannelAssignment channels_;
    std::string soundFont_;
    std::string problem_;
};

} // namespace platform
