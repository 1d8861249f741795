// bench-step-timing: how closely the steps of real bars keep their lengths
// against the real clock, and what waiting costs.
//
// Plays bars 1 to 20 twice: on a mode thread driven as the desktop drives
// it (the Qt backend's event loop and its thread timer, offscreen unless
// QT_QPA_PLATFORM says otherwise), and on the main thread, where every yield
// returns at once: the literal busy loop, as a baseline. For every step it takes how far the wait ran past the step's
// length, from the times of the note events around the wait; and the CPU
// time of the process per second of playing.

#include "app/Startup.h"
#include "player/Window1.h"
#include "platform/core/NotePlayer.h"
#include "platform/core/Runtime.h"
#include "platform/core/Services.h"
#include "platform/core/Thread.h"
#include "platform/qt/QtBackend.h"
#include "score/Score.h"
#include "score/Step.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Notes go nowhere; only the time of each event is kept.
class TimingOutput : public platform::NoteOutput {
public:
    void setInstrument(const platform::NotePlayer&, int) override {}
    void playNote(const platform::NotePlayer&, int, int) override { times.push_back(platform::Microseconds()); }
    std::vector<double> times;
};

const std::vector<std::string> bars = [] {
    std::vector<std::string> names;
    for (int bar = 1; bar <= 20; ++bar) names.push_back("bar" + std::to_string(bar));
    return names;
}();

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

struct Figures {
    double p50, p99, max, cpuPercent;
};

Figures measure(TimingOutput& output, void (*play)(platform::Window&))
{
    output.times.clear();
    const double wallStart = platform::Microseconds();
    const double cpuStart = cpuSeconds();
    play(*player::Window1());
    const double cpuPercent = 100.0 * (cpuSeconds() - cpuStart) / ((platform::Microseconds() - wallStart) / 1e6);
    auto over = overshoots(output.times);
    std::ranges::sort(over);
    const auto at = [&](double q) { return over[static_cast<std::size_t>(q * static_cast<double>(over.size() - 1))]; };
    return {at(0.5), at(0.99), over.back(), cpuPercent};
}

// On whichever thread calls it: on the main thread each yield returns at once.
void playBars(platform::Window& window)
{
    for (const std::string& bar : bars) platform::callMethod(window, bar);
}

void playOnAModeThread(platform::Window& window)
{
    const auto thread = std::static_pointer_cast<platform::Thread>(platform::RuntimeNewObject(platform::ThreadClass()));
    platform::_InstallInstanceEventHandler(*thread, "Run", [&window](platform::Object&) {
        playBars(window);
        platform::runtimeBackend().quit();
    });
    thread->Run();
    platform::runtimeBackend().runEventLoop();
}

} // namespace

int main()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    auto output = std::make_unique<TimingOutput>();
    TimingOutput& timing = *output;
    platform::RuntimeInit(std::make_unique<platform::QtBackend>(std::move(output)));
    app::initialize();

    std::puts("playing bars 1 to 20 on a mode thread...");
    const Figures real = measure(timing, playOnAModeThread);
    std::puts("playing bars 1 to 20 on the main thread with a yield that returns at once...");
    const Figures busy = measure(timing, playBars);
    platform::RuntimeExit();

    std::printf("mode thread: p50 %.0f us, p99 %.0f us, max %.0f us over the step length; %.1f%% CPU\n", real.p50, real.p99, real.max, real.cpuPercent);
    std::printf("busy loop:   p50 %.0f us, p99 %.0f us, max %.0f us over the step length; %.1f%% CPU\n", busy.p50, busy.p99, busy.max, busy.cpuPercent);
    std::printf("overshoot_us p50=%.0f p99=%.0f max=%.0f cpu_pct=%.1f baseline_p99=%.0f baseline_cpu_pct=%.1f\n", real.p50, real.p99,
                real.max, real.cpuPercent, busy.p99, busy.cpuPercent);
}
