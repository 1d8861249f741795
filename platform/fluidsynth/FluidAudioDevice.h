#pragma once

#include "platform/fluidsynth/AudioDevice.h"
#include "platform/fluidsynth/FluidHandles.h"

#include <string>

namespace platform::fluidsynth {

class Synthesizer;

// The sound card, through FluidSynth's drivers: the first of PulseAudio and
// ALSA that opens, with the synthesizer's rate and period settings.
//
// JACK is left out: its driver runs the synthesizer at the server's rate,
// which the stamps' mapping to frames would have to follow, and a desktop
// with a JACK server carries PulseAudio's clients over to it anyway.
class FluidAudioDevice final : public AudioDevice {
public:
    // Make it before the program starts threads: FluidSynth's PulseAudio
    // driver announces the stream's role through the environment, which is
    // set here once instead of at every opening.
    explicit FluidAudioDevice(const Synthesizer& synth);

    std::unique_ptr<AudioConnection> open(FrameSource& source) override;

    // The audio systems tried, in order, as the user knows them.
    static std::string systemNames();

private:
    // Each opening makes settings of its own from these, so openings may
    // run side by side (one blocked on a stopped server) and outlive the
    // synthesizer: the drivers read their settings only while they open.
    double sampleRate_;
    int periodFrames_;
    int periods_;
};

} // namespace platform::fluidsynth
