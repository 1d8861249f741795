#include "platform/fluidsynth/OnDemandStream.h"

#include <system_error>

namespace platform::fluidsynth {

namespace {

// How often the stream looks at an open device.
constexpr std::chrono::milliseconds kWatchInterval{250};
// Silence after the last voice ended, release tails and reverb included,
// before the device is closed: long enough that the pauses of the music
// never close it.
constexpr double kCloseAfterSeconds = 2.0;
// A device that has pulled nothing for this many periods has stopped: far
// longer than a busy machine holds up a period, short enough that the music
// goes on soon after its sound server comes back.
constexpr int kStallPeriods = 10;
// Until it has pulled this much, a device that pulls nothing has stopped
// only after kStartingStall: a PulseAudio null sink that may rewind holds a
// new stream's first write for one to two seconds. An opening that has not
// answered after as long is reported.
constexpr double kStartedSeconds = 0.5;
constexpr std::chrono::milliseconds kStartingStall{3000};
// How long a stream being destroyed gives its devices to close: a device
// still closing after that (its server stopped) is left to the process's
// exit.
constexpr std::chrono::milliseconds kClosingGrace{200};

} // namespace

OnDemandStream::OnDemandStream(std::shared_ptr<AudioDevice> device, EventRenderer& renderer, double sampleRate,
                               int periodFrames, std::function<void(Trouble)> report)
    : device_(std::move(device))
    , renderer_(renderer)
    , closeAfter_(static_cast<std::int64_t>(kCloseAfterSeconds * sampleRate))
    , stallLimit_(static_cast<int>(kStallPeriods * periodFrames / sampleRate * 1000))
    , started_(static_cast<std::int64_t>(kStartedSeconds * sampleRate))
    , report_(std::move(report))
    , thread_([this] { run(); })
{
}

OnDemandStream::~OnDemandStream()
{
    {
        const std::lock_guard lock(signals_->mutex);
        signals_->ending = true;
    }
    signals_->changed.notify_all();
    thread_.join();
    calls_.waitAll(kClosingGrace);
}

bool OnDemandStream::openedWhenTried(std::chrono::milliseconds limit)
{
    std::unique_lock lock(signals_->mutex);
    // The stream thread counts a failed try as reported trouble; one that
    // has not answered yet counts as well, as the caller reports it now.
    if (!signals_->changed.wait_for(lock, limit, [this] { return signals_->openedWhenTried.has_value(); }))
        signals_->troubleReported = true;
    return signals_->openedWhenTried.value_or(false);
}

void OnDemandStream::queued()
{
    const std::lock_guard lock(signals_->mutex);
    if (signals_->state != State::Closed || signals_->queuedWhileClosed)
        return;
    signals_->queuedWhileClosed = true;
    signals_->changed.notify_all();
}

bool OnDemandStream::streaming() const
{
    {
        const std::lock_guard lock(signals_->mutex);
        if (signals_->state != State::Closed)
            return true;
    }
    return calls_.running();
}

void OnDemandStream::renderFrames(int frames, float* left, float* right)
{
    renderer_.render(frames, left, right, 1);
}

void OnDemandStream::run()
{
    beginOpening(true);
    std::unique_lock lock(signals_->mutex);
    while (!signals_->ending) {
        Signals& signals = *signals_;
        if (signals.state == State::Closed) {
            signals.changed.wait(lock, [&] { return signals.ending || signals.queuedWhileClosed; });
            if (signals.ending)
                break;
            signals.queuedWhileClosed = false;
            lock.unlock();
            // Only the stream thread renders while the device is closed.
            if (renderer_.applyUntilStrike())
                beginOpening(false);
        } else if (signals.state == State::Opening) {
            const bool answered = signals.changed.wait_for(
                lock, kStartingStall, [&] { return signals.ending || signals.answered; });
            if (signals.ending)
                break;
            if (!answered) {
                // A sound server that does not answer (stopped, or hung):
                // said once, and the opening waited for, as one that answers
                // at last plays; what is played meanwhile waits, and is late.
                lock.unlock();
                if (!trying_)
                    reportOnce(Trouble::DoesNotOpen);
                lock.lock();
                continue;
            }
            signals.answered = false;
            auto connection = std::move(signals.connection);
            lock.unlock();
            openingAnswered(std::move(connection));
        } else {
            if (signals.changed.wait_for(lock, kWatchInterval, [&] { return signals.ending; }))
                break;
            lock.unlock();
            watchDevice();
        }
        lock.lock();
    }
    // An opening that answered as the stream ended is let go with the rest;
    // one still under way lets its device go itself.
    if (signals_->connection)
        connection_ = std::move(signals_->connection);
    lock.unlock();
    if (gate_)
        letDeviceGo();
}

void OnDemandStream::beginOpening(bool tryOnly)
{
    trying_ = tryOnly;
    // The try at construction plays silence.
    gate_ = std::make_shared<PullGate>(tryOnly ? nullptr : static_cast<FrameSource*>(this));
    if (!tryOnly)
        renderer_.restart();
    enter(State::Opening);
    try {
        calls_.run([signals = signals_, device = device_, gate = gate_] {
            std::unique_ptr<AudioConnection> connection;
            try {
                connection = device->open(*gate);
            } catch (...) {
                // A device that throws did not open.
            }
            std::unique_lock lock(signals->mutex);
            if (signals->ending) {
                lock.unlock();
                connection.reset(); // closes the device here, however long that takes
                return;
            }
            signals->connection = std::move(connection);
            signals->answered = true;
            signals->changed.notify_all();
        });
    } catch (const std::system_error&) {
        const std::lock_guard lock(signals_->mutex);
        signals_->answered = true; // no thread to open on: did not open
    }
}

void OnDemandStream::openingAnswered(std::unique_ptr<AudioConnection> connection)
{
    const bool opened = connection != nullptr;
    connection_ = std::move(connection);
    if (trying_) {
        letDeviceGo();
        enter(State::Closed); // strikes played meanwhile open the device now
        const std::lock_guard lock(signals_->mutex);
        signals_->openedWhenTried = opened;
        signals_->troubleReported = !opened;
        signals_->changed.notify_all();
        return;
    }
    if (!opened) {
        letDeviceGo();
        renderer_.dropStrikes();
        reportOnce(Trouble::DoesNotOpen);
        enter(State::Closed);
        return;
    }
    framesAtOpening_ = framesSeen_ = gate_->framesPulled();
    lastPull_ = std::chrono::steady_clock::now();
    enter(State::Open);
}

void OnDemandStream::watchDevice()
{
    const auto now = std::chrono::steady_clock::now();
    const std::int64_t frames = gate_->framesPulled();
    if (frames != framesSeen_) {
        framesSeen_ = frames;
        lastPull_ = now;
        const std::lock_guard lock(signals_->mutex);
        signals_->troubleReported = false; // it plays: the next trouble is news
    } else if (now - lastPull_ >= (frames - framesAtOpening_ < started_ ? kStartingStall : stallLimit_)) {
        letDeviceGo();
        renderer_.dropStrikes();
        // The next device must not pick up notes where this one stopped.
        renderer_.silenceVoices();
        reportOnce(Trouble::StoppedPulling);
        enter(State::Closed);
        return;
    }
    if (renderer_.silentFrames() >= closeAfter_ && !renderer_.pending()) {
        letDeviceGo();
        enter(State::Closed);
    }
}

void OnDemandStream::letDeviceGo()
{
    gate_->cut();
    auto gate = std::move(gate_);
    if (!connection_)
        return;
    std::shared_ptr<AudioConnection> connection = std::move(connection_);
    try {
        calls_.run([gate = std::move(gate), connection = std::move(connection)]() mutable {
            connection.reset(); // before the gate it pulls through
        });
    } catch (const std::system_error&) {
        // No thread to close on: the device closes here, as the call goes.
    }
}

void OnDemandStream::enter(State state)
{
    const std::lock_guard lock(signals_->mutex);
    signals_->state = state;
    // Closed, the stream looks at the queue once itself: what was played
    // while the state changed woke nobody.
    signals_->queuedWhileClosed = state == State::Closed;
}

void OnDemandStream::reportOnce(Trouble trouble)
{
    {
        const std::lock_guard lock(signals_->mutex);
        if (signals_->troubleReported)
            return;
        signals_->troubleReported = true;
    }
    report_(trouble);
}

} // namespace platform::fluidsynth
