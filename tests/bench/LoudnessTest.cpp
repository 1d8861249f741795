#include "bench/Loudness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace bench;

namespace {

TEST(Loudness, TheFirstAndLastSoundsAreTheFramesAboveTheLevelInEitherChannel)
{
    // Frames 0 to 4; frame 3 sounds only on the right, frame 4 only below
    // the level.
    const std::vector<float> stereo = {0.5f, -0.5f, 0, 0, 0.2f, 0, 0, -0.01f, 1e-4f, -1e-4f};
    EXPECT_EQ(lastFrameAbove(stereo, 1e-3f), 3u);
    EXPECT_EQ(lastFrameAbove(stereo, 0.3f), 0u);
    EXPECT_FALSE(lastFrameAbove(stereo, 0.5f).has_value()); // a level that nothing passes
    EXPECT_EQ(firstFrameAbove(stereo, 1e-3f), 0u);
    EXPECT_EQ(firstFrameAbove(stereo, 1e-3f, 1), 2u);
    EXPECT_EQ(firstFrameAbove(stereo, 1e-3f, 3), 3u);
    EXPECT_EQ(firstFrameAbove(stereo, 0.3f, 1), std::nullopt);
    EXPECT_EQ(firstFrameAbove(stereo, 1e-3f, 5), std::nullopt); // from past the end
}

TEST(Loudness, SilenceHasNoLastSoundAndNoPeak)
{
    const std::vector<float> silence(200, 0.0f);
    EXPECT_FALSE(lastFrameAbove(silence, 0).has_value());
    EXPECT_FALSE(lastFrameAbove({}, 0).has_value());
    EXPECT_EQ(peakOf(silence), 0);
    EXPECT_TRUE(std::isinf(decibels(peakOf(silence))));
}

TEST(Loudness, PeakCountsNegativeSamplesAndDecibelsAreOfFullScale)
{
    EXPECT_EQ(peakOf({0.1f, -0.7f, 0.3f, 0}), 0.7f);
    EXPECT_NEAR(decibels(1e-3f), -60, 1e-4);
    EXPECT_NEAR(decibels(1), 0, 1e-9);
}

} // namespace
