#include "bench/BusyLoad.h"

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace bench {

namespace {

[[noreturn]] void spin(pid_t parent)
{
    // Dies with the benchmark, however it ends; if it ended before this
    // child could ask for that, it goes at once.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(0);
    volatile unsigned long turns = 0;
    for (;;) {
        const unsigned long next = turns + 1;
        turns = next;
    }
}

} // namespace

BusyLoad::BusyLoad()
{
    const pid_t parent = getpid();
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    for (long core = 0; core < cores; ++core) {
        const pid_t child = fork();
        if (child == 0) spin(parent);
        if (child < 0) {
            const int error = errno;
            end();
            throw std::system_error(error, std::generic_category(), "fork");
        }
        children_.push_back(child);
    }
}

BusyLoad::~BusyLoad()
{
    end();
}

void BusyLoad::end()
{
    for (const pid_t child : children_) kill(child, SIGKILL);
    for (const pid_t child : children_) waitpid(child, nullptr, 0);
    children_.clear();
}

std::unique_ptr<BusyLoad> loadFromArguments(int argc, char** argv)
{
    if (argc == 1) return nullptr;
    if (argc == 2 && std::string_view(argv[1]) == "--load") {
        auto load = std::make_unique<BusyLoad>();
        std::printf("under load: %zu busy processes\n", load->processes());
        return load;
    }
    std::fprintf(stderr, "usage: %s [--load]\n", argv[0]);
    std::exit(2);
}

} // namespace bench
