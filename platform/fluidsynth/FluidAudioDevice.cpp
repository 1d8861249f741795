#include "platform/fluidsynth/FluidAudioDevice.h"

#include "platform/fluidsynth/QuietAudioLibraries.h"
#include "platform/fluidsynth/Synthesizer.h"

#include <pthread.h>
#include <sched.h>

#include <cstdlib>

namespace platform::fluidsynth {

namespace {

// What FluidSynth and the user call each FluidAudioDevice::System, in its order.
struct AudioSystem {
    const char* driver;
    const char* name;
};
constexpr AudioSystem kAudioSystems[] = {{"pulseaudio", "PulseAudio"}, {"alsa", "ALSA"}};

const AudioSystem& audioSystem(FluidAudioDevice::System system)
{
    return kAudioSystems[static_cast<int>(system)];
}

// FluidSynth's drivers hand over two zeroed output buffers.
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

// A FluidSynth driver pulling from a source; deleting it joins the driver's
// thread, which may be waiting for its sound server.
class DriverConnection final : public AudioConnection {
public:
    explicit DriverConnection(AudioDriverHandle driver) : driver_(std::move(driver)) {}

private:
    AudioDriverHandle driver_;
};

} // namespace

FluidAudioDevice::FluidAudioDevice(const Synthesizer& synth, System system)
    : system_(system)
    , sampleRate_(synth.sampleRate()), periodFrames_(synth.periodFrames()), periods_(synth.periods())
{
}

void FluidAudioDevice::setRoleInEnvironment()
{
    const SettingsHandle defaults{new_fluid_settings()};
    char* role = nullptr;
    if (defaults && fluid_settings_dupstr(defaults.get(), "audio.pulseaudio.media-role", &role) == FLUID_OK) {
        const FluidString owned{role};
        if (owned && *owned)
            setenv("PULSE_PROP_media.role", owned.get(), 0);
    }
}

std::unique_ptr<AudioConnection> FluidAudioDevice::open(FrameSource& source)
{
    const QuietAudioLibraries quiet;
    const SettingsHandle settings{new_fluid_settings()};
    if (!settings)
        return nullptr;
    fluid_settings_setnum(settings.get(), "synth.sample-rate", sampleRate_);
    fluid_settings_setint(settings.get(), "audio.period-size", periodFrames_);
    fluid_settings_setint(settings.get(), "audio.periods", periods_);
    // Set once by setRoleInEnvironment().
    fluid_settings_setstr(settings.get(), "audio.pulseaudio.media-role", "");
    // FluidSynth raises its audio thread to real-time priority, but the
    // PulseAudio client library moves the sound through a thread of its own,
    // which starts with the scheduling of the thread that opens the device.
    // At normal priority, a busy machine held that thread back long enough
    // for the server to run dry; opened like this, it keeps up.
    const RealtimeScheduling realtime(settings.get());
    fluid_settings_setstr(settings.get(), "audio.driver", audioSystem(system_).driver);
    AudioDriverHandle driver{new_fluid_audio_driver2(settings.get(), pullFrames, &source)};
    if (!driver)
        return nullptr;
    return std::make_unique<DriverConnection>(std::move(driver));
}

std::string FluidAudioDevice::systemNames() const
{
    return audioSystem(system_).name;
}

} // namespace platform::fluidsynth
