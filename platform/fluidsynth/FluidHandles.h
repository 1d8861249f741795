#pragma once

#include <fluidsynth.h>

#include <memory>

namespace platform::fluidsynth {

// Owning handles for the FluidSynth objects, so each is deleted exactly once
// and in the reverse order of creation when they are members of one class.
struct SettingsDeleter {
    void operator()(fluid_settings_t* settings) const noexcept { delete_fluid_settings(settings); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* synth) const noexcept { delete_fluid_synth(synth); }
};
struct AudioDriverDeleter {
    void operator()(fluid_audio_driver_t* driver) const noexcept { delete_fluid_audio_driver(driver); }
};
struct FluidStringDeleter {
    void operator()(char* text) const noexcept { fluid_free(text); }
};

using SettingsHandle = std::unique_ptr<fluid_settings_t, SettingsDeleter>;
using SynthHandle = std::unique_ptr<fluid_synth_t, SynthDeleter>;
using AudioDriverHandle = std::unique_ptr<fluid_audio_driver_t, AudioDriverDeleter>;
using FluidString = std::unique_ptr<char, FluidStringDeleter>;

} // namespace platform::fluidsynth
