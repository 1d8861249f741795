#include "platform/fluidsynth/QuietAudioLibraries.h"

#include <fluidsynth.h>
#include <glib.h>
#include <jack/jack.h>

// This ALSA header declares its per-thread handler outside its own C linkage
// block, so a C++ caller has to supply the linkage.
extern "C" {
#include <alsa/error.h>
}

#include <array>
#include <atomic>

namespace platform::fluidsynth {

namespace {

// How many scopes this thread holds.
thread_local int quietScopes = 0;

// The handlers the filters replaced. Each is written once, as its filter goes
// in, and may be read meanwhile by a message on another thread: atomic.
struct ReplacedHandlers {
    std::array<std::atomic<fluid_log_function_t>, LAST_LOG_LEVEL> fluid{};
    std::atomic<void (*)(const char*)> jackError = nullptr;
    std::atomic<void (*)(const char*)> jackInfo = nullptr;
    std::atomic<GLogFunc> glib = nullptr;
};

ReplacedHandlers& replaced()
{
    static ReplacedHandlers handlers;
    return handlers;
}

// FluidSynth and GLib hand back the functions they replace but not their data;
// their own defaults, the ones in place unless someone replaced them, take none.
void filterFluidLog(int level, const char* message, void*)
{
    const auto passOn = replaced().fluid[static_cast<std::size_t>(level)].load();
    if (quietScopes == 0 && passOn) passOn(level, message, nullptr);
}

void filterJackError(const char* message)
{
    const auto passOn = replaced().jackError.load();
    if (quietScopes == 0 && passOn) passOn(message);
}

void filterJackInfo(const char* message)
{
    const auto passOn = replaced().jackInfo.load();
    if (quietScopes == 0 && passOn) passOn(message);
}

void filterGlib(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer)
{
    const auto passOn = replaced().glib.load();
    if (quietScopes == 0 && passOn) passOn(domain, level, message, nullptr);
}

void ignoreAlsa(const char*, int, const char*, int, const char*, va_list) {}

void installFilters()
{
    ReplacedHandlers& handlers = replaced();
    for (int level = 0; level < LAST_LOG_LEVEL; ++level)
        handlers.fluid[static_cast<std::size_t>(level)] = fluid_set_log_function(level, filterFluidLog, nullptr);
    handlers.jackError = jack_error_callback;
    handlers.jackInfo = jack_info_callback;
    jack_set_error_function(filterJackError);
    jack_set_info_function(filterJackInfo);
    handlers.glib = g_log_set_default_handler(filterGlib, nullptr);
}

} // namespace

QuietAudioLibraries::QuietAudioLibraries()
{
    static const bool installed = (installFilters(), true);
    (void)installed;
    ++quietScopes;
    alsaLocal_ = snd_lib_error_set_local(ignoreAlsa);
}

QuietAudioLibraries::~QuietAudioLibraries()
{
    snd_lib_error_set_local(alsaLocal_);
    --quietScopes;
}

} // namespace platform::fluidsynth
