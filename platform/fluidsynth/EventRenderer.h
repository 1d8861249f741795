#pragma once

#include "platform/fluidsynth/FrameClock.h"
#include "platform/fluidsynth/SynthEvent.h"

#include <boost/lockfree/spsc_queue.hpp>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform::fluidsynth {

// Renders the synthesizer and applies each waiting event when the rendering
// reaches the event's frame: the one place where stamped events meet the
// sample timeline, for the audio device's thread and offline rendering alike.
//
// FluidSynth starts voices only at its own 64-frame blocks, so an event
// takes effect at the first block boundary at or after its frame: placement
// is exact to one block (1.45 ms at 44.1 kHz), whatever the period.
//
// Events travel from the one thread that plays them to the one that renders
// through a wait-free queue of a fixed size, so rendering never waits for the
// queue and never allocates; it shares only FluidSynth's own lock, which the
// playing thread takes to load an instrument. Which thread takes the events
// may change, one at a time, each handing over to the next through a
// synchronisation of its own: the audio device's, rendering, while it is
// open; the stream's, applying or dropping them, while it is closed.
class EventRenderer {
public:
    // Minutes of this music, or the releases of sixteen stop sweeps: a queue
    // fills up only when nothing has rendered for that long.
    static constexpr std::size_t kCapacity = 4096;
    // What only releases and program changes may take: a full queue drops
    // the strikes that come, never what silences the players, so a `stop`
    // played while nothing renders is heard whenever something does.
    static constexpr std::size_t kKeptForReleases = 1024;

    // `clock` reads microseconds, as the events' stamps.
    EventRenderer(fluid_synth_t* synth, double sampleRate, std::int64_t latencyFrames, std::function<double()> clock);

    // The playing thread's:

    // Queues `event`; false when the queue is full and the event is dropped
    // (a strike already when no more than kKeptForReleases places are left).
    bool push(const SynthEvent& event);
    // What is queued so far is wanted at once: its strikes are dropped, the
    // rest takes effect at the start of the next rendering.
    void hurryQueued();

    // The rendering thread's:

    // Renders the next `frames` frames to `left` and `right`, each sample
    // `stride` floats after the one before. A strike that came due more than
    // that many frames ago is dropped rather than played in a burst with the
    // ones after it; anything else overdue takes effect at once.
    void render(int frames, float* left, float* right, int stride);
    // A device is about to start pulling: the first event it renders
    // anchors the clock anew.
    void restart();
    // For while nothing renders, when at once is as good as any time: applies
    // the waiting events up to the first strike; whether a strike waits.
    bool applyUntilStrike();
    // As applyUntilStrike(), dropping every strike: no device can sound
    // them. Whether it dropped any.
    bool dropStrikes();
    // Ends every voice at once, and renders away what the reverb and chorus
    // still hold of them, for a device that stopped in mid-sound: the next
    // device starts from silence. Off the timeline: the frames rendered
    // away are heard nowhere.
    void silence();

    // Any thread's:

    bool pending() const;
    // Whether a voice still sounded at the end of the last rendering.
    bool sounding() const { return sounding_.load(std::memory_order_relaxed); }
    // Frames rendered since every voice fell silent with nothing waiting.
    std::int64_t silentFrames() const { return silent_.load(std::memory_order_relaxed); }
    std::int64_t renderedFrames() const { return rendered_.load(std::memory_order_relaxed); }

private:
    // Applies or drops the event at the front, and takes it off the queue.
    void takeFront(bool apply);

    fluid_synth_t* synth_;
    std::function<double()> clock_;
    const std::int64_t silencingLimit_; // frames
    boost::lockfree::spsc_queue<SynthEvent, boost::lockfree::capacity<kCapacity>> queue_;
    std::atomic<std::uint64_t> pushed_ = 0;
    std::atomic<std::uint64_t> hurriedThrough_ = 0; // the events pushed before this count are urgent
    std::atomic<std::uint64_t> taken_ = 0;
    std::atomic<std::int64_t> rendered_ = 0;
    std::atomic<std::int64_t> silent_ = 0;
    std::atomic<bool> sounding_ = false;
    // The rendering thread's:
    FrameClock frameClock_;
    std::int64_t renderedWhenSilenced_ = 0;
};

} // namespace platform::fluidsynth
