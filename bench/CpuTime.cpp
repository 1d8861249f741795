#include "bench/CpuTime.h"

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace bench {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

namespace {

// The user and system time of a /proc stat file's task, in clock ticks; its
// name (in parentheses) into `name`.
double ticksOf(const std::filesystem::path& statFile, std::string& name)
{
    std::ifstream stat(statFile);
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos)
        return 0;
    name = text.substr(open + 1, close - open - 1);
    // After the name: the state, then 10 fields, then utime and stime.
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    for (int i = 0; i < 11; ++i) fields >> field;
    double user = 0, system = 0;
    fields >> user >> system;
    return user + system;
}

double seconds(double ticks)
{
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

} // namespace

double processCpuSeconds(pid_t pid)
{
    std::string name;
    return seconds(ticksOf("/proc/" + std::to_string(pid) + "/stat", name));
}

double threadCpuSeconds(const std::string& name)
{
    double ticks = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string taskName;
        const double taskTicks = ticksOf(task.path() / "stat", taskName);
        if (taskName == name)
            ticks += taskTicks;
    }
    return seconds(ticks);
}

} // namespace bench
