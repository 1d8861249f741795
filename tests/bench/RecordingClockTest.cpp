#include "bench/RecordingClock.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

using bench::Arrival;
using bench::RecordingClock;

namespace {

constexpr double kRate = 44100;
constexpr std::size_t kChunk = 882; // 20 ms
constexpr double kFirstFrame = 5e6; // when frame 0 was captured, in microseconds

// Chunks of 20 ms, each arriving after its last frame was captured by a
// delay drawn between `fastest` and `slowest` microseconds.
std::vector<Arrival> arrivals(int chunks, double fastest, double slowest)
{
    std::mt19937 random(16);
    std::uniform_real_distribution<double> delay(fastest, slowest);
    std::vector<Arrival> result;
    for (int i = 1; i <= chunks; ++i) {
        const std::size_t frames = i * kChunk;
        result.push_back({kFirstFrame + double(frames) / kRate * 1e6 + delay(random), frames});
    }
    return result;
}

TEST(RecordingClock, TellsFramesTheirCaptureTimeWithinTheFastestDelivery)
{
    const RecordingClock clock(arrivals(200, 300, 8000), kRate);
    EXPECT_NEAR(clock.capturedAt(0), kFirstFrame, 500);
    EXPECT_NEAR(clock.capturedAt(44100), kFirstFrame + 1e6, 500);
    EXPECT_LT(clock.spreadMilliseconds(), 8);
}

TEST(RecordingClock, ARecorderThatStartsSlowlyDoesNotShiftTheFrames)
{
    // The first 100 ms of frames came in one chunk, 150 ms late.
    std::vector<Arrival> slowStart = arrivals(200, 300, 2000);
    slowStart.erase(slowStart.begin(), slowStart.begin() + 4);
    slowStart.insert(slowStart.begin(), {kFirstFrame + 250e3, 5 * kChunk});
    const RecordingClock clock(slowStart, kRate);
    EXPECT_NEAR(clock.capturedAt(0), kFirstFrame, 500);
    EXPECT_NEAR(clock.spreadMilliseconds(), 150, 2);
}

TEST(RecordingClock, AStallThatTheCaptureCatchesUpOnShowsInTheSpread)
{
    // Nothing for two seconds after the first second, then the held frames
    // in a burst: every frame's time is still right, but the arrivals say
    // that the capture did not keep to the rate.
    std::vector<Arrival> stalled = arrivals(150, 300, 2000);
    for (Arrival& arrival : stalled)
        if (arrival.frames > 50 * kChunk && arrival.frames <= 150 * kChunk)
            arrival.microseconds = std::max(arrival.microseconds, kFirstFrame + 3e6 + double(arrival.frames) * 10);
    const RecordingClock clock(stalled, kRate);
    EXPECT_NEAR(clock.capturedAt(0), kFirstFrame, 500);
    EXPECT_GT(clock.spreadMilliseconds(), 1900);
}

TEST(RecordingClock, NeedsSomethingRecorded)
{
    EXPECT_THROW(RecordingClock({}, kRate), std::invalid_argument);
}

} // namespace
