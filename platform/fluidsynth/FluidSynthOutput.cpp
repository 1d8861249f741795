#include "platform/fluidsynth/FluidSynthOutput.h"

#include "platform/fluidsynth/FluidAudioDevice.h"
#include "platform/fluidsynth/QuietAudioLibraries.h"
#include "platform/fluidsynth/ServerOrCard.h"

#include <iostream>
#include <stdexcept>

namespace platform {

namespace {

constexpr const char* kProgram = "velmora20";

// How far ahead of the device's rendering a note is placed, in periods: one
// because the device renders a whole period at once, so a note played just
// after a period was rendered must still fall after it; one because the
// rendering runs about a period further ahead once the sound server's buffer
// has filled; one to spare for a busy machine. Nobody plays this music live:
// being on the beat matters, not a few tens of milliseconds of delay.
constexpr int kLatencyPeriods = 3;

constexpr int kPiano = 0; // General MIDI, counted from 0

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

std::string noAudioMessage(const fluidsynth::AudioDevice& device)
{
    return std::string(kProgram) + ": no audio output could be opened (tried " + device.systemNames() +
           "); playing silently until one opens";
}

std::string troubleMessage(fluidsynth::OnDemandStream::Trouble trouble, const fluidsynth::AudioDevice& device)
{
    if (trouble == fluidsynth::OnDemandStream::Trouble::StoppedPulling)
        return std::string(kProgram) + ": the audio output stopped playing; trying again at the next note";
    return noAudioMessage(device);
}

void requireRange(int value, int low, int high, const char* what)
{
    if (value < low || value > high)
        throw std::invalid_argument(std::string("FluidSynth output: ") + what + " " + std::to_string(value) +
                                    " is outside " + std::to_string(low) + ".." + std::to_string(high));
}

} // namespace

FluidSynthOutput::FluidSynthOutput(Clock clock)
    : FluidSynthOutput(nullptr, std::move(clock), fluidsynth::defaultSoundFonts(), true)
{
}

FluidSynthOutput::FluidSynthOutput(std::unique_ptr<fluidsynth::AudioDevice> device, Clock clock,
                                   const std::vector<std::string>& soundFonts)
    : FluidSynthOutput(std::move(device), std::move(clock), soundFonts, true)
{
}

FluidSynthOutput::FluidSynthOutput(Offline, const std::vector<std::string>& soundFonts, Clock clock)
    : FluidSynthOutput(nullptr, std::move(clock), soundFonts, false)
{
}

FluidSynthOutput::FluidSynthOutput(std::unique_ptr<fluidsynth::AudioDevice> device, Clock clock,
                                   const std::vector<std::string>& soundFonts, bool live)
    : clock_(clock ? std::move(clock) : [this] { return double(renderer_.renderedFrames()) / sampleRate() * 1e6; })
    , renderer_(synth_.synth(), synth_.sampleRate(), static_cast<std::int64_t>(latencyFrames()), [this] { return clock_(); })
{
    fluidsynth::SoundFontSearch search;
    {
        const fluidsynth::QuietAudioLibraries quiet;
        search = synth_.loadFirstSoundFont(soundFonts);
        soundFont_ = search.loaded;
    }
    if (soundFont_.empty()) {
        problem_ = noSoundFontMessage(search, soundFonts);
        std::cerr << problem_ << '\n';
        return;
    }
    // Before a device opens: the players' piano is read from the SoundFont
    // while nothing renders.
    synth_.pinProgram(kPiano);
    if (live) {
        using fluidsynth::FluidAudioDevice;
        std::shared_ptr<fluidsynth::AudioDevice> shared = std::move(device);
        if (!shared)
            shared = std::make_shared<fluidsynth::ServerOrCard>(
                std::make_unique<FluidAudioDevice>(synth_, FluidAudioDevice::System::PulseAudio),
                std::make_unique<FluidAudioDevice>(synth_, FluidAudioDevice::System::Alsa));
        const auto say = [shared](fluidsynth::OnDemandStream::Trouble trouble) {
            std::cerr << troubleMessage(trouble, *shared) << '\n';
        };
        stream_ = std::make_unique<fluidsynth::OnDemandStream>(shared, renderer_, sampleRate(), synth_.periodFrames(),
                                                               say);
        // The stream says so itself when the device does not open.
        if (!stream_->openedAtStart())
            problem_ = noAudioMessage(*shared);
    }
}

// The stream, declared last, goes first: once it has let the device go,
// nothing the synthesizer still holds, nor an event still waiting to be
// rendered, can be heard.
FluidSynthOutput::~FluidSynthOutput() = default;

void FluidSynthOutput::prepareEnvironment()
{
    fluidsynth::FluidAudioDevice::setRoleInEnvironment();
}

double FluidSynthOutput::latencyFrames() const
{
    return kLatencyPeriods * synth_.periodFrames();
}

void FluidSynthOutput::setInstrument(const NotePlayer& player, int instrument)
{
    requireRange(instrument, 1, 128, "instrument");
    const double stamp = clock_();
    selectProgram(stamp, channels_.channelOf(player), instrument - 1);
}

void FluidSynthOutput::playNote(const NotePlayer& player, int note, int velocity)
{
    requireRange(note, 0, 127, "note");
    requireRange(velocity, 0, 127, "velocity");
    // Stamped first: selecting the piano below may read samples for a while.
    const double stamp = clock_();
    const bool firstUse = !channels_.assigned(player);
    const int channel = channels_.channelOf(player);
    if (firstUse)
        selectProgram(stamp, channel, kPiano);
    play({stamp, fluidsynth::SynthEvent::Kind::Note, channel, note, velocity});
}

void FluidSynthOutput::selectProgram(double stamp, int channel, int program)
{
    // Loading the samples here keeps file reads off the rendering thread;
    // without a SoundFont there is nothing to load, nor to play.
    if (synth_.pinProgram(program))
        play({stamp, fluidsynth::SynthEvent::Kind::Program, channel, program, 0});
}

void FluidSynthOutput::play(const fluidsynth::SynthEvent& event)
{
    if (!audible())
        return;
    const bool sweeps = sweep_.sweeps(event);
    // A full queue means nothing has rendered for a long while; it keeps
    // room for what silences the players.
    if (!renderer_.push(event))
        return;
    if (sweeps)
        renderer_.hurryQueued();
    if (stream_)
        stream_->queued();
}

std::vector<float> FluidSynthOutput::render(int frames)
{
    if (stream_)
        throw std::logic_error("FluidSynth output: render() on an output that plays to an audio device");
    requireRange(frames, 0, 1 << 24, "frame count");
    std::vector<float> samples(2 * static_cast<std::size_t>(frames));
    if (frames > 0)
        renderer_.render(frames, samples.data(), samples.data() + 1, 2);
    return samples;
}

} // namespace platform
