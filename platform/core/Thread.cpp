#include "platform/core/Thread.h"

#include "platform/core/Runtime.h"
#include "platform/core/Scheduler.h"

namespace platform {

Thread::Thread() = default;

Thread::~Thread()
{
    Kill();
}

void Thread::Run()
{
    if (isRunning()) return;
    fiber_.reset();
    fiber_ = std::make_unique<Fiber>(runtimeScheduler(), [this] { fire(*this, "Run"); });
    runtimeBackend().threadsRunnable();
}

void Thread::Kill()
{
    if (!isRunning()) return;
    if (runtimeScheduler().current() == fiber_.get())
        throw std::logic_error("thread " + name_ + " cannot kill itself");
    fiber_.reset();
}

bool Thread::isRunning() const
{
    return fiber_ && !fiber_->finished();
}

const ClassRecord& ThreadClass()
{
    if (const ClassRecord* record = RuntimeFindClass("Thread")) return *record;
    ClassRecord& record = RuntimeNewClass(nullptr, "Thread");
    record.setLayout([] { return std::make_shared<Thread>(); });
    record.addProperties({
        {Thread::StackSize.index, "StackSize", PropertyType::Integer},
        {1, "ThreadID", PropertyType::Integer, PropertyAccess::ReadOnly},
        {Thread::Priority.index, "Priority", PropertyType::Integer},
        {3, "State", PropertyType::Integer, PropertyAccess::ReadOnly},
    });
    record.addMethod("Run", [](Object& self) { static_cast<Thread&>(self).Run(); });
    record.addMethod("Kill", [](Object& self) { static_cast<Thread&>(self).Kill(); });
    return record;
}

} // namespace platform
