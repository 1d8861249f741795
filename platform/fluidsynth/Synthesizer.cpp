#include "platform/fluidsynth/Synthesizer.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace platform::fluidsynth {

namespace {

// Seven simultaneous forte piano notes stay below full scale at this gain
// (FluidSynth's default of 0.2 is quieter than it needs to be).
constexpr double kGain = 0.4;

// Frames per audio period (46 ms at 44.1 kHz). FluidSynth's PulseAudio
// driver asks the server for a latency of just one period, of which the
// server keeps only part buffered, so this is what it must keep filled on a
// busy machine: 64 frames underran a hundred times a minute, 512 still
// underran with every core busy, 1024 did not. Each period costs the sound
// server's client two thread wake-ups per request it answers, so 2048 frames
// play for about 1.5 % of a core less than 1024 (bench-audio-output). The
// notes keep their timing through their stamps, not through short periods,
// and a constant latency of three periods (0.14 s) is not heard in a piece
// nobody plays live.
constexpr int kPeriodFrames = 2048;
// ALSA buffers this many periods (FluidSynth's default of 16 would delay
// every note by three quarters of a second).
constexpr int kPeriods = 2;

SettingsHandle makeSettings()
{
    SettingsHandle settings{new_fluid_settings()};
    if (!settings)
        throw std::runtime_error("FluidSynth could not create its settings");
    fluid_settings_setnum(settings.get(), "synth.gain", kGain);
    fluid_settings_setint(settings.get(), "audio.period-size", kPeriodFrames);
    fluid_settings_setint(settings.get(), "audio.periods", kPeriods);
    // A GM SoundFont holds far more samples than one piece uses; loading
    // them on first use saves most of the memory and start-up time.
    fluid_settings_setint(settings.get(), "synth.dynamic-sample-loading", 1);
    // Instruments are loaded on the GUI thread, while the rendering thread
    // applies the notes: FluidSynth's lock keeps them apart. The piano is
    // loaded before any device opens, and an instrument loaded once is not
    // loaded again, so the rendering thread never finds the lock taken
    // unless another instrument is selected while the music plays.
    fluid_settings_setint(settings.get(), "synth.threadsafe-api", 1);
    return settings;
}

bool isFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

std::vector<std::string> defaultSoundFonts()
{
    std::vector<std::string> candidates;
    SettingsHandle settings{new_fluid_settings()};
    char* configured = nullptr;
    if (settings && fluid_settings_dupstr(settings.get(), "synth.default-soundfont", &configured) == FLUID_OK) {
        FluidString owned{configured};
        if (owned && *owned)
            candidates.emplace_back(owned.get());
    }
    for (const char* path : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                             "/usr/share/soundfonts/default.sf2"})
        candidates.emplace_back(path);
    return candidates;
}

Synthesizer::Synthesizer()
    : settings_(makeSettings()), synth_(new_fluid_synth(settings_.get()))
{
    if (!synth_)
        throw std::runtime_error("FluidSynth could not create a synthesizer");
}

SoundFontSearch Synthesizer::loadFirstSoundFont(const std::vector<std::string>& candidates)
{
    SoundFontSearch search;
    std::vector<std::filesystem::path> tried;
    for (const std::string& path : candidates) {
        // Checking first keeps FluidSynth from handing other files to its
        // DLS loader, whose library complains on the terminal.
        if (!isFile(path) || !fluid_is_soundfont(path.c_str()))
            continue;
        // Debian's default-GM.sf2 is a link to one of the others.
        std::error_code error;
        std::filesystem::path file = std::filesystem::canonical(path, error);
        if (error)
            file = path;
        if (std::ranges::find(tried, file) != tried.end())
            continue;
        tried.push_back(file);
        soundFontId_ = fluid_synth_sfload(synth_.get(), path.c_str(), 0);
        if (soundFontId_ != FLUID_FAILED) {
            search.loaded = path;
            break;
        }
        search.unreadable.push_back(file.string());
    }
    return search;
}

bool Synthesizer::pinProgram(int program)
{
    if (program < 0 || program >= static_cast<int>(pinned_.size()) || soundFontId_ == FLUID_FAILED)
        return false;
    const auto index = static_cast<std::size_t>(program);
    if (!pinned_[index])
        pinned_[index] = fluid_synth_pin_preset(synth_.get(), soundFontId_, 0, program) == FLUID_OK;
    return pinned_[index];
}

int Synthesizer::periods() const
{
    int periods = 0;
    fluid_settings_getint(settings_.get(), "audio.periods", &periods);
    return periods;
}

int Synthesizer::periodFrames() const
{
    int frames = 0;
    fluid_settings_getint(settings_.get(), "audio.period-size", &frames);
    return frames;
}

double Synthesizer::sampleRate() const
{
    double rate = 0;
    fluid_settings_getnum(settings_.get(), "synth.sample-rate", &rate);
    return rate;
}

} // namespace platform::fluidsynth
