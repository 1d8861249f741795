#include "bench/Subprocess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace bench {

Subprocess::Subprocess(const std::vector<std::string>& arguments, const std::string& outputFile)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outputFile.empty())
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int failed = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), ::environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        throw std::runtime_error("could not start " + arguments.front());
}

Subprocess::~Subprocess()
{
    if (pid_ > 0)
        end(SIGKILL);
}

void Subprocess::end(int signal)
{
    if (pid_ <= 0)
        return;
    kill(pid_, signal);
    wait();
}

int Subprocess::wait()
{
    int status = 0;
    if (pid_ > 0)
        waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
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
