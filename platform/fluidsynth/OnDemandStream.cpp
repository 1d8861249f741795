#include "platform/fluidsynth/OnDemandStream.h"

#include <algorithm>

namespace platform::fluidsynth {

namespace {

using Clock = std::chrono::steady_clock;

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
// new stream's first write for one to two seconds.
constexpr double kStartedSeconds = 0.5;
constexpr std::chrono::milliseconds kStartingStall{3000};
// A sound server answers an opening in milliseconds; one that has not after
// this long is stopped or hung, and what waited for it would come too late.
constexpr std::chrono::milliseconds kOpeningGrace{2000};
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

bool OnDemandStream::openedAtStart()
{
    std::unique_lock lock(signals_->mutex);
    signals_->changed.wait(lock, [this] { return signals_->openedAtStart.has_value(); });
    return *signals_->openedAtStart;
}

void OnDemandStream::queued()
{
    bool wake = false;
    {
        const std::lock_guard lock(signals_->mutex);
        signals_->queued = true;
        // An open device renders what is queued; the flag is enough for the
        // stream thread to look when it has closed.
        wake = state_ != State::Open;
    }
    if (wake)
        signals_->changed.notify_all();
}

bool OnDemandStream::streaming() const
{
    return state_ != State::Closed || calls_.running();
}

void OnDemandStream::renderFrames(int frames, float* left, float* right)
{
    renderer_.render(frames, left, right, 1);
}

void OnDemandStream::run()
{
    open();
    Signals& signals = *signals_;
    std::unique_lock lock(signals.mutex);
    while (!signals.ending) {
        const State state = state_;
        if (state == State::Closed) {
            signals.changed.wait(lock, [&] { return signals.ending || signals.queued; });
        } else if (state == State::Opening) {
            const auto answeredOrQueued = [&] {
                return signals.ending || session_->answered() || (overdue_ && signals.queued);
            };
            if (overdue_)
                signals.changed.wait(lock, answeredOrQueued);
            else
                signals.changed.wait_until(lock, openingSince_ + kOpeningGrace, answeredOrQueued);
        } else {
            signals.changed.wait_for(lock, kWatchInterval, [&] { return signals.ending; });
        }
        if (signals.ending)
            break;
        // Cleared before looking, so that whatever is queued from now on
        // is looked at on the next turn.
        signals.queued = false;
        lock.unlock();
        if (state == State::Closed)
            lookAtTheQueue();
        else if (state == State::Opening)
            watchTheOpening();
        else
            watchTheDevice();
        lock.lock();
    }
    lock.unlock();
    if (session_)
        session_->letGo(calls_);
}

void OnDemandStream::lookAtTheQueue()
{
    if (!renderer_.applyUntilStrike())
        return;
    if (lastLetGo_ && !lastLetGo_->closed() && hasStopped(*lastLetGo_)) {
        // A sound server that holds on to a stream it stopped pulling (a
        // suspended sink) would be handed one stream after another.
        renderer_.dropStrikes();
        report(Trouble::StoppedPulling);
        return;
    }
    lastLetGo_.reset();
    open();
}

void OnDemandStream::watchTheOpening()
{
    if (session_->answered()) {
        if (!session_->opened()) {
            close(Trouble::DoesNotOpen);
            decideStart(false);
            return;
        }
        if (overdue_) {
            // What was played before it answered is dropped, as what came
            // before was as it came: the device plays from the next strike.
            renderer_.dropStrikes();
            renderer_.restart();
            session_->gate().connect(*this);
        }
        framesSeen_ = session_->gate().framesPulled();
        openedAt_ = Clock::now();
        state_ = State::Open;
        decideStart(true);
        return;
    }
    if (!overdue_) {
        if (Clock::now() < openingSince_ + kOpeningGrace)
            return;
        overdue_ = true;
        session_->gate().cut(); // the rendering is the stream thread's until it answers
        report(Trouble::DoesNotOpen);
        decideStart(false);
    }
    // Nothing waits for a device that may never answer; what silences the
    // players is applied, so the voices are off by the time one renders.
    renderer_.dropStrikes();
}

void OnDemandStream::watchTheDevice()
{
    PullGate& gate = session_->gate();
    const std::int64_t frames = gate.framesPulled();
    if (frames != framesSeen_) {
        framesSeen_ = frames;
        troubleReported_ = false; // it plays: the next trouble is news
    }
    const auto idle = Clock::now() - std::max(openedAt_, gate.lastPull());
    if (idle >= (frames < started_ ? kStartingStall : stallLimit_)) {
        close(Trouble::StoppedPulling);
        return;
    }
    // Nothing pending first: a strike queued after that and rendered before
    // the silence is read has set the silence back to nothing.
    if (!renderer_.pending() && renderer_.silentFrames() >= closeAfter_)
        close(std::nullopt);
}

bool OnDemandStream::hasStopped(const DeviceSession& session) const
{
    return Clock::now() - session.gate().lastPull() >= stallLimit_;
}

void OnDemandStream::open()
{
    renderer_.restart();
    session_ = std::make_shared<DeviceSession>([signals = signals_] {
        // Taken, so the stream thread is either waiting or yet to look.
        { const std::lock_guard lock(signals->mutex); }
        signals->changed.notify_all();
    });
    session_->gate().connect(*this);
    openingSince_ = Clock::now();
    overdue_ = false;
    state_ = State::Opening;
    session_->open(calls_, device_);
}

void OnDemandStream::close(std::optional<Trouble> trouble)
{
    session_->letGo(calls_);
    lastLetGo_ = std::move(session_);
    if (trouble) {
        // The rendering is the stream thread's now: what waited cannot
        // sound, and the next device must not pick up the music where this
        // one stopped.
        const bool dropped = renderer_.dropStrikes();
        const bool lost = dropped || renderer_.sounding();
        renderer_.silence();
        if (*trouble == Trouble::DoesNotOpen || lost)
            report(*trouble);
    }
    // Last, so that whoever waits for the stream to close finds it said.
    state_ = State::Closed;
}

void OnDemandStream::decideStart(bool opened)
{
    const std::lock_guard lock(signals_->mutex);
    if (signals_->openedAtStart)
        return;
    signals_->openedAtStart = opened;
    signals_->changed.notify_all();
}

void OnDemandStream::report(Trouble trouble)
{
    if (troubleReported_)
        return;
    troubleReported_ = true;
    report_(trouble);
}

} // namespace platform::fluidsynth
