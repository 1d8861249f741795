// bench-step-timing: how closely the steps of real bars keep their lengths
// against the real clock, and what waiting costs.
//
// Plays bars 1 to 20 twice: on a mode thread driven as the desktop drives
// it (the Qt backend's event loop and its thread timer, offscreen unless
// QT_QPA_PLATFORM says otherwise), and on the main thread, where every yield
// returns at once: the literal busy loop, as a baseline. For every step it
// takes how far the wait ran past the step's length, from the times of the
// note events around the wait; and the CPU time of the process per second of
// playing. Each wait measures from its own start, so the overshoots add up:
// their sum is the drift a listener hears. --load plays with every core kept
// busy by another process.

#include "app/Startup.h"
#include "bench/BusyLoad.h"
#include "bench/CpuTime.h"
#include "bench/ModeThread.h"
#include "bench/Spread.h"
#include "player/Window1.h"
#include "platform/core/NotePlayer.h"
#include "platform/core/Runtime.h"
#include "platform/core/Services.h"
#include "platform/qt/QtBackend.h"
#include "score/Score.h"
#include "score/Step.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Notes go nowhere; only the time of each event is kept.
class TimingOutput : public platform::NoteOutput {
public:
    void setInstrument(const platform::NotePlayer&, int) override {}
    void playNote(const platform::NotePlayer&, int, int) override { times.push_back(platform::Microseconds()); }
    std::vector<double> times;
};

const std::vector<std::string> bars = bench::barNames(1, 20);

std::size_t stepsOf(const std::vector<std::string>& routines)
{
    std::size_t steps = 0;
    for (const std::string& name : routines) steps += score::findRoutine(name)->steps.size();
    return steps;
}

// How far each step's wait ran past its length: the wait starts after the
// step's last strike and ends before its first release.
std::vector<double> overshoots(const std::vector<double>& times)
{
    std::vector<double> result;
    std::size_t event = 0;
    double last = times.front();
    for (const std::string& name : bars) {
        for (const score::Step& step : score::findRoutine(name)->steps) {
            event += step.strikes.size();
            const double start = step.strikes.empty() ? last : times[event - 1];
            const double end = times.at(event);
            result.push_back(end - start - score::stepLength(step));
            event += step.releases.size();
            last = times[event - 1];
        }
    }
    return result;
}

// How late the steps of one performance ended, and the CPU it took.
struct Figures {
    bench::Spread overshoot;
    double cpuPercent;
};

Figures measure(TimingOutput& output, void (*play)(platform::Window&))
{
    output.times.clear();
    const double wallStart = platform::Microseconds();
    const double cpuStart = bench::processCpuSeconds();
    play(*player::Window1());
    const double cpuPercent = 100.0 * (bench::processCpuSeconds() - cpuStart) / ((platform::Microseconds() - wallStart) / 1e6);
    return {bench::spreadOf(overshoots(output.times)), cpuPercent};
}

// On whichever thread calls it: on the main thread each yield returns at once.
void playBars(platform::Window& window)
{
    for (const std::string& bar : bars) platform::callMethod(window, bar);
}

void playOnAModeThread(platform::Window& window)
{
    bench::playOnAModeThread(window, bars);
}

void report(const char* what, const Figures& figures)
{
    const bench::Spread& over = figures.overshoot;
    std::printf("%s p50 %.0f us, p99 %.0f us, max %.0f us, mean %.1f us over the step length; %.1f%% CPU\n", what, over.p50,
                over.p99, over.max, over.mean, figures.cpuPercent);
}

} // namespace

int main(int argc, char** argv)
{
    const auto load = bench::loadFromArguments(argc, argv);
    bench::useOffscreenUnlessAsked();
    auto output = std::make_unique<TimingOutput>();
    TimingOutput& timing = *output;
    platform::Runtime runtime(std::make_unique<platform::QtBackend>([&output] { return std::move(output); }));
    app::initialize();

    std::puts("playing bars 1 to 20 on a mode thread...");
    const Figures real = measure(timing, playOnAModeThread);
    std::puts("playing bars 1 to 20 on the main thread with a yield that returns at once...");
    const Figures busy = measure(timing, playBars);
    runtime.end();

    report("mode thread:", real);
    report("busy loop:  ", busy);
    // A whole original performance: its passages have the steps of their
    // bars in a row, and the end pause is one more wait.
    const std::size_t originalWaits = stepsOf(bench::barNames(1, 142)) + 1;
    std::printf("drift: the mode thread's overshoots add up to %.2f ms over %zu steps; at that mean, %.1f ms over the %zu waits of a "
                "whole original performance\n",
                real.overshoot.sum / 1000.0, stepsOf(bars), real.overshoot.mean * static_cast<double>(originalWaits) / 1000.0, originalWaits);
    std::printf("overshoot_us p50=%.0f p99=%.0f max=%.0f mean=%.1f cpu_pct=%.1f baseline_p99=%.0f baseline_cpu_pct=%.1f\n",
                real.overshoot.p50, real.overshoot.p99, real.overshoot.max, real.overshoot.mean, real.cpuPercent, busy.overshoot.p99,
                busy.cpuPercent);
}
