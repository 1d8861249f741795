#include "bench/Subprocess.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <thread>
#include <utility>

namespace bench {

namespace {

constexpr double kEndGraceSeconds = 5;

// A pipe whose two ends are closed on exec and when this object goes, unless
// one was taken.
class Pipe {
public:
    Pipe()
    {
        if (pipe2(ends_, O_CLOEXEC) != 0)
            throw std::system_error(errno, std::generic_category(), "pipe");
    }
    ~Pipe()
    {
        for (int end : ends_)
            if (end >= 0) close(end);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    int read() const { return ends_[0]; }
    int write() const { return ends_[1]; }
    int takeRead() { return std::exchange(ends_[0], -1); }
    void closeWrite() { close(std::exchange(ends_[1], -1)); }

private:
    int ends_[2];
};

// In the child between fork and exec: only calls that are safe there.
[[noreturn]] void becomeChild(pid_t parent, char* const* argv, const Streams& streams, int outputPipe, int report)
{
    // Dies with the bench's thread that started it; if that went before
    // this could be asked for, it goes at once.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    const auto redirect = [report](const char* file, int flags, int target) {
        const int fd = open(file, flags | O_CLOEXEC, 0644);
        if (fd < 0 || dup2(fd, target) < 0) {
            const int error = errno;
            [[maybe_unused]] const ssize_t written = ::write(report, &error, sizeof error);
            _exit(127);
        }
    };
    if (outputPipe >= 0)
        dup2(outputPipe, STDOUT_FILENO);
    else if (!streams.outputFile.empty())
        redirect(streams.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, STDOUT_FILENO);
    redirect(streams.errorFile.empty() ? "/dev/null" : streams.errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
             STDERR_FILENO);
    execvp(argv[0], argv);
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(report, &error, sizeof error);
    _exit(127);
}

} // namespace

Subprocess::Subprocess(const std::vector<std::string>& arguments, const Streams& streams)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    Pipe report; // carries errno if the child could not exec
    std::optional<Pipe> output;
    if (streams.outputPipe) output.emplace();
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0)
        throw std::system_error(errno, std::generic_category(), "fork");
    if (pid_ == 0)
        becomeChild(parent, argv.data(), streams, output ? output->write() : -1, report.write());
    report.closeWrite();
    int error = 0;
    ssize_t got;
    while ((got = read(report.read(), &error, sizeof error)) < 0 && errno == EINTR) {}
    if (got > 0) {
        wait();
        throw std::system_error(error, std::generic_category(), "could not start " + arguments.front());
    }
    if (output) output_ = output->takeRead();
}

Subprocess::~Subprocess()
{
    if (pid_ > 0)
        end(SIGKILL);
    if (output_ >= 0)
        close(output_);
}

void Subprocess::signal(int signal) const
{
    if (pid_ > 0)
        kill(pid_, signal);
}

void Subprocess::end(int signal)
{
    if (pid_ <= 0)
        return;
    kill(pid_, signal);
    if (!waitFor(kEndGraceSeconds)) {
        kill(pid_, SIGKILL);
        wait();
    }
}

int Subprocess::wait()
{
    int status = 0;
    if (pid_ > 0) {
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
        pid_ = -1;
    }
    return status;
}

std::optional<int> Subprocess::waitFor(double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (pid_ <= 0) return 0;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return status;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

namespace {

// Runs the program to its end: its wait status (0 when it exited with 0),
// and what it wrote on standard output into `text`.
int runFor(const std::vector<std::string>& arguments, std::string& text)
{
    Subprocess child(arguments, {.outputPipe = true});
    char buffer[4096];
    for (ssize_t got; (got = read(child.output(), buffer, sizeof buffer)) != 0;) {
        if (got < 0) {
            if (errno == EINTR) continue;
            break;
        }
        text.append(buffer, std::size_t(got));
    }
    return child.wait();
}

} // namespace

std::string outputOf(const std::vector<std::string>& arguments)
{
    std::string text;
    runFor(arguments, text);
    return text;
}

std::optional<std::string> outputIfSucceeded(const std::vector<std::string>& arguments)
{
    std::string text;
    if (runFor(arguments, text) != 0) return std::nullopt;
    return text;
}

bool onPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::istringstream directories(path ? path : "");
    for (std::string directory; std::getline(directories, directory, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(directory) / program;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

} // namespace bench
