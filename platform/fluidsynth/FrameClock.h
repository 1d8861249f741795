#pragma once

#include <cstdint>

namespace platform::fluidsynth {

// Maps times on the program's clock (microseconds) to frames of the
// synthesizer's own sample timeline, so that an event stamped when it was
// played takes effect one constant latency later, wherever the audio
// periods happen to fall.
//
// The mapping is anchored at the first period rendered with an event
// waiting, so that an event played then is heard one latency later; an
// event that has waited longer than that (the device took long to open) is
// heard at once instead, and the events played after it keep their spacing.
// A device that holds its writes before anything was played delays nothing.
//
// Until the first event and a latency more have been rendered the device is
// still opening: a sound server that holds a new stream's first writes (a
// null sink holds them for half a second or more) delays everything after
// alike. From then on the mapping follows the device: at every period it
// compares the frames rendered so far with the frame the mapping gives for
// that moment. The first seconds of sound teach it the usual lead (the
// device renders ahead of what is heard, in bursts); after that it takes out
// any slow drift from that lead with a time constant of twenty seconds, far
// longer than the jitter of the periods, so the jitter never moves a note.
//
// A device that stalled once it had started (a sound server stopped or
// starved for a moment) leaves the mapping ahead of it by the length of the
// stall. A stall longer than a latency is taken out at once, so every note
// after it is heard one latency after it was played again, and those played
// before and during the stall are late; a shorter one goes out as slowly as
// drift, never faster than a poor crystal drifts, so the tempo never audibly
// changes.
class FrameClock {
public:
    FrameClock(double sampleRate, std::int64_t latencyFrames);

    bool anchored() const { return anchored_; }
    // A period starts at `now`, `frame` frames into the timeline, with the
    // event stamped `earliest` the first waiting.
    void anchor(double earliest, std::int64_t frame, double now);
    // A device is about to start: its first event anchors anew.
    void release() { anchored_ = false; }

    // A period starts at `now`, `rendered` frames into the timeline.
    void observe(std::int64_t rendered, double now);

    // The frame at which an event stamped `stamp` takes effect.
    std::int64_t frameOf(double stamp) const;

private:
    double exactFrameOf(double stamp) const;

    double framesPerMicrosecond_;
    std::int64_t latencyFrames_;
    bool anchored_ = false;
    double anchorStamp_ = 0;
    double anchorFrame_ = 0; // the latency and the drift correction included
    std::int64_t anchorRendered_ = 0;
    double lastObserved_ = 0;
    // The largest lead seen while the device opened: the one expected until
    // the usual lead is learnt.
    double openingLead_ = 0;
    // The usual lead of the mapping over the rendered frames, averaged over
    // time while learning; the target of the correction once learnt.
    double leadSum_ = 0;
    double leadWeight_ = 0;
    bool leadLearnt_ = false;
    double usualLead_ = 0;
};

} // namespace platform::fluidsynth
