#include "platform/qt/TimedAttempt.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace platform {

namespace {

// The two ends of a pipe, closed when it goes.
class Pipe {
public:
    Pipe()
    {
        if (pipe2(ends_, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    ~Pipe()
    {
        for (const int end : ends_)
            if (end >= 0) close(end);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    int readEnd() const { return ends_[0]; }
    int writeEnd() const { return ends_[1]; }
    void closeWriteEnd()
    {
        close(ends_[1]);
        ends_[1] = -1;
    }

private:
    int ends_[2];
};

} // namespace

AttemptResult attemptWithin(std::chrono::milliseconds limit, bool (*attempt)())
{
    Pipe answer;
    const pid_t child = fork();
    if (child < 0) throw std::system_error(errno, std::generic_category(), "fork");
    if (child == 0) {
        const char result = attempt() ? 'y' : 'n';
        _exit(write(answer.writeEnd(), &result, 1) == 1 ? 0 : 1);
    }
    answer.closeWriteEnd();

    const auto deadline = std::chrono::steady_clock::now() + limit;
    pollfd readable{answer.readEnd(), POLLIN, 0};
    int ready = 0;
    do {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        ready = poll(&readable, 1, static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
    } while (ready < 0 && errno == EINTR);
    // A child that died without a word closed its end: that reads as nothing.
    char result = 0;
    const bool answered = ready > 0 && read(answer.readEnd(), &result, 1) == 1;
    if (!answered) kill(child, SIGKILL);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (ready <= 0) return AttemptResult::TimedOut;
    return answered && result == 'y' ? AttemptResult::Succeeded : AttemptResult::Failed;
}

} // namespace platform
