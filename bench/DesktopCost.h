#pragma once

#include <filesystem>

namespace bench {

// What the whole program costs on a desktop: its CPU, as a share of one
// core, with the window open and nothing playing and while the original mode
// plays; and its threads while idle, while playing, and once the output has
// closed after `stop`.
struct DesktopCost {
    double idleCpuPercent = 0;
    double playingCpuPercent = 0;
    int idleThreads = 0;
    int playingThreads = 0;
    int stoppedThreads = 0;
};
// The program is started and left alone until the device it opened at
// start-up has closed; its CPU is taken over 10 s; the original mode is
// started and its CPU taken over 20 s of playing; `stop`, its message closed,
// and 5 s later its threads are counted.
DesktopCost desktopCost(const std::filesystem::path& program);

} // namespace bench
