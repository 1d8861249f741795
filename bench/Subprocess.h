#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace bench {

// A child process for the bench: started with its arguments (found on the
// PATH, standard output optionally to a file, standard error discarded),
// ended by signal, and reaped, at the latest when this object goes.
class Subprocess {
public:
    explicit Subprocess(const std::vector<std::string>& arguments, const std::string& outputFile = {});
    ~Subprocess();
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;

    // Sends `signal` and waits for the process to end.
    void end(int signal);
    // Waits for the process to end by itself; its exit status.
    int wait();

private:
    pid_t pid_ = -1;
};

// Whether `program` is an executable on the PATH.
bool onPath(const std::string& program);

} // namespace bench
