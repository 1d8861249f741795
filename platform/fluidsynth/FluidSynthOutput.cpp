#include "platform/fluidsynth/FluidSynthOutput.h"

#include "platform/fluidsynth/QuietAudioLibraries.h"

#include <iostream>
#include <stdexcept>

namespace platform {

namespace {

struct AudioSystem {
    const char* driver; // FluidSynth's name for it
    const char* name;   // the user's
};

// FluidSynth opens only the driver it is told to, so the fallback is ours.
// PulseAudio first: PipeWire desktops serve it too, and it shares the device.
constexpr AudioSystem kAudioSystems[] = {{"pulseaudio", "PulseAudio"}, {"alsa", "ALSA"}, {"jack", "JACK"}};

constexpr const char* kProgram = "velmora20";

fluidsynth::AudioDriverHandle openFirstAudioSystem(const fluidsynth::Synthesizer& synth)
{
    // Without this JACK would open ports connected to nothing.
    fluid_settings_setint(synth.settings(), "audio.jack.autoconnect", 1);
    for (const AudioSystem& system : kAudioSystems) {
        fluid_settings_setstr(synth.settings(), "audio.driver", system.driver);
        if (fluidsynth::AudioDriverHandle driver{new_fluid_audio_driver(synth.settings(), synth.synth())})
            return driver;
    }
    return nullptr;
}

std::string commaSeparated(const std::vector<std::string>& paths)
{
    std::string list;
    for (const std::string& path : paths)
        list += (list.empty() ? "" : ", ") + path;
    return list;
}

std::string noSoundFontMessage(const fluidsynth::SoundFontSearch& search, const std::vector<std::string>& candidates)
{
    if (!search.unreadable.empty())
        return std::string(kProgram) + (search.unreadable.size() == 1 ? ": the SoundFont " : ": the SoundFonts ") +
               commaSeparated(search.unreadable) + " could not be read (damaged or truncated); playing silently";
    return std::string(kProgram) + ": no General MIDI SoundFont found (looked for " + commaSeparated(candidates) +
           "); install the Debian package fluid-soundfont-gm to hear the music; playing silently";
}

std::string noAudioMessage()
{
    std::string tried;
    for (const AudioSystem& system : kAudioSystems)
        tried += (tried.empty() ? "" : ", ") + std::string(system.name);
    return std::string(kProgram) + ": no audio output could be opened (tried " + tried + "); playing silently";
}

void requireRange(int value, int low, int high, const char* what)
{
    if (value < low || value > high)
        throw std::invalid_argument(std::string("FluidSynth output: ") + what + " " + std::to_string(value) +
                                    " is outside " + std::to_string(low) + ".." + std::to_string(high));
}

} // namespace

FluidSynthOutput::FluidSynthOutput() : FluidSynthOutput(true, fluidsynth::defaultSoundFonts()) {}

FluidSynthOutput::FluidSynthOutput(Offline, const std::vector<std::string>& soundFonts)
    : FluidSynthOutput(false, soundFonts)
{
}

FluidSynthOutput::FluidSynthOutput(bool live, const std::vector<std::string>& soundFonts)
{
    fluidsynth::SoundFontSearch search;
    {
        const fluidsynth::QuietAudioLibraries quiet;
        search = synth_.loadFirstSoundFont(soundFonts);
        soundFont_ = search.loaded;
        // Without a SoundFont there is nothing to hear, so no device is held
        // open streaming silence either.
        if (live && !soundFont_.empty())
            driver_ = openFirstAudioSystem(synth_);
    }
    if (soundFont_.empty())
        problem_ = noSoundFontMessage(search, soundFonts);
    else if (live && !driver_)
        problem_ = noAudioMessage();
    if (!audible())
        std::cerr << problem_ << '\n';
}

FluidSynthOutput::~FluidSynthOutput()
{
    // Silence every voice, held or releasing, before the driver and then the
    // synthesizer go, so tearing down never leaves a note sounding.
    fluid_synth_all_sounds_off(synth_.synth(), -1);
}

void FluidSynthOutput::setInstrument(const NotePlayer& player, int instrument)
{
    requireRange(instrument, 1, 128, "instrument");
    const int channel = channels_.channelOf(player);
    if (audible())
        fluid_synth_program_change(synth_.synth(), channel, instrument - 1);
}

void FluidSynthOutput::playNote(const NotePlayer& player, int note, int velocity)
{
    requireRange(note, 0, 127, "note");
    requireRange(velocity, 0, 127, "velocity");
    const int channel = channels_.channelOf(player);
    if (!audible())
        return;
    // FluidSynth's note-off releases every voice of the key on the channel,
    // however often it was struck, as a MIDI note-off should.
    if (velocity > 0)
        fluid_synth_noteon(synth_.synth(), channel, note, velocity);
    else
        fluid_synth_noteoff(synth_.synth(), channel, note);
}

std::vector<float> FluidSynthOutput::render(int frames)
{
    if (driver_)
        throw std::logic_error("FluidSynth output: render() on an output that plays to an audio device");
    requireRange(frames, 0, 1 << 24, "frame count");
    std::vector<float> samples(2 * static_cast<std::size_t>(frames));
    if (frames > 0)
        fluid_synth_write_float(synth_.synth(), frames, samples.data(), 0, 2, samples.data(), 1, 2);
    return samples;
}

} // namespace platform
