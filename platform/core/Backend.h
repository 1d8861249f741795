#pragma once

#include "platform/core/NoteOutput.h"

#include <string>
#include <string_view>

namespace platform {

class Object;
class Window;

// What the framework needs of the machine it runs on: a clock, an event loop,
// a view of the windows, message boxes and somewhere for notes to sound. The
// desktop backend is Qt with FluidSynth; the test backend is headless, with a
// virtual clock and recording note players.
class Backend {
public:
    virtual ~Backend() = default;

    // A monotonic clock in microseconds; only differences are meaningful.
    virtual double microseconds() = 0;

    virtual NoteOutput& noteOutput() = 0;

    // Runs the event loop until quit() is called; returns the loop's result.
    virtual int runEventLoop() = 0;
    virtual void quit() = 0;

    // Shows text in a message box that keeps the listener from the window
    // until it is closed. With wait, this returns once the box is closed: it
    // runs a nested event loop, so only the main thread may wait. Otherwise it
    // returns at once and the event loop goes on.
    virtual void showMessageBox(const std::string& text, bool wait) = 0;

    // A window has been constructed, with its menu bar and controls.
    virtual void windowConstructed(Window&) {}

    // A cooperative thread has become runnable: the event loop must give the
    // threads turns until none is runnable.
    virtual void threadsRunnable() {}

    // Called at every yield, on any thread, before the turn passes on.
    virtual void yielded() {}

    // The process is exiting while the run-time still runs: a library has
    // called exit() (Qt's X11 plugin does when its display connection
    // breaks). The line for standard error that says why, or empty. It is
    // asked among the exit handlers, after some of the libraries' globals
    // have gone: it may only read what the backend noted before.
    virtual std::string whyExiting() const { return {}; }

    // Called for every call made by name through a method table, before the
    // method runs; lets tests and tools see what the program calls.
    virtual void methodCalled(const Object&, std::string_view) {}
};

} // namespace platform
