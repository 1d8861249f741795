#include "bench/Onsets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

using namespace bench;

namespace {

constexpr double kRate = 44100;
const std::vector<double> kStarts = {0.2, 0.5, 0.8, 1.1, 1.4}; // seconds

// Interleaved stereo of decaying tones, one struck at each start (plus
// `offset` seconds) but those `left out`, at `gain`; each a fundamental and
// two overtones, each a fifth above the one before.
std::vector<float> tones(double offset, double gain, const std::vector<std::size_t>& leftOut = {})
{
    std::vector<float> stereo(2 * std::size_t(2.0 * kRate), 0.0f);
    for (std::size_t note = 0; note < kStarts.size(); ++note) {
        if (std::find(leftOut.begin(), leftOut.end(), note) != leftOut.end()) continue;
        const double pitch = 220 * std::pow(1.5, double(note));
        for (std::size_t frame = std::size_t((kStarts[note] + offset) * kRate); frame < stereo.size() / 2; ++frame) {
            const double t = double(frame) / kRate - kStarts[note] - offset;
            double sample = 0;
            for (int overtone = 1; overtone <= 3; ++overtone)
                sample += std::sin(2 * std::numbers::pi * pitch * overtone * t) / overtone;
            stereo[2 * frame] += float(gain * 0.2 * std::exp(-3 * t) * sample);
            stereo[2 * frame + 1] = stereo[2 * frame];
        }
    }
    return stereo;
}

TEST(Onsets, ANoteNeverHeardIsFaintWhereverTheRecordingLiesAndHoweverLoud)
{
    const SpectralFlux reference(tones(0, 1), kRate);
    const SpectralFlux recording(tones(0.137, 0.25, {2}), kRate);
    const std::vector<double> strengths = onsetStrengths(recording, reference, kStarts, 0.137);
    ASSERT_EQ(strengths.size(), kStarts.size());
    EXPECT_EQ(faintOnsets(strengths), std::vector<std::size_t>{2});
    // Looked for at the wrong place, a note is not found.
    EXPECT_LT(onsetStrengths(recording, reference, kStarts, 0)[0], strengths[0] / 4);
}

TEST(Onsets, ANoteHeardALittleEarlyOrLateIsThere)
{
    const SpectralFlux reference(tones(0, 1), kRate);
    for (const double off : {-0.005, 0.020}) {
        const SpectralFlux recording(tones(0.137 + off, 1), kRate);
        EXPECT_TRUE(faintOnsets(onsetStrengths(recording, reference, kStarts, 0.137)).empty()) << off;
    }
}

TEST(Onsets, TheOnsetsAreFoundWithinTheOffsetsTheyMayLieAt)
{
    const SpectralFlux reference(tones(0, 1), kRate);
    const SpectralFlux recording(tones(0.137, 1), kRate);
    const std::vector<double> found = findOnsets(recording, reference, kStarts, 0.10, 0.17);
    ASSERT_EQ(found.size(), kStarts.size());
    for (std::size_t i = 0; i < kStarts.size(); ++i)
        EXPECT_NEAR(found[i], kStarts[i] + 0.137, 0.002) << i;
    // Kept from where they are, they are looked for no further off than
    // the matching reaches (20 ms).
    const std::vector<double> elsewhere = findOnsets(recording, reference, kStarts, 0.30, 0.50);
    for (std::size_t i = 0; i < kStarts.size(); ++i)
        EXPECT_GE(elsewhere[i], kStarts[i] + 0.28) << i;
}

TEST(Onsets, AStepsErrorIsItsSpacingAgainstTheScoresFromTheOnsetHeardBefore)
{
    // Heard 100 ms late throughout, onset 2 4 ms later still, onset 3
    // missing.
    const std::vector<double> score = {0, 0.133, 0.266, 0.399, 0.532};
    const std::vector<double> heard = {0.1, 0.233, 0.370, 0, 0.632};
    const std::vector<double> errors = stepErrors(heard, score, {3});
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_NEAR(errors[0], 0, 1e-9);
    EXPECT_NEAR(errors[1], 4, 1e-9);
    EXPECT_NEAR(errors[2], -4, 1e-9); // from onset 2 to onset 4
    // The first onset missing: the steps start at the second.
    EXPECT_EQ(stepErrors(heard, score, {0, 3}).size(), 2u);
    EXPECT_TRUE(stepErrors({0.1}, {0}, {}).empty());
}

TEST(Onsets, TheSpectraPlaceMusicWhoseRhythmRepeatsWhereItsPitchesAgree)
{
    // A tone every 17 of the spectra's hops (0.197 s), each at a pitch of
    // its own; the recording has the same tones 43 hops (0.499 s) later, and
    // more of them before and after. Everything but the pitches fits as well
    // 17 hops either way.
    const double hop = 512 / kRate, period = 17 * hop, delay = 43 * hop;
    const auto melody = [&](int firstNote, int lastNote, double after) {
        std::vector<float> stereo(2 * std::size_t(3.0 * kRate), 0.0f);
        for (int note = firstNote; note <= lastNote; ++note) {
            const double pitch = 300 * std::pow(2.0, double((note * 5 + 24) % 12) / 12.0);
            const long from = std::lround((period * note + after) * kRate);
            for (long frame = std::max(0L, from); frame < from + long(0.9 * period * kRate); ++frame)
                if (std::size_t(frame) < stereo.size() / 2)
                    stereo[2 * std::size_t(frame)] = stereo[2 * std::size_t(frame) + 1] =
                        float(0.2 * std::sin(2 * std::numbers::pi * pitch * double(frame - from) / kRate));
        }
        return stereo;
    };
    const std::vector<float> reference = melody(0, 9, 0), heard = melody(-4, 12, delay);
    EXPECT_NEAR(spectralOffset(heard, reference, kRate, 0.1, 0.9), delay, 1e-9);
    // Only within the range it is given.
    const double confined = spectralOffset(heard, reference, kRate, 0.6, 0.8);
    EXPECT_GE(confined, 0.6);
    EXPECT_LE(confined, 0.8);
}

TEST(Onsets, FaintIsBelowAQuarterOfTheMedianStrength)
{
    EXPECT_EQ(faintOnsets({1, 1, 0.3, 0.2, 1.2}), std::vector<std::size_t>{3});
    EXPECT_EQ(faintOnsets({0.1, 0.1, 0.1}), std::vector<std::size_t>{});
    EXPECT_EQ(faintOnsets({}), std::vector<std::size_t>{});
}

} // namespace
