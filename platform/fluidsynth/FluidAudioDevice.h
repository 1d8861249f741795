#pragma once

#include "platform/fluidsynth/AudioDevice.h"
#include "platform/fluidsynth/FluidHandles.h"

#include <string>

namespace platform::fluidsynth {

class Synthesizer;

// The sound card, through FluidSynth's drivers: the first of PulseAudio, ALSA
// and JACK that opens, with the synthesizer's period settings.
class FluidAudioDevice final : public AudioDevice {
public:
    explicit FluidAudioDevice(const Synthesizer& synth);

    bool open(FrameSource& source) override;
    void close() override;

    // The audio systems tried, in order, as the user knows them.
    static std::string systemNames();

private:
    fluid_settings_t* settings_;
    AudioDriverHandle driver_;
};

} // namespace platform::fluidsynth
