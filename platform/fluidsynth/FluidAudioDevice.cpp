#include "platform/fluidsynth/FluidAudioDevice.h"

#include "platform/fluidsynth/QuietAudioLibraries.h"
#include "platform/fluidsynth/Synthesizer.h"

#include <pthread.h>
#include <sched.h>

namespace platform::fluidsynth {

namespace {

// A sound system FluidSynth can stream to.
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

// Gives the calling thread FluidSynth's real-time priority for as long as it
// lives, where the system allows it, and its own scheduling back after.
class RealtimeScheduling {
public:
    explicit RealtimeScheduling(fluid_settings_t* settings)
    {
        pthread_getschedparam(pthread_self(), &policy_, &parameters_);
        int priority = 0;
        fluid_settings_getint(settings, "audio.realtime-prio", &priority);
        sched_param realtime{};
        realtime.sched_priority = priority;
        raised_ = priority > 0 && pthread_setschedparam(pthread_self(), SCHED_FIFO, &realtime) == 0;
    }
    ~RealtimeScheduling()
    {
        if (raised_)
            pthread_setschedparam(pthread_self(), policy_, &parameters_);
    }
    RealtimeScheduling(const RealtimeScheduling&) = delete;
    RealtimeScheduling& operator=(const RealtimeScheduling&) = delete;

private:
    int policy_ = SCHED_OTHER;
    sched_param parameters_{};
    bool raised_ = false;
};

} // namespace

FluidAudioDevice::FluidAudioDevice(const Synthesizer& synth) : settings_(synth.settings())
{
    // Without this JACK would open ports connected to nothing.
    fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);
}

bool FluidAudioDevice::open(FrameSource& source)
{
    const QuietAudioLibraries quiet;
    // FluidSynth raises its audio thread to real-time priority, but the
    // PulseAudio client library moves the sound through a thread of its own,
    // which starts with the scheduling of the thread that opens the device.
    // At normal priority, a busy machine held that thread back long enough
    // for the server to run dry; opened like this, it keeps up.
    const RealtimeScheduling realtime(settings_);
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
