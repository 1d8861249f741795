#include "platform/testing/TestBackend.h"

#include "platform/core/NotePlayer.h"
#include "platform/core/Runtime.h"
#include "platform/core/Scheduler.h"

#include <algorithm>

namespace platform {

class TestBackend::RecordingOutput : public NoteOutput {
public:
    RecordingOutput(TestBackend& backend) : backend_(backend) {}

    void setInstrument(const NotePlayer& player, int instrument) override
    {
        backend_.recording_->instruments.emplace_back(player.get(Control::Name), instrument);
    }

    void playNote(const NotePlayer& player, int note, int velocity) override
    {
        backend_.recording_->notes.push_back({player.get(Control::Name), note, velocity, backend_.now_});
        if (backend_.onNote) backend_.onNote(backend_.recording_->notes.back());
    }

private:
    TestBackend& backend_;
};

std::set<std::pair<std::string, int>> Recording::sounding() const
{
    std::set<std::pair<std::string, int>> playing;
    for (const NoteEvent& event : notes) {
        if (event.velocity > 0)
            playing.emplace(event.player, event.note);
        else
            playing.erase({event.player, event.note});
    }
    return playing;
}

TestBackend::TestBackend() : recording_(std::make_shared<Recording>()), output_(std::make_unique<RecordingOutput>(*this)) {}

TestBackend::~TestBackend() = default;

bool TestBackend::runFor(double microseconds)
{
    Scheduler& scheduler = runtimeScheduler();
    const double end = now_ + microseconds;
    while (now_ < end && scheduler.hasRunnable()) {
        // While no thread is due, virtual time runs on to the earliest wake.
        const double next = std::max(now_, std::min(scheduler.nextWake(), end));
        const bool timeMoved = next != now_;
        now_ = next;
        // Only a replaced clock can hold back a thread that virtual time has
        // reached; more turns at the same time would change nothing.
        if (!scheduler.runTurn() && !timeMoved) break;
    }
    return scheduler.hasRunnable();
}

double TestBackend::microseconds()
{
    return clock_ ? clock_() : now_;
}

NoteOutput& TestBackend::noteOutput()
{
    return *output_;
}

int TestBackend::runEventLoop()
{
    if (onEventLoop)
        onEventLoop();
    else
        runUntilIdle();
    return 0;
}

void TestBackend::showMessageBox(const std::string& text, bool wait)
{
    recording_->messages.push_back({text, wait, now_});
    if (onMessageBox) onMessageBox(text);
}

void TestBackend::windowConstructed(Window& window)
{
    if (onWindowConstructed) onWindowConstructed(window);
}

void TestBackend::methodCalled(const Object&, std::string_view method)
{
    recording_->calls.emplace_back(method);
    if (onCall) onCall(method);
}

void TestBackend::yielded()
{
    now_ += microsecondsPerYield;
    ++recording_->yields;
}

} // namespace platform
