#pragma once

#include "platform/core/NoteOutput.h"
#include "platform/fluidsynth/AudioDevice.h"
#include "platform/fluidsynth/ChannelAssignment.h"
#include "platform/fluidsynth/EventRenderer.h"
#include "platform/fluidsynth/OnDemandStream.h"
#include "platform/fluidsynth/SilencingSweep.h"
#include "platform/fluidsynth/Synthesizer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Sounds the note players through FluidSynth with a General MIDI SoundFont,
// each player on a MIDI channel of its own. Either live, on an audio device
// that is open only while something sounds, or offline, rendering only when
// asked to.
//
// Every note is stamped with the clock when it is played and heard one
// constant latency later, so the notes keep the spacing they were played
// with, however the device's periods fall. A sweep of releases that
// silences the players is heard at once instead, and drops the notes that
// have not sounded yet.
//
// Nothing missing on the machine is fatal: without a SoundFont that loads or
// an audio device the output says so in one line on standard error and then
// accepts notes without sounding them; a device that does not open at first
// is tried again at the next note.
//
// setInstrument() and playNote() are meant for one thread (the GUI's); the
// device renders on a thread of its own meanwhile.
class FluidSynthOutput final : public NoteOutput {
public:
    // Microseconds on a monotonic clock.
    using Clock = std::function<double()>;
    // Selects the offline constructor: no audio device, render() pulls samples.
    struct Offline {};

    // Plays through PulseAudio, or through ALSA on a machine where
    // PulseAudio has not answered since the output was made.
    explicit FluidSynthOutput(Clock clock);
    // Plays through `device`.
    FluidSynthOutput(std::unique_ptr<fluidsynth::AudioDevice> device, Clock clock,
                     const std::vector<std::string>& soundFonts = fluidsynth::defaultSoundFonts());
    // Without a clock, a note is stamped with the time rendered so far.
    explicit FluidSynthOutput(Offline, const std::vector<std::string>& soundFonts = fluidsynth::defaultSoundFonts(),
                              Clock clock = {});
    ~FluidSynthOutput() override;

    // Puts in the environment what the audio drivers read from it; for the
    // program to call before it starts any thread.
    static void prepareEnvironment();

    FluidSynthOutput(const FluidSynthOutput&) = delete;
    FluidSynthOutput& operator=(const FluidSynthOutput&) = delete;

    // Instrument 1..128 and note and velocity 0..127, else std::invalid_argument.
    void setInstrument(const NotePlayer& player, int instrument) override;
    void playNote(const NotePlayer& player, int note, int velocity) override;

    // Whether notes can be heard (or rendered): a SoundFont loaded.
    bool audible() const { return !soundFont_.empty(); }
    // The one line written to standard error at construction, if any: no
    // SoundFont, or, when live, no audio device that opened at start-up.
    const std::string& problem() const { return problem_; }
    // The SoundFont in use, empty if none could be loaded.
    const std::string& soundFont() const { return soundFont_; }
    // Whether a device is open now (or opening, or closing); offline never.
    bool streaming() const { return stream_ && stream_->streaming(); }

    double sampleRate() const { return synth_.sampleRate(); }
    // How long after its stamp a note takes effect in the rendered sound.
    double latencyFrames() const;
    // The next frames of output as interleaved stereo; offline outputs only
    // (std::logic_error when an audio device is pulling the output itself).
    std::vector<float> render(int frames);

private:
    FluidSynthOutput(std::unique_ptr<fluidsynth::AudioDevice> device, Clock clock,
                     const std::vector<std::string>& soundFonts, bool live);
    // A channel that plays a note before it has an instrument gets the piano.
    void selectProgram(double stamp, int channel, int program);
    void play(const fluidsynth::SynthEvent& event);

    fluidsynth::Synthesizer synth_;
    fluidsynth::ChannelAssignment channels_;
    fluidsynth::SilencingSweep sweep_;
    std::string soundFont_;
    std::string problem_;
    Clock clock_;
    fluidsynth::EventRenderer renderer_;
    // Declared last: its thread goes before what it uses.
    std::unique_ptr<fluidsynth::OnDemandStream> stream_;
};

} // namespace platform
