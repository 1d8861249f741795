#include "platform/fluidsynth/FluidAudioDevice.h"

#include "platform/fluidsynth/QuietAudioLibraries.h"
#include "platform/fluidsynth/Synthesizer.h"

namespace platform::fluidsynth {

namespace {

struct AudioSystem {
    const char* driver; // FluidSynth's name for it
    const char* name;   // the user's
};

// FluidSynth opens only the driver it is told to, so the fallback is ours.
// PulseAudio first: PipeWire desktops serve it too, and it shares the device.
constexpr AudioSystem kAudioSystems[] = {{"pulseaudio", "PulseAudio"}, {"alsa", "ALSA"}, {"jack", "JACK"}};

// FluidSynth's drivers hand over two zeroed output buffers (JACK may add
// effect buffers, left silent here).
int pullFrames(void* source, int frames, int, float*[], int outputs, float* out[])
{
    if (outputs < 2)
        return FLUID_FAILED;
    static_cast<FrameSource*>(source)->renderFrames(frames, out[0], out[1]);
    return FLUID_OK;
}

} // namespace

FluidAudioDevice::FluidAudioDevice(const Synthesizer& synth) : settings_(synth.settings())
{
    // Without this JACK would open ports connected to nothing.
    fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);
}

bool FluidAudioDevice::open(FrameSource& source)
{
    const QuietAudioLibraries quiet;
    for (const AudioSystem& system : kAudioSystems) {
        fluid_settings_setstr(settings_, "audio.driver", system.driver);
        driver_.reset(new_fluid_audio_driver2(settings_, pullFrames, &source));
        if (driver_)
            return true;
    }
    return false;
}

void FluidAudioDevice::close()
{
    driver_.reset();
}

std::string FluidAudioDevice::systemNames()
{
    std::string names;
    for (const AudioSystem& system : kAudioSystems)
        names += (names.empty() ? "" : ", ") + std::string(system.name);
    return names;
}

} // namespace platform::fluidsynth
