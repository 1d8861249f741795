#include "bench/ServerFaults.h"

#include "bench/Loudness.h"
#include "bench/Stage.h"
#include "platform/core/SteadyClock.h"

#include <cstdio>
#include <limits>
#include <stdexcept>
#include <vector>

namespace bench {

namespace {

using platform::steadyClockMicroseconds;

// The release and the reverberation after `stop` fall by about 60 dB a
// second; their end is taken where they pass this.
constexpr float kTailLevel = 1e-6f; // -120 dBFS
constexpr double kStallSeconds = 2;
// A recording's chunks come within a few of its 20 ms periods of their
// capture while the server keeps time.
constexpr double kTrustedSpreadMilliseconds = 100;

} // namespace

bool serverDies(const std::filesystem::path& programPath)
{
    Stage stage(programPath);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(2.5);
    stage.server.kill();
    stage.server.start();
    sleepSeconds(1.5);
    stage.program.click(ProgramLayout::of().stop);
    stage.program.closeMessageBox();
    return heard(stage, [&] { stage.program.click(ProgramLayout::of().start); },
                 "server_dies (killed, a new one at its path)");
}

bool lateServer(const std::filesystem::path& programPath)
{
    Stage stage(programPath, PrivatePulseServer::Start::Later);
    stage.server.start();
    return heard(stage, [&] { stage.program.click(ProgramLayout::of().start); },
                 "late_server (started after the program)");
}

Tail stopTail(const std::filesystem::path& programPath, bool stall)
{
    Stage stage(programPath);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(3);
    if (stall) {
        stage.server.freeze();
        sleepSeconds(kStallSeconds);
        stage.server.resume();
    } else {
        sleepSeconds(kStallSeconds);
    }
    sleepSeconds(1); // the server catches up before the recording starts
    MonitorRecording recording(stage.server, MonitorRecording::Arrivals::Timed);
    sleepSeconds(2);
    const double peakMegabytes = stage.program.peakMegabytes();
    const double clicked = stage.program.click(ProgramLayout::of().stop);
    sleepSeconds(5);
    const std::vector<float> sound = recording.finish();
    const RecordingClock clock = recording.clock();
    const std::size_t frames = sound.size() / 2;
    const auto last = lastFrameAbove(sound, kTailLevel);
    const auto released = lastFrameAbove(sound, kSoundLevel);
    if (!last || !released)
        throw std::runtime_error("nothing was heard before `stop`");
    const auto afterClick = [&](std::size_t frame) { return (clock.capturedAt(double(frame + 1)) - clicked) / 1e6; };
    const double clickFrame = (clicked - clock.capturedAt(0)) / 1e6 * kRate;
    std::printf("  stall_tail (%s): recording of %.2f s (arrivals spread %.0f ms), `stop` clicked at its %.3f s; "
                "last above -60 dBFS %.3f s after the click, above -120 dBFS %.3f s after%s\n",
                stall ? "server stopped for 2 s" : "no stall", double(frames) / kRate, clock.spreadMilliseconds(),
                clickFrame / kRate, afterClick(*released), afterClick(*last),
                *last + 1 == frames ? " (at the recording's end: longer)" : "");
    if (clock.spreadMilliseconds() > kTrustedSpreadMilliseconds)
        std::printf("  (the server did not keep time while recording: these times are not to be trusted)\n");
    return {afterClick(*last), peakMegabytes};
}

std::optional<double> frozenQuit(const std::filesystem::path& programPath)
{
    Stage stage(programPath);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(2);
    stage.server.freeze();
    sleepSeconds(0.5);
    const double pressed = steadyClockMicroseconds();
    stage.program.pressKeys("ctrl+q");
    const bool exited = stage.program.waitFor(kQuitLimitSeconds - secondsSince(pressed)).has_value();
    const double seconds = secondsSince(pressed);
    if (exited) {
        std::printf("  frozen_quit: Ctrl+Q with the server stopped: exited after %.3f s\n", seconds);
        return seconds;
    }
    stage.server.resume();
    const double resumed = steadyClockMicroseconds();
    const bool exitedLater = stage.program.waitFor(5).has_value();
    std::printf("  frozen_quit: Ctrl+Q with the server stopped: still running after %.0f s; once the server "
                "continued, %s after %.2f s\n",
                kQuitLimitSeconds, exitedLater ? "exited" : "still running (killed)", secondsSince(resumed));
    return std::nullopt;
}

double quickQuit(const std::filesystem::path& programPath, PrivatePulseServer::Sink sink)
{
    Stage stage(programPath, PrivatePulseServer::Start::Now, sink);
    stage.program.click(ProgramLayout::of().start);
    sleepSeconds(0.010);
    const double pressed = steadyClockMicroseconds();
    stage.program.pressKeys("ctrl+q");
    const bool exited = stage.program.waitFor(kQuitLimitSeconds).has_value();
    const double seconds = secondsSince(pressed);
    std::printf("  quick_quit (%s): Ctrl+Q 10 ms after `start`: %s after %.3f s\n",
                sink == PrivatePulseServer::Sink::Prompt ? "a sink that takes the first write at once"
                                                         : "a sink that holds the first write 1-2 s",
                exited ? "exited" : "still running", seconds);
    return exited ? seconds : std::numeric_limits<double>::infinity();
}

} // namespace bench
