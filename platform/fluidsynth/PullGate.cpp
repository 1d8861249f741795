#include "platform/fluidsynth/PullGate.h"

#include "platform/fluidsynth/QuietAudioLibraries.h"

#include <thread>

namespace platform::fluidsynth {

void PullGate::renderFrames(int frames, float* left, float* right)
{
    // What the device's thread has to say about the device (a lost
    // connection, a priority it could not have) the stream reports itself.
    QuietAudioLibraries::quietThisThreadForGood();
    framesPulled_.fetch_add(frames, std::memory_order_relaxed);
    lastPull_.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
    // Announced before the source is read, and the cut stores before it
    // counts (both sequentially consistent), so either this pull sees the
    // cut or the cut sees this pull.
    pullsInProgress_.fetch_add(1);
    if (FrameSource* source = source_.load())
        source->renderFrames(frames, left, right);
    pullsInProgress_.fetch_sub(1);
}

void PullGate::connect(FrameSource& source)
{
    source_.store(&source);
}

void PullGate::cut()
{
    source_.store(nullptr);
    // A pull renders a period in a millisecond or two; it waits longer only
    // while another thread holds FluidSynth's lock, loading an instrument's
    // samples.
    while (pullsInProgress_.load() != 0)
        std::this_thread::yield();
}

} // namespace platform::fluidsynth
