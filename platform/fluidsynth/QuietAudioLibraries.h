#pragma once

#include <fluidsynth.h>
#include <glib.h>

#include <array>
#include <cstdarg>

namespace platform::fluidsynth {

// Keeps the diagnostics of FluidSynth, ALSA, JACK and GLib off the terminal
// while in scope. Probing for an audio device is expected to fail on some
// systems, and a damaged SoundFont fails in FluidSynth's loaders, whose DLS
// loader (libinstpatch) complains through GLib; those libraries would otherwise
// print pages of errors for every attempt, and the caller reports the outcome
// in one line of its own.
//
// FluidSynth's, JACK's and GLib's handlers are process-wide, so only hold this
// briefly (while opening things) and from one thread at a time; ALSA's is per
// thread, which suffices because the devices are opened on the calling thread.
class QuietAudioLibraries {
public:
    QuietAudioLibraries();
    ~QuietAudioLibraries();

    QuietAudioLibraries(const QuietAudioLibraries&) = delete;
    QuietAudioLibraries& operator=(const QuietAudioLibraries&) = delete;

private:
    std::array<fluid_log_function_t, LAST_LOG_LEVEL> fluidLog_{};
    void (*jackError_)(const char*) = nullptr;
    void (*jackInfo_)(const char*) = nullptr;
    // Same type as ALSA's snd_local_error_handler_t, without its headers here.
    using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, va_list);
    AlsaHandler alsaLocal_ = nullptr;
    GLogFunc glibDefault_ = nullptr;
};

} // namespace platform::fluidsynth
