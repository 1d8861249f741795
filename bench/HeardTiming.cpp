#include "bench/HeardTiming.h"

#include "bench/Onsets.h"
#include "bench/Spread.h"
#include "platform/fluidsynth/ChannelAssignment.h"
#include "platform/fluidsynth/SynthEvent.h"
#include "platform/fluidsynth/Synthesizer.h"

#include <algorithm>
#include <cmath>

namespace bench {

namespace {

constexpr double kLeadIn = 0.2; // seconds of silence before the first note
constexpr int kBlock = 64;

} // namespace

std::vector<int> onsetNumbers(const std::vector<PlayedNote>& played)
{
    std::vector<int> numbers;
    int onset = -1;
    double lastStrike = -1e12;
    for (const PlayedNote& note : played) {
        if (note.velocity > 0) {
            if (note.stamp - lastStrike > 20000)
                ++onset;
            lastStrike = note.stamp;
        }
        numbers.push_back(onset);
    }
    return numbers;
}

Reference::Reference(const std::vector<PlayedNote>& played)
{
    platform::fluidsynth::Synthesizer synth;
    synth.loadFirstSoundFont(platform::fluidsynth::defaultSoundFonts());
    platform::fluidsynth::ChannelAssignment channels;
    const double rate = synth.sampleRate();
    long rendered = 0;
    const auto renderUpTo = [&](long frame) {
        if (frame <= rendered)
            return;
        sound.resize(2 * std::size_t(frame));
        float* out = sound.data() + 2 * rendered;
        fluid_synth_write_float(synth.synth(), int(frame - rendered), out, 0, 2, out, 1, 2);
        rendered = frame;
    };
    const std::vector<int> onsets = onsetNumbers(played);
    for (std::size_t i = 0; i < played.size(); ++i) {
        const PlayedNote& note = played[i];
        const double exact = kLeadIn * rate + (note.stamp - played.front().stamp) / 1e6 * rate;
        const long frame = std::lround(exact);
        renderUpTo(frame);
        if (onsets[i] >= 0 && std::size_t(onsets[i]) == issued.size()) {
            issued.push_back(exact / rate);
            started.push_back(double((frame + kBlock - 1) / kBlock * kBlock) / rate);
        }
        using platform::fluidsynth::SynthEvent;
        // The synthesizer gives no channel an instrument by itself.
        if (!channels.assigned(*note.player))
            SynthEvent{note.stamp, SynthEvent::Kind::Program, channels.channelOf(*note.player), 0, 0}.applyTo(synth.synth());
        SynthEvent{note.stamp, SynthEvent::Kind::Note, channels.channelOf(*note.player), note.note, note.velocity}
            .applyTo(synth.synth());
    }
    renderUpTo(rendered + long(2 * rate));
}

Timing heardTiming(const std::vector<float>& recording, const Reference& reference, double earliest, double latest)
{
    const double rate = 44100;
    const std::vector<double> heard = findOnsets(SpectralFlux(recording, rate), SpectralFlux(reference.sound, rate),
                                                 reference.started, earliest, latest);
    Timing result{};
    result.heard = heard;
    for (std::size_t i = 0; i < heard.size(); ++i)
        result.errors.push_back(1000 * (heard[i] - reference.issued[i]));
    const double offset = median(result.errors);
    for (double& error : result.errors)
        error -= offset;

    std::vector<double> sizes;
    for (double error : result.errors)
        sizes.push_back(std::abs(error));
    const Spread spread = spreadOf(sizes);
    result.p50 = spread.p50;
    result.p99 = spread.p99;
    result.max = spread.max;

    const std::vector<double>& times = reference.issued;
    double meanTime = 0, meanError = 0;
    for (std::size_t i = 0; i < times.size(); ++i)
        meanTime += times[i], meanError += result.errors[i];
    meanTime /= double(times.size());
    meanError /= double(times.size());
    double covariance = 0, variance = 0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        covariance += (times[i] - meanTime) * (result.errors[i] - meanError);
        variance += (times[i] - meanTime) * (times[i] - meanTime);
    }
    result.drift = covariance / variance * (times.back() - times.front());
    return result;
}

} // namespace bench
