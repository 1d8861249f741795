#include "bench/Holdings.h"

#include "bench/Subprocess.h"

#include <filesystem>
#include <optional>
#include <iterator>
#include <sstream>

namespace bench {

namespace {

int entriesIn(const std::filesystem::path& directory)
{
    std::error_code error;
    const std::filesystem::directory_iterator entries(directory, error);
    return error ? 0 : int(std::distance(entries, std::filesystem::directory_iterator()));
}

// Entries of ours on the server, or -1 if pactl got no answer.
int serverEntries(const char* kind, pid_t pid)
{
    const std::optional<std::string> listing = outputIfSucceeded({"pactl", "list", kind});
    return listing ? entriesOf(*listing, pid) : -1;
}

} // namespace

int entriesOf(const std::string& pactlList, pid_t pid)
{
    // An entry starts with an unindented line ("Client #3"); its properties
    // are indented below it.
    const std::string owner = "application.process.id = \"" + std::to_string(pid) + "\"";
    std::istringstream lines(pactlList);
    int count = 0;
    bool counted = true;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.front() != '\t' && line.front() != ' ')
            counted = false;
        else if (!counted && line.find(owner) != std::string::npos)
            counted = true, ++count;
    }
    return count;
}

Holdings holdingsOf(pid_t pid)
{
    const std::filesystem::path process = "/proc/" + std::to_string(pid);
    return {entriesIn(process / "task"), entriesIn(process / "fd"), serverEntries("clients", pid),
            serverEntries("sink-inputs", pid)};
}

} // namespace bench
