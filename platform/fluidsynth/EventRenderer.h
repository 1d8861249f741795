#pragma once

#include "platform/fluidsynth/FrameClock.h"
#include "platform/fluidsynth/SynthEvent.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace platform::fluidsynth {

// Renders the synthesizer and applies each waiting event when the rendering
// reaches the event's frame: the one place where stamped events meet the
// sample timeline, for the audio device's thread and offline rendering alike.
//
// FluidSynth starts voices only at its own 64-frame blocks, so an event
// takes effect at the first block boundary at or after its frame: placement
// is exact to one block (1.45 ms at 44.1 kHz), whatever the period.
//
// push() may be called from any thread while another renders; rendering
// holds the lock only to take the events due, never while it synthesizes.
class EventRenderer {
public:
    EventRenderer(fluid_synth_t* synth, double sampleRate, std::int64_t latencyFrames, std::function<double()> clock);

    void push(const SynthEvent& event);
    bool pending() const;
    bool strikePending() const;

    // Renders the next `frames` frames to `left` and `right`, each sample
    // `stride` floats after the one before.
    void render(int frames, float* left, float* right, int stride);

    // Frames rendered since every voice fell silent with nothing waiting.
    std::int64_t silentFrames() const;
    std::int64_t renderedFrames() const;

    // The device stopped pulling: the next rendering anchors the clock anew.
    void restart();
    // Applies what waits at once, for when nothing renders (so at once is as
    // good as any time), except strikes: with no device they cannot sound.
    void flush();

private:
    fluid_synth_t* synth_;
    std::function<double()> clock_;
    mutable std::mutex mutex_;
    FrameClock frameClock_;
    std::deque<SynthEvent> pending_;
    std::int64_t rendered_ = 0;
    std::int64_t silent_ = 0;
    std::vector<std::pair<std::int64_t, SynthEvent>> due_; // the rendering thread's only
};

} // namespace platform::fluidsynth
