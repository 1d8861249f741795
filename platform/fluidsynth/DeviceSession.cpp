#include "platform/fluidsynth/DeviceSession.h"

#include <system_error>

namespace platform::fluidsynth {

DeviceSession::DeviceSession(std::function<void()> onAnswer) : onAnswer_(std::move(onAnswer))
{
}

void DeviceSession::open(DetachedCalls& calls, std::shared_ptr<AudioDevice> device)
{
    try {
        calls.run([self = shared_from_this(), device = std::move(device)] {
            std::unique_ptr<AudioConnection> connection;
            try {
                connection = device->open(self->gate_);
            } catch (...) {
                // A device that throws did not open.
            }
            self->answer(std::move(connection));
        });
    } catch (const std::system_error&) {
        answer(nullptr); // no thread to open on: did not open
    }
}

void DeviceSession::answer(std::unique_ptr<AudioConnection> connection)
{
    std::unique_lock lock(mutex_);
    answered_ = true;
    connection_ = std::move(connection);
    closed_ = !connection_;
    const bool alreadyLetGo = letGo_ && connection_;
    lock.unlock();
    onAnswer_();
    if (alreadyLetGo)
        close();
}

void DeviceSession::letGo(DetachedCalls& calls)
{
    gate_.cut();
    {
        const std::lock_guard lock(mutex_);
        letGo_ = true;
        // Still opening, the opening closes it once it answers.
        if (!connection_)
            return;
    }
    try {
        calls.run([self = shared_from_this()] { self->close(); });
    } catch (const std::system_error&) {
        close(); // no thread to close on: it closes here, as the call goes
    }
}

void DeviceSession::close()
{
    std::unique_lock lock(mutex_);
    auto connection = std::move(connection_);
    lock.unlock();
    connection.reset(); // however long that takes
    lock.lock();
    closed_ = true;
}

bool DeviceSession::answered() const
{
    const std::lock_guard lock(mutex_);
    return answered_;
}

bool DeviceSession::opened() const
{
    const std::lock_guard lock(mutex_);
    return connection_ != nullptr;
}

bool DeviceSession::closed() const
{
    const std::lock_guard lock(mutex_);
    return closed_;
}

} // namespace platform::fluidsynth
