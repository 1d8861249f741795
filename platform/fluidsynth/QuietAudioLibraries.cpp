#include "platform/fluidsynth/QuietAudioLibraries.h"

#include <fluidsynth.h>
#include <glib.h>

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
// Whether this thread is quiet for good.
thread_local bool quietForGood = false;

bool quiet()
{
    return quietScopes > 0 || quietForGood;
}

// The handlers the filters replaced. Each is written once, as its filter goes
// in, and may be read meanwhile by a message on another thread: atomic.
struct ReplacedHandlers {
    std::array<std::atomic<fluid_log_function_t>, LAST_LOG_LEVEL> fluid{};
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
    if (level <= FLUID_ERR && !quiet() && passOn) passOn(level, message, nullptr);
}

void filterGlib(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer)
{
    const auto passOn = replaced().glib.load();
    if (!quiet() && passOn) passOn(domain, level, message, nullptr);
}

void ignoreAlsa(const char*, int, const char*, int, const char*, va_list) {}

void installFilters()
{
    ReplacedHandlers& handlers = replaced();
    for (int level = 0; level < LAST_LOG_LEVEL; ++level)
        handlers.fluid[static_cast<std::size_t>(level)] = fluid_set_log_function(level, filterFluidLog, nullptr);
    handlers.glib = g_log_set_default_handler(filterGlib, nullptr);
}

void ensureFiltersInstalled()
{
    static const bool installed = (installFilters(), true);
    (void)installed;
}

} // namespace

QuietAudioLibraries::QuietAudioLibraries()
{
    ensureFiltersInstalled();
    ++quietScopes;
    alsaLocal_ = snd_lib_error_set_local(ignoreAlsa);
}

QuietAudioLibraries::~QuietAudioLibraries()
{
    snd_lib_error_set_local(alsaLocal_);
    --quietScopes;
}

void QuietAudioLibraries::quietThisThreadForGood()
{
    if (quietForGood)
        return;
    ensureFiltersInstalled();
    quietForGood = true;
    snd_lib_error_set_local(ignoreAlsa);
}

} // namespace platform::fluidsynth
