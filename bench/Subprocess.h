#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace bench {

// Where a child's standard output and standard error go. Output goes to the
// named file, to a pipe the bench reads (Subprocess::output()), or, when
// neither is asked for, where the bench's own goes; errors go to the named
// file or are discarded.
struct Streams {
    std::string outputFile = {};
    bool outputPipe = false;
    std::string errorFile = {};
};

// A child process for the bench: started with its arguments (found on the
// PATH), signalled, waited for with or without a time limit, and ended, at
// the latest when this object goes. It dies with the thread that started it,
// however the bench ends, so nothing of a bench is left running after it.
class Subprocess {
public:
    explicit Subprocess(const std::vector<std::string>& arguments, const Streams& streams = {});
    ~Subprocess();
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;

    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0; }
    // The read end of the output pipe, or -1 without one.
    int output() const { return output_; }

    // Sends `signal` and returns at once.
    void signal(int signal) const;
    // Sends `signal` and waits a few seconds for the process to end; kills it
    // if it has not.
    void end(int signal);
    // Waits for the process to end by itself; its exit status.
    int wait();
    // Its exit status if it ends within `seconds`, looked at every
    // millisecond; nothing if it still runs then.
    std::optional<int> waitFor(double seconds);

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

// Runs the program to its end and returns what it wrote on standard output.
std::string outputOf(const std::vector<std::string>& arguments);
// The same, only if it exited with status 0.
std::optional<std::string> outputIfSucceeded(const std::vector<std::string>& arguments);

// Whether `program` is an executable on the PATH.
bool onPath(const std::string& program);

} // namespace bench
