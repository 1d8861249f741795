#include "bench/DesktopCost.h"

#include "bench/CpuTime.h"
#include "bench/Holdings.h"
#include "bench/Stage.h"
#include "platform/core/SteadyClock.h"

#include <cstdio>

namespace bench {

namespace {

// Longer than the device opened at start-up stays open in silence (2 s).
constexpr double kSettleSeconds = 4;
constexpr double kIdleSeconds = 10;
constexpr double kPlayingSeconds = 20;
// Longer than the device stays open after the last sound (2 s) and the
// stream's look at it (0.25 s).
constexpr double kAfterStopSeconds = 5;

// The share of one core that process `pid` used over `seconds` from now.
double cpuPercentOver(pid_t pid, double seconds)
{
    const double start = platform::steadyClockMicroseconds();
    const double before = processCpuSeconds(pid);
    sleepSeconds(seconds);
    return 100 * (processCpuSeconds(pid) - before) / secondsSince(start);
}

} // namespace

DesktopCost desktopCost(const std::filesystem::path& programPath)
{
    Stage stage(programPath);
    DesktopProgram& program = stage.program;
    DesktopCost cost;
    sleepSeconds(kSettleSeconds);
    cost.idleThreads = holdingsOf(program.pid()).threads;
    cost.idleCpuPercent = cpuPercentOver(program.pid(), kIdleSeconds);
    program.click(ProgramLayout::of().start);
    sleepSeconds(1);
    cost.playingThreads = holdingsOf(program.pid()).threads;
    cost.playingCpuPercent = cpuPercentOver(program.pid(), kPlayingSeconds);
    program.click(ProgramLayout::of().stop);
    program.closeMessageBox();
    sleepSeconds(kAfterStopSeconds);
    cost.stoppedThreads = holdingsOf(program.pid()).threads;
    std::printf("  desktop_cost: CPU %.2f %% idle, %.2f %% playing; threads %d idle, %d playing, %d after stop\n",
                cost.idleCpuPercent, cost.playingCpuPercent, cost.idleThreads, cost.playingThreads,
                cost.stoppedThreads);
    return cost;
}

} // namespace bench
