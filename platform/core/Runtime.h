#pragma once

#include "platform/core/Backend.h"
#include "platform/core/ClassRecord.h"

#include <exception>
#include <memory>
#include <string_view>

namespace platform {

class Application;
class Scheduler;
class Window;
struct RuntimeState;

// The framework's run-time: its registries, from start to end, one at a time.
// Whoever starts the program holds it (main, a test), never a static: so it
// ends before main returns, and when a library ends the process with exit()
// from inside the event loop (Qt's X11 plugin does, when its display
// connection breaks), the exit handlers find nothing of it to destroy under
// a library whose globals they are tearing down. Such an exit ends the
// process at once, with status 1 and the backend's line saying why: the
// threads stand mid-turn, so nothing can be ended in order, and nothing
// sounds on.
class Runtime {
public:
    // Starts the run-time on a backend. Every other operation of the
    // framework needs a started run-time.
    explicit Runtime(std::unique_ptr<Backend> backend);
    // Ends the run-time unless end() has.
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // Shuts the run-time down: kills every thread, closes the windows and
    // releases the application object, then the backend. Returns the exit
    // code: the event loop's result, or 1 if an exception reached the
    // unhandled-exception handler.
    int end();

private:
    std::unique_ptr<RuntimeState> state_;
};

// The event loop; returns when the application quits.
void _RuntimeRun();

// The handler of an exception that nothing else caught: reported on standard
// error and, where a window can show it, in a message box. Outside the event
// loop (a failed start-up) the box is waited for, since nothing else would
// keep it up; inside it, and on a thread, the handler returns at once.
void _UnhandledException(std::exception_ptr exception);

// This framework has no external classes and no plug-in controls, so there is
// nothing to set up; start-up calls these all the same.
void _RuntimeInitExternalClasses();
void _InitPluginEntrypoints();

void _RuntimeRegisterAppObject(const Ref<Application>& app);
Ref<Object> _GetAppObject();

// The framework's window of that class, or nil.
Ref<Window> _GetImplicitWindow(std::string_view className);

// Adds a constructed window to the framework's windows.
void RuntimeRegisterWindow(const Ref<Window>& window);

// The slot in which a one-instance class keeps its instance (nil until set).
Ref<Object>& RuntimeImplicitInstance(const ClassRecord& record);

Backend& runtimeBackend();
Scheduler& runtimeScheduler();

// The registry of class records, in the order in which they were built.
const std::vector<std::unique_ptr<ClassRecord>>& runtimeClasses();

} // namespace platform
