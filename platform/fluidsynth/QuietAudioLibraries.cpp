#include "platform/fluidsynth/QuietAudioLibraries.h"

#include <jack/jack.h>

// This ALSA header declares its per-thread handler outside its own C linkage
// block, so a C++ caller has to supply the linkage.
extern "C" {
#include <alsa/error.h>
}

namespace platform::fluidsynth {

namespace {

void ignoreFluidLog(int, const char*, void*) {}
void ignoreJack(const char*) {}
void ignoreAlsa(const char*, int, const char*, int, const char*, va_list) {}
void ignoreGlib(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

} // namespace

QuietAudioLibraries::QuietAudioLibraries()
    : jackError_(jack_error_callback), jackInfo_(jack_info_callback)
{
    for (int level = 0; level < LAST_LOG_LEVEL; ++level)
        fluidLog_[static_cast<std::size_t>(level)] = fluid_set_log_function(level, ignoreFluidLog, nullptr);
    jack_set_error_function(ignoreJack);
    jack_set_info_function(ignoreJack);
    alsaLocal_ = snd_lib_error_set_local(ignoreAlsa);
    glibDefault_ = g_log_set_default_handler(ignoreGlib, nullptr);
}

QuietAudioLibraries::~QuietAudioLibraries()
{
    // GLib, like FluidSynth below, hands back its previous function but not
    // its data; its own default takes none.
    g_log_set_default_handler(glibDefault_, nullptr);
    snd_lib_error_set_local(alsaLocal_);
    jack_set_info_function(jackInfo_);
    jack_set_error_function(jackError_);
    // FluidSynth hands back the previous functions but not their data; its own
    // default function, the one in place unless someone replaced it, takes none.
    for (int level = 0; level < LAST_LOG_LEVEL; ++level)
        fluid_set_log_function(level, fluidLog_[static_cast<std::size_t>(level)], nullptr);
}

} // namespace platform::fluidsynth
