#pragma once

#include <cstdarg>

namespace platform::fluidsynth {

// Keeps the diagnostics of FluidSynth, ALSA and GLib off the terminal on the
// thread that holds it, while in scope. Probing for an audio device is
// expected to fail on some systems, and a damaged SoundFont fails in
// FluidSynth's loaders, whose DLS loader (libinstpatch) complains through
// GLib; those libraries would otherwise print pages of errors for every
// attempt, and the caller reports the outcome in one line of its own.
//
// FluidSynth's and GLib's handlers are process-wide, so the first use puts in
// place, for good, handlers that pass each message on to the ones they
// replaced unless its thread is kept quiet. FluidSynth's warnings (a thread
// that could not have real-time priority, a channel without an instrument)
// are never passed on: what the user must know, the program says itself.
// ALSA's handler is per thread already and is set for the scope alone.
// Scopes may nest.
class QuietAudioLibraries {
public:
    QuietAudioLibraries();
    ~QuietAudioLibraries();

    QuietAudioLibraries(const QuietAudioLibraries&) = delete;
    QuietAudioLibraries& operator=(const QuietAudioLibraries&) = delete;

    // Keeps the calling thread quiet until it ends: for the threads an audio
    // device runs on, whose failures the program reports itself. Cheap after
    // the first call, and neither blocks nor allocates: fit for a device's
    // real-time thread.
    static void quietThisThreadForGood();

private:
    // Same type as ALSA's snd_local_error_handler_t, without its headers here.
    using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, va_list);
    AlsaHandler alsaLocal_ = nullptr;
};

} // namespace platform::fluidsynth
