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

// Starts the framework's run-time on a backend. Every other operation of the
// framework needs a started run-time.
void RuntimeInit(std::unique_ptr<Backend> backend);

// Shuts the run-time down: kills every thread, closes the windows and releases
// the application object, then the backend. Returns the exit code: the event
// loop's result, or 1 if an exception reached the unhandled-exception handler.
int RuntimeExit();

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
