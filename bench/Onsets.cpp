#include "bench/Onsets.h"

#include "bench/Spread.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numeric>
#include <optional>
#include <numbers>

namespace bench {

namespace {

void fft(std::vector<std::complex<double>>& x)
{
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(x[i], x[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi / double(length));
        for (std::size_t start = 0; start < n; start += length) {
            std::complex<double> w = 1;
            for (std::size_t k = 0; k < length / 2; ++k, w *= step) {
                const std::complex<double> a = x[start + k], b = w * x[start + k + length / 2];
                x[start + k] = a + b;
                x[start + k + length / 2] = a - b;
            }
        }
    }
}

} // namespace

SpectralFlux::SpectralFlux(const std::vector<float>& stereo, double rate) : sampleRate(rate)
{
    const std::size_t frames = stereo.size() / 2;
    std::vector<double> hann(static_cast<std::size_t>(window), 0.0);
    for (std::size_t i = 0; i < hann.size(); ++i)
        hann[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(window));
    std::vector<double> previous(static_cast<std::size_t>(window / 2), 0.0);
    std::vector<std::complex<double>> spectrum(static_cast<std::size_t>(window));
    for (std::size_t centre = 0; centre < frames; centre += std::size_t(hop)) {
        for (std::size_t i = 0; i < spectrum.size(); ++i) {
            const long frame = long(centre) - window / 2 + long(i);
            const double mono = frame < 0 || frame >= long(frames)
                                    ? 0.0
                                    : 0.5 * (stereo[2 * std::size_t(frame)] + stereo[2 * std::size_t(frame) + 1]);
            spectrum[i] = mono * hann[i];
        }
        fft(spectrum);
        double rise = 0;
        for (std::size_t bin = 0; bin < previous.size(); ++bin) {
            const double level = std::log1p(1000 * std::abs(spectrum[bin]));
            rise += std::max(0.0, level - previous[bin]);
            previous[bin] = level;
        }
        values.push_back(rise);
    }
}

namespace {

// The offset (seconds) of the whole pattern of onsets in the recording,
// between `earliest` and `latest` where they are finite: the one at which
// the recording's flux, summed at the onsets, is largest.
double patternOffset(const SpectralFlux& recording, const std::vector<double>& starts, double earliest,
                     double latest)
{
    const double perSecond = recording.hopsPerSecond();
    const long length = long(recording.values.size());
    const auto near = [&](long at) {
        double best = 0;
        for (long i = std::max(0L, at - 4); i <= std::min(length - 1, at + 4); ++i)
            best = std::max(best, recording.values[std::size_t(i)]);
        return best;
    };
    double bestOffset = 0, bestScore = -1;
    // Unless told, the whole pattern lies in the recording; told, the
    // onsets outside it count as silent.
    const long first = std::isinf(earliest) ? -long(starts.front() * perSecond) : long(std::ceil(earliest * perSecond));
    const long last = std::isinf(latest) ? length - 1 - long(starts.back() * perSecond)
                                         : long(std::floor(latest * perSecond));
    for (long offset = first; offset <= last; ++offset) {
        double score = 0;
        for (double start : starts)
            score += near(std::lround(start * perSecond) + offset);
        if (score > bestScore)
            bestScore = score, bestOffset = double(offset) / perSecond;
    }
    return bestOffset;
}

// The offset (seconds), within `halfWidth` of `guess`, at which the
// recording's flux best correlates with the reference's from 6 ms before
// `start` (where the window first reaches the onset) to 20 ms after it
// (longer takes in more of the notes still sounding, which may have moved
// differently); to a fraction of a hop.
double matchNear(const SpectralFlux& recording, const SpectralFlux& reference, double start, double guess,
                 double halfWidth)
{
    const double perSecond = reference.hopsPerSecond();
    const long from = std::lround((start - 0.006) * perSecond), to = std::lround((start + 0.020) * perSecond);
    const long shift = std::lround(guess * perSecond), reach = std::lround(halfWidth * perSecond);
    const auto value = [](const SpectralFlux& flux, long i) {
        return i >= 0 && i < long(flux.values.size()) ? flux.values[std::size_t(i)] : 0.0;
    };
    std::vector<double> scores;
    for (long lag = shift - reach; lag <= shift + reach; ++lag) {
        // Pearson correlation, so louder passages weigh no more than soft ones.
        double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
        const double n = double(to - from + 1);
        for (long i = from; i <= to; ++i) {
            const double a = value(reference, i), b = value(recording, i + lag);
            sumA += a, sumB += b, sumAA += a * a, sumBB += b * b, sumAB += a * b;
        }
        const double spread = std::sqrt((sumAA - sumA * sumA / n) * (sumBB - sumB * sumB / n));
        scores.push_back(spread > 0 ? (sumAB - sumA * sumB / n) / spread : -1);
    }
    const auto best = std::size_t(std::ranges::max_element(scores) - scores.begin());
    double shiftWithin = 0;
    if (best > 0 && best + 1 < scores.size()) {
        // The vertex of the parabola through the best score and its neighbours.
        const double before = scores[best - 1], at = scores[best], after = scores[best + 1];
        const double curvature = before - 2 * at + after;
        if (curvature < 0)
            shiftWithin = std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5);
    }
    return (double(shift - reach) + double(best) + shiftWithin) / perSecond;
}

} // namespace

std::vector<double> findOnsets(const SpectralFlux& recording, const SpectralFlux& reference,
                               const std::vector<double>& starts, double earliest, double latest)
{
    std::vector<double> found, recent(7, patternOffset(recording, starts, earliest, latest));
    for (std::size_t i = 0; i < starts.size(); ++i) {
        std::vector<double> sorted = recent;
        std::ranges::nth_element(sorted, sorted.begin() + 3);
        const double offset = matchNear(recording, reference, starts[i], sorted[3], 0.020);
        found.push_back(starts[i] + offset);
        recent[i % recent.size()] = offset;
    }
    return found;
}

std::vector<double> onsetStrengths(const SpectralFlux& recording, const SpectralFlux& reference,
                                   const std::vector<double>& starts, double offset)
{
    const auto largestNear = [](const SpectralFlux& flux, double seconds) {
        const double perSecond = flux.hopsPerSecond();
        const long from = std::max(0L, std::lround((seconds - 0.010) * perSecond));
        const long to = std::min(long(flux.values.size()) - 1, std::lround((seconds + 0.030) * perSecond));
        double largest = 0;
        for (long i = from; i <= to; ++i)
            largest = std::max(largest, flux.values[std::size_t(i)]);
        return largest;
    };
    std::vector<double> strengths;
    for (const double start : starts) {
        const double expected = largestNear(reference, start);
        strengths.push_back(expected > 0 ? largestNear(recording, start + offset) / expected : 0);
    }
    return strengths;
}

std::vector<std::size_t> faintOnsets(const std::vector<double>& strengths)
{
    if (strengths.empty()) return {};
    const double typical = median(strengths);
    std::vector<std::size_t> faint;
    for (std::size_t i = 0; i < strengths.size(); ++i)
        if (strengths[i] < typical / 4) faint.push_back(i);
    return faint;
}

std::vector<double> stepErrors(const std::vector<double>& heard, const std::vector<double>& score,
                               const std::vector<std::size_t>& missing)
{
    std::vector<double> errors;
    std::optional<std::size_t> before;
    for (std::size_t onset = 0, next = 0; onset < heard.size(); ++onset) {
        if (next < missing.size() && missing[next] == onset) {
            ++next;
            continue;
        }
        if (before)
            errors.push_back(1000 * ((heard[onset] - heard[*before]) - (score[onset] - score[*before])));
        before = onset;
    }
    return errors;
}

namespace {

constexpr std::size_t kSpectrumWindow = 2048;
constexpr std::size_t kSpectrumHop = 512;
constexpr std::size_t kSpectrumBins = 512; // up to 11 kHz at 44.1 kHz

// Log-magnitude spectra of the mono mix, one every hop, each with its mean
// taken off and scaled to unit length, so that the dot product of two is
// their correlation; silence gives zeros.
std::vector<std::vector<double>> spectra(const std::vector<float>& stereo)
{
    std::vector<std::vector<double>> result;
    std::vector<std::complex<double>> spectrum(kSpectrumWindow);
    for (std::size_t start = 0; 2 * (start + kSpectrumWindow) <= stereo.size(); start += kSpectrumHop) {
        for (std::size_t i = 0; i < kSpectrumWindow; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(kSpectrumWindow));
            spectrum[i] = hann * 0.5 * (stereo[2 * (start + i)] + stereo[2 * (start + i) + 1]);
        }
        fft(spectrum);
        std::vector<double> levels(kSpectrumBins);
        double mean = 0;
        for (std::size_t bin = 0; bin < kSpectrumBins; ++bin)
            mean += levels[bin] = std::log1p(1000 * std::abs(spectrum[bin]));
        mean /= double(kSpectrumBins);
        double norm = 0;
        for (double& level : levels) {
            level -= mean;
            norm += level * level;
        }
        for (double& level : levels)
            level = norm > 0 ? level / std::sqrt(norm) : 0;
        result.push_back(std::move(levels));
    }
    return result;
}

} // namespace

double spectralOffset(const std::vector<float>& recording, const std::vector<float>& reference, double sampleRate,
                      double earliest, double latest)
{
    const std::vector<std::vector<double>> heard = spectra(recording), expected = spectra(reference);
    const double hopSeconds = double(kSpectrumHop) / sampleRate;
    double bestOffset = earliest, bestScore = -std::numeric_limits<double>::infinity();
    for (long lag = long(std::ceil(earliest / hopSeconds)); lag <= long(std::floor(latest / hopSeconds)); ++lag) {
        double score = 0;
        for (std::size_t j = 0; j < expected.size(); ++j) {
            const long at = long(j) + lag;
            if (at < 0 || at >= long(heard.size())) continue;
            const std::vector<double>& a = heard[std::size_t(at)];
            score += std::inner_product(a.begin(), a.end(), expected[j].begin(), 0.0);
        }
        if (score > bestScore)
            bestScore = score, bestOffset = double(lag) * hopSeconds;
    }
    return bestOffset;
}

int countDropouts(const std::vector<float>& stereo, int minimumFrames)
{
    const std::size_t frames = stereo.size() / 2;
    const auto silent = [&](std::size_t frame) { return stereo[2 * frame] == 0.0F && stereo[2 * frame + 1] == 0.0F; };
    // Sound means a level above -60 dB over the 5 ms before the run.
    const auto soundingBefore = [&](std::size_t frame) {
        double sum = 0;
        const std::size_t from = frame > 220 ? frame - 220 : 0;
        for (std::size_t i = from; i < frame; ++i)
            sum += double(stereo[2 * i]) * stereo[2 * i];
        return frame > from && std::sqrt(sum / double(frame - from)) > 1e-3;
    };
    int dropouts = 0;
    for (std::size_t frame = 0; frame < frames;) {
        if (!silent(frame)) {
            ++frame;
            continue;
        }
        std::size_t end = frame;
        while (end < frames && silent(end))
            ++end;
        if (long(end - frame) >= minimumFrames && end < frames && soundingBefore(frame))
            ++dropouts;
        frame = end;
    }
    return dropouts;
}

} // namespace bench
