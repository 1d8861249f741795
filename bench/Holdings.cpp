#include "bench/Holdings.h"

#include "bench/Subprocess.h"

#include <filesystem>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>

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
    return listing ? int(entriesOf(*listing, pid).size()) : -1;
}

} // namespace

std::vector<int> entriesOf(const std::string& pactlList, pid_t pid)
{
    // An entry starts with an unindented line with its number ("Client
    // #3"); its properties are indented below it.
    const std::string owner = "application.process.id = \"" + std::to_string(pid) + "\"";
    std::istringstream lines(pactlList);
    std::vector<int> owned;
    int entry = -1;
    bool counted = true;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.front() != '\t' && line.front() != ' ') {
            const std::size_t mark = line.find('#');
            entry = mark == std::string::npos ? -1 : std::stoi(line.substr(mark + 1));
            counted = false;
        } else if (!counted && line.find(owner) != std::string::npos) {
            owned.push_back(entry);
            counted = true;
        }
    }
    return owned;
}

Holdings holdingsOf(pid_t pid)
{
    const std::filesystem::path process = "/proc/" + std::to_string(pid);
    return {entriesIn(process / "task"), entriesIn(process / "fd"), serverEntries("clients", pid),
            serverEntries("sink-inputs", pid)};
}

std::vector<int> streamsOf(pid_t pid)
{
    const std::optional<std::string> listing = outputIfSucceeded({"pactl", "list", "sink-inputs"});
    if (!listing) throw std::runtime_error("the sound server did not list its streams");
    return entriesOf(*listing, pid);
}

} // namespace bench
