#include "platform/fluidsynth/EventRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace platform::fluidsynth {

namespace {

// The most that silence() renders away: several times the default reverb's
// tail.
constexpr double kSilencingLimitSeconds = 10;

} // namespace

EventRenderer::EventRenderer(fluid_synth_t* synth, double sampleRate, std::int64_t latencyFrames,
                             std::function<double()> clock)
    : synth_(synth)
    , clock_(std::move(clock))
    , silencingLimit_(static_cast<std::int64_t>(kSilencingLimitSeconds * sampleRate))
    , frameClock_(sampleRate, latencyFrames)
{
}

bool EventRenderer::push(const SynthEvent& event)
{
    if (event.strikes() && queue_.write_available() <= kKeptForReleases)
        return false;
    if (!queue_.push(event))
        return false;
    pushed_.store(pushed_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    return true;
}

void EventRenderer::hurryQueued()
{
    hurriedThrough_.store(pushed_.load(std::memory_order_relaxed), std::memory_order_release);
}

bool EventRenderer::pending() const
{
    return pushed_.load(std::memory_order_acquire) != taken_.load(std::memory_order_acquire);
}

void EventRenderer::takeFront(bool apply)
{
    if (apply)
        queue_.front().applyTo(synth_);
    queue_.pop();
    taken_.store(taken_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

void EventRenderer::render(int frames, float* left, float* right, int stride)
{
    const double now = clock_();
    const std::int64_t start = renderedFrames();
    if (!frameClock_.anchored() && queue_.read_available() > 0)
        frameClock_.anchor(queue_.front().stamp, start, now);
    if (frameClock_.anchored())
        frameClock_.observe(start, now);
    const std::uint64_t hurriedThrough = hurriedThrough_.load(std::memory_order_acquire);

    int done = 0;
    const auto renderUpTo = [&](std::int64_t end) {
        if (end > done) {
            fluid_synth_write_float(synth_, static_cast<int>(end) - done, left, done * stride, stride, right,
                                    done * stride, stride);
            done = static_cast<int>(end);
        }
    };
    // Stamps come from one monotonic clock, so the events fall due in order,
    // and the hurried ones are the first.
    while (queue_.read_available() > 0) {
        const SynthEvent& event = queue_.front();
        const bool hurried = taken_.load(std::memory_order_relaxed) < hurriedThrough;
        const std::int64_t offset = hurried ? 0 : frameClock_.frameOf(event.stamp) - start;
        if (offset >= frames)
            break;
        const bool late = offset < -frames;
        renderUpTo(std::max<std::int64_t>(offset, 0));
        takeFront(!((hurried || late) && event.strikes()));
    }
    renderUpTo(frames);

    const bool sounding = fluid_synth_get_active_voice_count(synth_) > 0;
    const bool silent = !sounding && queue_.read_available() == 0;
    rendered_.store(start + frames, std::memory_order_relaxed);
    silent_.store(silent ? silentFrames() + frames : 0, std::memory_order_relaxed);
    sounding_.store(sounding, std::memory_order_relaxed);
}

void EventRenderer::restart()
{
    frameClock_.release();
    silent_.store(0, std::memory_order_relaxed);
}

bool EventRenderer::applyUntilStrike()
{
    // Asked once per event: what the playing thread queues meanwhile is
    // looked at as it comes, never taken for a strike unseen.
    while (queue_.read_available() > 0) {
        if (queue_.front().strikes())
            return true;
        takeFront(true);
    }
    return false;
}

bool EventRenderer::dropStrikes()
{
    bool dropped = false;
    while (queue_.read_available() > 0) {
        const bool strikes = queue_.front().strikes();
        dropped = dropped || strikes;
        takeFront(!strikes);
    }
    return dropped;
}

void EventRenderer::silence()
{
    fluid_synth_all_sounds_off(synth_, -1);
    sounding_.store(false, std::memory_order_relaxed);
    const std::int64_t rendered = renderedFrames();
    if (rendered == renderedWhenSilenced_)
        return; // nothing fed the effects since they were last emptied
    renderedWhenSilenced_ = rendered;
    // The effects ring on with what the voices fed them, frozen where the
    // device stopped, and FluidSynth clears them only in a system reset,
    // which would also take the channels' programs. Their tails fall below
    // the threshold within a second or so of rendering, a few milliseconds
    // of work.
    constexpr int kBlock = 512;
    constexpr float kInaudible = 1e-5F; // -100 dBFS
    std::array<float, kBlock> left{}, right{};
    for (std::int64_t frames = 0; frames < silencingLimit_; frames += kBlock) {
        fluid_synth_write_float(synth_, kBlock, left.data(), 0, 1, right.data(), 0, 1);
        const auto loud = [](float sample) { return std::abs(sample) >= kInaudible; };
        if (std::ranges::none_of(left, loud) && std::ranges::none_of(right, loud))
            break;
    }
}

} // namespace platform::fluidsynth
