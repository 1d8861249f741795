#include "platform/fluidsynth/FluidSynthOutput.h"

#include "platform/fluidsynth/FluidAudioDevice.h"
#include "platform/fluidsynth/QuietAudioLibraries.h"

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

// Silence after the last voice ended, release tails and reverb included,
// before the device is closed: long enough that the pauses of the music
// never close it.
constexpr double kCloseAfterSeconds = 2.0;

// Stands in for the music while an audio system is tried: the drivers hand
// over zeroed buffers, so it renders nothing.
class Silence final : public fluidsynth::FrameSource {
public:
    void renderFrames(int, float*, float*) override {}
};

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
    return std::string(kProgram) + ": no audio output could be opened (tried " +
           fluidsynth::FluidAudioDevice::systemNames() + "); playing silently";
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
    , device_(std::move(device))
{
    fluidsynth::SoundFontSearch search;
    {
        const fluidsynth::QuietAudioLibraries quiet;
        search = synth_.loadFirstSoundFont(soundFonts);
        soundFont_ = search.loaded;
    }
    if (soundFont_.empty()) {
        problem_ = noSoundFontMessage(search, soundFonts);
    } else if (live) {
        if (!device_)
            device_ = std::make_unique<fluidsynth::FluidAudioDevice>(synth_);
        // Tried once now, so a machine without sound says so at start-up;
        // after that the device opens only while the music plays.
        Silence silence;
        if (device_->open(silence)) {
            device_->close();
            stream_ = std::make_unique<fluidsynth::OnDemandStream>(
                *device_, renderer_, static_cast<std::int64_t>(kCloseAfterSeconds * sampleRate()),
                [] { std::cerr << noAudioMessage() << '\n'; });
        } else {
            problem_ = noAudioMessage();
        }
    }
    if (!audible())
        std::cerr << problem_ << '\n';
}

// The stream, declared last, goes first: once it has closed the device,
// nothing the synthesizer still holds, nor an event still waiting to be
// rendered, can be heard.
FluidSynthOutput::~FluidSynthOutput() = default;

double FluidSynthOutput::latencyFrames() const
{
    return kLatencyPeriods * synth_.periodFrames();
}

void FluidSynthOutput::setInstrument(const NotePlayer& player, int instrument)
{
    requireRange(instrument, 1, 128, "instrument");
    const int channel = channels_.channelOf(player);
    if (audible())
        play({clock_(), fluidsynth::SynthEvent::Kind::Program, channel, instrument - 1, 0});
}

void FluidSynthOutput::playNote(const NotePlayer& player, int note, int velocity)
{
    requireRange(note, 0, 127, "note");
    requireRange(velocity, 0, 127, "velocity");
    const int channel = channels_.channelOf(player);
    if (audible())
        play({clock_(), fluidsynth::SynthEvent::Kind::Note, channel, note, velocity});
}

void FluidSynthOutput::play(const fluidsynth::SynthEvent& event)
{
    if (stream_)
        stream_->play(event);
    else
        renderer_.push(event);
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
