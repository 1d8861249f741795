#include "platform/fluidsynth/OnDemandStream.h"

namespace platform::fluidsynth {

OnDemandStream::OnDemandStream(AudioDevice& device, EventRenderer& renderer, std::int64_t closeAfterSilentFrames,
                               std::function<void()> reportOpenFailed)
    : device_(device)
    , renderer_(renderer)
    , closeAfter_(closeAfterSilentFrames)
    , reportOpenFailed_(std::move(reportOpenFailed))
    , thread_([this] { run(); })
{
}

OnDemandStream::~OnDemandStream()
{
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void OnDemandStream::play(const SynthEvent& event)
{
    const std::lock_guard lock(mutex_);
    renderer_.push(event);
    if (state_ == State::Closed && !event.strikes()) {
        renderer_.flush(); // nothing else waits while closed
        return;
    }
    if (state_ == State::Closed) {
        state_ = State::Opening;
        wake_.notify_one();
    }
}

bool OnDemandStream::streaming() const
{
    const std::lock_guard lock(mutex_);
    return state_ != State::Closed;
}

void OnDemandStream::renderFrames(int frames, float* left, float* right)
{
    // The device is closing: what waits now is for the next opening, and
    // the drivers hand over silence already.
    if (!rendering_)
        return;
    const std::int64_t before = renderer_.silentFrames();
    renderer_.render(frames, left, right, 1);
    if (before < closeAfter_ && renderer_.silentFrames() >= closeAfter_) {
        const std::lock_guard lock(mutex_);
        wake_.notify_one();
    }
}

bool OnDemandStream::shouldClose() const
{
    return state_ == State::Open && renderer_.silentFrames() >= closeAfter_ && !renderer_.pending();
}

void OnDemandStream::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return ending_ || state_ == State::Opening || shouldClose(); });
        if (ending_)
            break;
        if (state_ == State::Opening) {
            rendering_ = true;
            lock.unlock();
            const bool opened = device_.open(*this);
            if (!opened && !failing_)
                reportOpenFailed_();
            lock.lock();
            failing_ = !opened;
            if (opened) {
                state_ = State::Open;
            } else {
                renderer_.flush();
                state_ = State::Closed;
            }
            continue;
        }
        state_ = State::Closing;
        rendering_ = false;
        lock.unlock();
        device_.close();
        lock.lock();
        // A period the device was rendering when closing began may have
        // started a note played meanwhile; it sounds on once the device
        // opens again.
        const bool startedWhileClosing = renderer_.silentFrames() < closeAfter_;
        renderer_.restart();
        // What was played while the device closed is not lost: a strike opens
        // it again, anything else takes effect now.
        if (renderer_.strikePending() || startedWhileClosing) {
            state_ = State::Opening;
        } else {
            renderer_.flush();
            state_ = State::Closed;
        }
    }
    if (state_ == State::Open) {
        lock.unlock();
        device_.close();
    }
}

} // namespace platform::fluidsynth
