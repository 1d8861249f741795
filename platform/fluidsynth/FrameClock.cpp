#include "platform/fluidsynth/FrameClock.h"

#include <algorithm>
#include <cmath>

namespace platform::fluidsynth {

namespace {

// The device fills its buffer in a burst when it starts, and a sound server
// may hold its first period for a second or two before it starts playing;
// the lead settles half a second of sound after that and is learnt over
// the following second and a half. Counted in frames rendered, since a
// device that has stalled has rendered none.
constexpr double kSettleSeconds = 0.5;
constexpr double kLearnSeconds = 1.5;
// How fast drift is taken out. The lead also wanders while the sound server
// changes how much it holds (on a PulseAudio null sink it grew by 170 ppm
// over the twenty seconds watched), and following that moves the notes as
// much, so slowly is better: a drift of 100 ppm (a poor sound card crystal)
// still leaves the notes only 2 ms off, and a burst of a whole period moves
// the next note by well under a frame.
constexpr double kCorrectionMicroseconds = 20e6;
// The fastest drift is taken out: as much as a poor crystal drifts, and a
// tempo change nobody hears.
constexpr double kFastestCorrection = 200e-6;
// A period that came late, after a stall, weighs no more than this.
constexpr double kLongestStepMicroseconds = 0.1e6;

} // namespace

FrameClock::FrameClock(double sampleRate, std::int64_t latencyFrames)
    : framesPerMicrosecond_(sampleRate / 1e6), latencyFrames_(latencyFrames)
{
}

void FrameClock::anchor(double earliest, std::int64_t frame, double now)
{
    anchored_ = true;
    // Either way, an event played now takes effect at least a latency on.
    const bool waitedLong = (now - earliest) * framesPerMicrosecond_ > static_cast<double>(latencyFrames_);
    anchorStamp_ = waitedLong ? earliest : now;
    anchorFrame_ = static_cast<double>(waitedLong ? frame : frame + latencyFrames_);
    anchorRendered_ = frame;
    lastObserved_ = now;
    openingLead_ = 0;
    leadSum_ = leadWeight_ = 0;
    leadLearnt_ = false;
}

void FrameClock::observe(std::int64_t rendered, double now)
{
    const double step = std::clamp(now - lastObserved_, 0.0, kLongestStepMicroseconds);
    lastObserved_ = now;
    const double lead = exactFrameOf(now) - static_cast<double>(rendered);
    if (rendered < anchorRendered_ + 2 * latencyFrames_) {
        openingLead_ = std::max(openingLead_, lead);
        return;
    }
    const double expected = leadLearnt_ ? usualLead_ : openingLead_;
    if (lead > expected + static_cast<double>(latencyFrames_)) {
        anchorFrame_ -= lead - expected; // a stall: caught up at once
        return;
    }
    const double played = static_cast<double>(rendered - anchorRendered_) / (framesPerMicrosecond_ * 1e6);
    if (played < kSettleSeconds)
        return;
    if (!leadLearnt_) {
        leadSum_ += lead * step;
        leadWeight_ += step;
        // A clock that stands still while frames are pulled (offline, in
        // tests) teaches nothing and is never corrected.
        if (played >= kSettleSeconds + kLearnSeconds && leadWeight_ > 0) {
            usualLead_ = leadSum_ / leadWeight_;
            leadLearnt_ = true;
        }
        return;
    }
    const double fastest = kFastestCorrection * step * framesPerMicrosecond_;
    anchorFrame_ -= std::clamp((lead - usualLead_) * step / kCorrectionMicroseconds, -fastest, fastest);
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
