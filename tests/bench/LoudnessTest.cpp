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

TEST(Loudness, SoundAfterSilenceIsWhatComesBackAfterTheFirstGapLongEnough)
{
    // Sound at frame 0; 2 quiet frames; sound at 3 (right only); 4 quiet
    // frames; sound at 8 and 10, quiet between and after.
    std::vector<float> stereo(2 * 12, 0.0f);
    stereo[0] = 0.5f;
    stereo[2 * 3 + 1] = -0.5f;
    stereo[2 * 8] = 0.1f;
    stereo[2 * 10 + 1] = 0.1f;
    const auto afterTwo = soundAfterSilence(stereo, 1e-3f, 2);
    ASSERT_TRUE(afterTwo.has_value());
    EXPECT_EQ(afterTwo->quietFrom, 1u);
    EXPECT_EQ(afterTwo->first, 3u);
    EXPECT_EQ(afterTwo->last, 10u);
    const auto afterThree = soundAfterSilence(stereo, 1e-3f, 3);
    ASSERT_TRUE(afterThree.has_value());
    EXPECT_EQ(afterThree->quietFrom, 4u);
    EXPECT_EQ(afterThree->first, 8u);
    EXPECT_EQ(afterThree->last, 10u);
    EXPECT_FALSE(soundAfterSilence(stereo, 1e-3f, 5).has_value());
    // Silence from the start counts as a gap.
    EXPECT_EQ(soundAfterSilence({0, 0, 0, 0, 0.2f, 0}, 1e-3f, 2)->quietFrom, 0u);
    EXPECT_EQ(soundAfterSilence({0, 0, 0, 0, 0.2f, 0}, 1e-3f, 2)->first, 2u);
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
