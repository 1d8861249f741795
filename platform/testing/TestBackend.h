#pragma once

#include "platform/core/Backend.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

struct NoteEvent {
    std::string player; // the note player's Name
    int note;
    int velocity;
    double time; // virtual microseconds
    friend bool operator==(const NoteEvent&, const NoteEvent&) = default;
};

struct MessageEvent {
    std::string text;
    bool waited; // whether the call waited for the box to close
    double time;
};

// What a test backend saw; it outlives the run-time when a test keeps it.
struct Recording {
    std::vector<NoteEvent> notes;
    std::vector<MessageEvent> messages;
    std::vector<std::pair<std::string, int>> instruments; // player, instrument
    std::vector<std::string> calls;                        // methods called by name
    long yields = 0;

    // The notes sounding after the recorded events: a strike starts a note, a
    // release ends it however often it was struck.
    std::set<std::pair<std::string, int>> sounding() const;
};

// A headless backend for tests and developer tools: a virtual clock that
// advances 1000 microseconds at each yield and, when every thread waits for a
// later time, straight to the earliest of those times; note players that
// record what they play, and message boxes that are only recorded. Whole
// performances run in milliseconds.
class TestBackend : public Backend {
public:
    static constexpr double microsecondsPerYield = 1000.0;

    TestBackend();
    ~TestBackend() override;

    std::shared_ptr<Recording> recording() const { return recording_; }
    double now() const { return now_; }

    // Replaces the virtual clock, for waits that must see odd readings. Threads
    // that wait for a time are due by the clock it gives.
    void setClock(std::function<double()> clock) { clock_ = std::move(clock); }

    // What the event loop does; by default it gives the threads turns until
    // none is runnable.
    std::function<void()> onEventLoop;
    std::function<void(const NoteEvent&)> onNote;
    std::function<void(std::string_view method)> onCall;
    std::function<void(const std::string& text)> onMessageBox;
    std::function<void(Window&)> onWindowConstructed;

    // Gives the threads turns until `microseconds` of virtual time have
    // passed, no thread is runnable, or a replaced clock holds back every
    // thread that virtual time has reached; returns whether one still is.
    bool runFor(double microseconds);
    void runUntilIdle() { runFor(1e15); }
    bool quitRequested() const { return quitRequested_; }

    double microseconds() override;
    NoteOutput& noteOutput() override;
    int runEventLoop() override;
    void quit() override { quitRequested_ = true; }
    void showMessageBox(const std::string& text, bool wait) override;
    void windowConstructed(Window& window) override;
    void yielded() override;
    void methodCalled(const Object& self, std::string_view method) override;

private:
    class RecordingOutput;

    std::shared_ptr<Recording> recording_;
    std::unique_ptr<RecordingOutput> output_;
    std::function<double()> clock_;
    double now_ = 0.0;
    bool quitRequested_ = false;
};

} // namespace platform
