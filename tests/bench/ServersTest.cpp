#include "bench/PrivatePulse.h"
#include "bench/Subprocess.h"
#include "bench/VirtualDisplay.h"
#include "platform/core/SteadyClock.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

using namespace bench;

namespace {

// The private servers need what tools/install-bench-deps installs; CI has
// none of it.
#define SKIP_UNLESS_INSTALLED(...)                                                                                     \
    for (const char* tool : {__VA_ARGS__})                                                                             \
        if (!onPath(tool)) GTEST_SKIP() << tool << " is not installed";

bool serverAnswers()
{
    return Subprocess({"pactl", "info"}, {.outputFile = "/dev/null"}).wait() == 0;
}

TEST(PrivatePulseServer, KilledAndStartedAgainItAnswersAtTheSamePath)
{
    SKIP_UNLESS_INSTALLED("pulseaudio", "pactl");
    PrivatePulseServer server;
    const std::string address = std::getenv("PULSE_SERVER");
    server.kill();
    EXPECT_FALSE(serverAnswers());
    server.start();
    EXPECT_TRUE(serverAnswers());
    EXPECT_EQ(address, server.address());
}

TEST(PrivatePulseServer, OneStartedLaterIsNotThereBefore)
{
    SKIP_UNLESS_INSTALLED("pulseaudio", "pactl");
    PrivatePulseServer server(PrivatePulseServer::Start::Later);
    EXPECT_FALSE(serverAnswers());
    server.start();
    EXPECT_TRUE(serverAnswers());
}

TEST(PrivatePulseServer, FrozenItAnswersOnlyOnceResumed)
{
    SKIP_UNLESS_INSTALLED("pulseaudio", "pactl");
    PrivatePulseServer server;
    server.freeze();
    Subprocess asking({"pactl", "info"}, {.outputFile = "/dev/null"});
    EXPECT_FALSE(asking.waitFor(0.5).has_value());
    server.resume();
    EXPECT_EQ(asking.waitFor(5), 0);
}

TEST(MonitorRecording, FramesComeAtTheRateAndTimedOnesAreToldWhenTheyWereCaptured)
{
    SKIP_UNLESS_INSTALLED("pulseaudio", "pactl", "parec");
    PrivatePulseServer server;
    const double start = platform::steadyClockMicroseconds();
    MonitorRecording recording(server, MonitorRecording::Arrivals::Timed);
    MonitorRecording untimed(server, MonitorRecording::Arrivals::Untimed);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_NEAR(double(untimed.finish().size() / 2) / 44100, 1.0, 0.3);
    const std::vector<float> sound = recording.finish();
    const double end = platform::steadyClockMicroseconds();
    const RecordingClock clock = recording.clock();
    const double seconds = double(sound.size() / 2) / 44100;
    // The sink renders its monitor up to a block ahead, so the first frame
    // may be told a little before the recorder asked for it.
    EXPECT_GT(clock.capturedAt(0), start - 50e3);
    EXPECT_LT(clock.capturedAt(0), start + 500e3);
    EXPECT_LT(clock.capturedAt(seconds * 44100), end);
    EXPECT_NEAR(seconds, 1.0, 0.3);
    EXPECT_LT(clock.spreadMilliseconds(), 100);
}

TEST(MonitorRecording, OneWhoseServerIsKilledKeepsWhatItGot)
{
    SKIP_UNLESS_INSTALLED("pulseaudio", "pactl", "parec");
    PrivatePulseServer server;
    MonitorRecording timed(server, MonitorRecording::Arrivals::Timed);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server.kill();
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the recorder ends by itself
    EXPECT_NEAR(double(timed.finish().size() / 2) / 44100, 0.3, 0.2);
}

TEST(VirtualDisplay, TwoSideBySideGetDisplaysOfTheirOwnThatGoWithThem)
{
    SKIP_UNLESS_INSTALLED("Xvfb", "xdotool");
    pid_t first = 0;
    {
        const VirtualDisplay one;
        const VirtualDisplay two;
        first = one.serverProcess();
        EXPECT_NE(one.name(), two.name());
        EXPECT_EQ(std::getenv("DISPLAY"), two.name());
    }
    // Not its number, which another test's server may hold by now: its
    // process is gone.
    EXPECT_NE(kill(first, 0), 0);
}

} // namespace
