#include "platform/core/Runtime.h"

#include "platform/core/Application.h"
#include "platform/core/Scheduler.h"
#include "platform/core/Window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>

namespace platform {

// The framework's registries.
struct RuntimeState {
    std::unique_ptr<Backend> backend;
    std::unique_ptr<Scheduler> scheduler;
    std::vector<std::unique_ptr<ClassRecord>> classes;
    Ref<Application> app;
    std::vector<Ref<Window>> windows;
    std::map<const ClassRecord*, Ref<Object>> implicitInstances;
    int loopResult = 0;
    bool loopRunning = false;
    bool unhandledException = false;
};

namespace {

// The started run-time, held by its Runtime.
RuntimeState* started = nullptr;

RuntimeState& running()
{
    if (started == nullptr) throw std::logic_error("the run-time is not started");
    return *started;
}

// An exit handler: the process is exiting under a started run-time.
void exitWhileStarted()
{
    if (started == nullptr) return;
    const std::string why = started->backend->whyExiting();
    if (!why.empty()) std::fprintf(stderr, "%s\n", why.c_str());
    std::fflush(nullptr);
    std::_Exit(1);
}

} // namespace

Runtime::Runtime(std::unique_ptr<Backend> backend)
{
    if (started != nullptr) throw std::logic_error("the run-time is already started");
    [[maybe_unused]] static const int exitHandler = std::atexit(exitWhileStarted);
    state_ = std::make_unique<RuntimeState>();
    state_->scheduler = std::make_unique<Scheduler>(*backend);
    state_->backend = std::move(backend);
    started = state_.get();
}

Runtime::~Runtime()
{
    if (state_) end();
}

int Runtime::end()
{
    if (!state_) throw std::logic_error("the run-time has ended");
    RuntimeState& runtime = *state_;
    runtime.scheduler->unwindAll();
    for (const Ref<Window>& window : runtime.windows) window->close();
    runtime.windows.clear();
    runtime.implicitInstances.clear();
    runtime.app.reset();
    const int exitCode = runtime.unhandledException ? 1 : runtime.loopResult;
    started = nullptr;
    state_.reset();
    return exitCode;
}

void _RuntimeRun()
{
    RuntimeState& runtime = running();
    runtime.loopRunning = true;
    try {
        runtime.loopResult = runtime.backend->runEventLoop();
    } catch (...) {
        runtime.loopRunning = false;
        throw;
    }
    runtime.loopRunning = false;
}

void _UnhandledException(std::exception_ptr exception)
{
    std::string what = "unknown exception";
    try {
        std::rethrow_exception(std::move(exception));
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    RuntimeState& runtime = running();
    runtime.unhandledException = true;
    const std::string message = "An unexpected error stopped the program: " + what;
    std::cerr << message << '\n';
    // Outside the event loop nothing else would keep the box up; inside it,
    // waiting would hold up the threads and every other event.
    runtime.backend->showMessageBox(message, runtime.scheduler->onMainThread() && !runtime.loopRunning);
}

void _RuntimeInitExternalClasses() {}

void _InitPluginEntrypoints() {}

void _RuntimeRegisterAppObject(const Ref<Application>& app)
{
    running().app = app;
}

Ref<Object> _GetAppObject()
{
    return running().app;
}

Ref<Window> _GetImplicitWindow(std::string_view className)
{
    for (const Ref<Window>& window : running().windows)
        if (window->classRecord().name() == className) return window;
    return nullptr;
}

void RuntimeRegisterWindow(const Ref<Window>& window)
{
    running().windows.push_back(window);
}

Ref<Object>& RuntimeImplicitInstance(const ClassRecord& record)
{
    return running().implicitInstances[&record];
}

Backend& runtimeBackend()
{
    return *running().backend;
}

Scheduler& runtimeScheduler()
{
    return *running().scheduler;
}

const std::vector<std::unique_ptr<ClassRecord>>& runtimeClasses()
{
    return running().classes;
}

ClassRecord& RuntimeNewClass(const ClassRecord* base, std::string name)
{
    auto& classes = running().classes;
    if (RuntimeFindClass(name) != nullptr) throw std::logic_error("class " + name + " is built twice");
    classes.push_back(std::make_unique<ClassRecord>(std::move(name), base));
    return *classes.back();
}

void RuntimeTraceCall(const Object& self, std::string_view name)
{
    running().backend->methodCalled(self, name);
}

const ClassRecord* RuntimeFindClass(std::string_view name)
{
    for (const auto& record : running().classes)
        if (record->name() == name) return record.get();
    return nullptr;
}

} // namespace platform
