#include "platform/fluidsynth/DetachedCalls.h"

#include <thread>

namespace platform::fluidsynth {

DetachedCalls::DetachedCalls() : count_(std::make_shared<Count>())
{
}

void DetachedCalls::run(std::function<void()> call)
{
    {
        const std::lock_guard lock(count_->mutex);
        ++count_->running;
    }
    const auto returned = [count = count_] {
        const std::lock_guard lock(count->mutex);
        --count->running;
        count->returned.notify_all();
    };
    try {
        std::thread([returned, call = std::move(call)]() mutable {
            call();
            call = nullptr; // what it owned goes before it counts as returned
            returned();
        }).detach();
    } catch (...) {
        returned();
        throw;
    }
}

bool DetachedCalls::waitAll(std::chrono::milliseconds limit) const
{
    std::unique_lock lock(count_->mutex);
    return count_->returned.wait_for(lock, limit, [this] { return count_->running == 0; });
}

bool DetachedCalls::running() const
{
    const std::lock_guard lock(count_->mutex);
    return count_->running > 0;
}

} // namespace platform::fluidsynth
