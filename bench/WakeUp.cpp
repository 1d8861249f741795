// bench-wake-up: how late the desktop's event loop wakes after the time it
// was asked to wake at, which sets how the thread timer sleeps.
//
// Sleeps in the Qt backend's event loop (offscreen unless QT_QPA_PLATFORM
// says otherwise) as the thread timer does while a thread waits: a few
// hundred times for 20 to 60 ms at random, woken by the wake-up timer at
// napLead before the end, then in naps up to the end. Reports how long after
// the time asked for the loop ran the wake-up's call, after the long sleeps
// and after the naps; and, to compare, after long sleeps timed by a precise
// QTimer, which counts whole milliseconds. --load runs it with every core
// kept busy.

#include "bench/BusyLoad.h"
#include "bench/ModeThread.h"
#include "bench/Spread.h"
#include "platform/core/Runtime.h"
#include "platform/core/Services.h"
#include "platform/qt/QtBackend.h"
#include "platform/qt/ThreadTimer.h"
#include "platform/qt/WakeUpTimer.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

using platform::ThreadTimer;

constexpr int sleeps = 300;

// Sleeps in the loop until a wake-up asked for by `arm`, which returns the
// time it asked for; returns how late the wake-up came.
double lateness(QEventLoop& loop, std::function<void()>& onWake, const std::function<double()>& arm)
{
    double woken = 0.0;
    onWake = [&] {
        woken = platform::Microseconds();
        loop.quit();
    };
    const double target = arm();
    loop.exec();
    return woken - target;
}

void print(const char* what, const bench::Spread& late)
{
    std::printf("%s: late p50 %.0f us, p99 %.0f us, max %.0f us\n", what, late.p50, late.p99, late.max);
}

} // namespace

int main(int argc, char** argv)
{
    const auto load = bench::loadFromArguments(argc, argv);
    bench::useOffscreenUnlessAsked();
    platform::Runtime runtime(std::make_unique<platform::QtBackend>(nullptr));

    std::mt19937 chance(20261207);
    std::uniform_real_distribution<double> sleep(20000.0, 60000.0);
    QEventLoop loop;
    std::function<void()> onWake;
    platform::WakeUpTimer wakeUp([&onWake] { onWake(); });
    std::vector<double> sleepLate, napLate, preciseLate;

    std::printf("sleeping %d times in the event loop, then napping...\n", sleeps);
    for (int sample = 0; sample < sleeps; ++sample) {
        const double end = platform::Microseconds() + sleep(chance);
        sleepLate.push_back(lateness(loop, onWake, [&] {
            wakeUp.wakeAt(end - ThreadTimer::napLead);
            return end - ThreadTimer::napLead;
        }));
        while (platform::Microseconds() < end) {
            napLate.push_back(lateness(loop, onWake, [&] {
                const double target = std::min(platform::Microseconds() + ThreadTimer::napLength, end);
                wakeUp.wakeAt(target);
                return target;
            }));
        }
    }
    std::printf("sleeping %d times in the event loop, woken by a precise QTimer...\n", sleeps);
    for (int sample = 0; sample < sleeps; ++sample) {
        preciseLate.push_back(lateness(loop, onWake, [&] {
            const int milliseconds = static_cast<int>(sleep(chance) / 1000.0);
            QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, [&onWake] { onWake(); });
            return platform::Microseconds() + milliseconds * 1000.0;
        }));
    }
    runtime.end();

    const bench::Spread afterSleep = bench::spreadOf(sleepLate);
    const bench::Spread afterNap = bench::spreadOf(napLate);
    const bench::Spread precise = bench::spreadOf(preciseLate);
    print("wake-up timer, after a long sleep", afterSleep);
    print("wake-up timer, after a nap       ", afterNap);
    print("precise QTimer, after a long sleep", precise);
    std::printf("late_us sleep p50=%.0f p99=%.0f max=%.0f nap p50=%.0f p99=%.0f max=%.0f precise_qtimer p50=%.0f p99=%.0f max=%.0f\n",
                afterSleep.p50, afterSleep.p99, afterSleep.max, afterNap.p50, afterNap.p99, afterNap.max, precise.p50, precise.p99,
                precise.max);
}
