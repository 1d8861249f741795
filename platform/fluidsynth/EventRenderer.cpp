#include "platform/fluidsynth/EventRenderer.h"

#include <algorithm>

namespace platform::fluidsynth {

EventRenderer::EventRenderer(fluid_synth_t* synth, double sampleRate, std::int64_t latencyFrames,
                             std::function<double()> clock)
    : synth_(synth), clock_(std::move(clock)), frameClock_(sampleRate, latencyFrames)
{
}

void EventRenderer::push(const SynthEvent& event)
{
    const std::lock_guard lock(mutex_);
    pending_.push_back(event);
}

bool EventRenderer::pending() const
{
    const std::lock_guard lock(mutex_);
    return !pending_.empty();
}

bool EventRenderer::strikePending() const
{
    const std::lock_guard lock(mutex_);
    return std::ranges::any_of(pending_, &SynthEvent::strikes);
}

void EventRenderer::render(int frames, float* left, float* right, int stride)
{
    const double now = clock_();
    std::int64_t start = 0;
    {
        const std::lock_guard lock(mutex_);
        start = rendered_;
        if (!frameClock_.anchored())
            frameClock_.anchor(pending_.empty() ? now : pending_.front().stamp, start, now);
        frameClock_.observe(start, now);
        // Stamps come from one monotonic clock, so the events fall due in order.
        while (!pending_.empty()) {
            const std::int64_t frame = frameClock_.frameOf(pending_.front().stamp);
            if (frame >= start + frames)
                break;
            due_.emplace_back(frame, pending_.front());
            pending_.pop_front();
        }
    }
    int done = 0;
    const auto renderUpTo = [&](int end) {
        if (end > done)
            fluid_synth_write_float(synth_, end - done, left, done * stride, stride, right, done * stride, stride);
        done = std::max(done, end);
    };
    for (const auto& [frame, event] : due_) {
        // An event whose frame has been rendered already takes effect at once.
        renderUpTo(static_cast<int>(std::max<std::int64_t>(frame - start, 0)));
        event.applyTo(synth_);
    }
    renderUpTo(frames);
    due_.clear();

    const bool voicesSilent = fluid_synth_get_active_voice_count(synth_) == 0;
    const std::lock_guard lock(mutex_);
    rendered_ += frames;
    silent_ = voicesSilent && pending_.empty() ? silent_ + frames : 0;
}

std::int64_t EventRenderer::silentFrames() const
{
    const std::lock_guard lock(mutex_);
    return silent_;
}

std::int64_t EventRenderer::renderedFrames() const
{
    const std::lock_guard lock(mutex_);
    return rendered_;
}

void EventRenderer::restart()
{
    const std::lock_guard lock(mutex_);
    frameClock_.release();
    silent_ = 0;
}

void EventRenderer::flush()
{
    const std::lock_guard lock(mutex_);
    for (const SynthEvent& event : pending_)
        if (!event.strikes())
            event.applyTo(synth_);
    pending_.clear();
}

} // namespace platform::fluidsynth
