#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace bench {

// What a process holds: threads and open file descriptors, as /proc shows
// them, and connections (clients) and playback streams (sink inputs) on the
// sound server the environment names, as pactl lists them.
struct Holdings {
    int threads = 0;
    int fds = 0;
    int clients = 0; // -1: the server did not answer pactl
    int streams = 0; // -1 likewise
};

Holdings holdingsOf(pid_t pid);

// The numbers of the server's playback streams (sink inputs) of process
// `pid`.
std::vector<int> streamsOf(pid_t pid);

// The numbers of the entries of `pactl list clients` or `pactl list
// sink-inputs` that belong to process `pid`.
std::vector<int> entriesOf(const std::string& pactlList, pid_t pid);

} // namespace bench
