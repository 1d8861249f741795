#pragma once

#include "platform/fluidsynth/AudioDevice.h"
#include "platform/fluidsynth/FluidHandles.h"

#include <string>

namespace platform::fluidsynth {

class Synthesizer;

// An audio system through FluidSynth's driver for it, with the
// synthesizer's rate and period settings: PulseAudio, which PipeWire desktops
// serve too, or ALSA, the card itself.
//
// JACK is left out: its driver runs the synthesizer at the server's rate,
// which the stamps' mapping to frames would have to follow, and a desktop
// with a JACK server carries PulseAudio's clients over to it anyway.
class FluidAudioDevice final : public AudioDevice {
public:
    enum class System { PulseAudio, Alsa };

    FluidAudioDevice(const Synthesizer& synth, System system);

    // FluidSynth's PulseAudio driver would set the stream's role in the
    // environment at every opening, on the opening's thread, while other
    // threads may read the environment; the device opens without it, and
    // the program sets it once with this, before it starts any thread.
    static void setRoleInEnvironment();

    std::unique_ptr<AudioConnection> open(FrameSource& source) override;
    std::string systemNames() const override;

private:
    const System system_;
    // Each opening makes settings of its own from these, so openings may
    // run side by side (one blocked on a stopped server) and outlive the
    // synthesizer: the drivers read their settings only while they open.
    double sampleRate_;
    int periodFrames_;
    int periods_;
};

} // namespace platform::fluidsynth
