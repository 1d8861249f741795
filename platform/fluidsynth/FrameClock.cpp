#include "platform/fluidsynth/FrameClock.h"

#include <algorithm>
#include <cmath>

namespace platform::fluidsynth {

namespace {

// The device fills its buffer in a burst when it starts; the lead settles
// after that and is learnt over the following second and a half.
constexpr double kSettleMicroseconds = 0.5e6;
constexpr double kLearnMicroseconds = 1.5e6;
// How fast drift is taken out. A drift of 100 ppm (a poor sound card
// crystal) then leaves notes 1 ms off, while a burst of a whole period moves
// the next note by well under a frame.
constexpr double kCorrectionMicroseconds = 10e6;
// A device that stalled (a suspended machine) is caught up with gradually.
constexpr double kLongestStepMicroseconds = 0.1e6;

} // namespace

FrameClock::FrameClock(double sampleRate, std::int64_t latencyFrames)
    : framesPerMicrosecond_(sampleRate / 1e6), latencyFrames_(latencyFrames)
{
}

void FrameClock::anchor(double stamp, std::int64_t frame, double now)
{
    anchored_ = true;
    anchorStamp_ = stamp;
    anchorFrame_ = static_cast<double>(frame + latencyFrames_);
    anchorTime_ = now;
    lastObserved_ = now;
    leadSum_ = leadWeight_ = 0;
    leadLearnt_ = false;
}

void FrameClock::observe(std::int64_t rendered, double now)
{
    const double step = std::clamp(now - lastObserved_, 0.0, kLongestStepMicroseconds);
    lastObserved_ = now;
    const double lead = exactFrameOf(now) - static_cast<double>(rendered);
    const double sinceAnchor = now - anchorTime_;
    if (sinceAnchor < kSettleMicroseconds)
        return;
    if (!leadLearnt_) {
        leadSum_ += lead * step;
        leadWeight_ += step;
        // A clock that stands still while frames are pulled (offline, in
        // tests) teaches nothing and is never corrected.
        if (sinceAnchor >= kSettleMicroseconds + kLearnMicroseconds && leadWeight_ > 0) {
            usualLead_ = leadSum_ / leadWeight_;
            leadLearnt_ = true;
        }
        return;
    }
    anchorFrame_ -= (lead - usualLead_) * step / kCorrectionMicroseconds;
}

double FrameClock::exactFrameOf(double stamp) const
{
    return anchorFrame_ + (stamp - anchorStamp_) * framesPerMicrosecond_;
}

std::int64_t FrameClock::frameOf(double stamp) const
{
    return static_cast<std::int64_t>(std::ceil(exactFrameOf(stamp)));
}

} // namespace platform::fluidsynth
