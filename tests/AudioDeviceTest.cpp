#include "platform/fluidsynth/PullGate.h"
#include "platform/fluidsynth/ServerOrCard.h"

#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using platform::fluidsynth::AudioConnection;
using platform::fluidsynth::AudioDevice;
using platform::fluidsynth::FrameSource;
using platform::fluidsynth::PullGate;
using platform::fluidsynth::ServerOrCard;

namespace {

// Fills every frame with one, once let go if `hold` is set.
class Ones final : public FrameSource {
public:
    void renderFrames(int frames, float* left, float* right) override
    {
        rendering = true;
        while (hold)
            std::this_thread::yield();
        std::fill(left, left + frames, 1.0F);
        std::fill(right, right + frames, 1.0F);
        rendering = false;
    }

    std::atomic<bool> hold = false;
    std::atomic<bool> rendering = false;
};

float pulledThrough(PullGate& gate)
{
    std::vector<float> left(64), right(64);
    gate.renderFrames(64, left.data(), right.data());
    return left[0] + right[63];
}

TEST(PullGate, PassesTheMusicOnlyWhileConnectedAndCountsEveryFramePulled)
{
    Ones music;
    PullGate gate;
    EXPECT_EQ(pulledThrough(gate), 0.0F);
    gate.connect(music);
    EXPECT_EQ(pulledThrough(gate), 2.0F);
    gate.cut();
    EXPECT_EQ(pulledThrough(gate), 0.0F);
    EXPECT_EQ(gate.framesPulled(), 3 * 64);
}

// Whoever cuts the gate renders next: a pull still rendering then would be
// a second renderer at once.
TEST(PullGate, ACutReturnsOnlyOnceThePullInProgressHasFinished)
{
    Ones music;
    PullGate gate;
    gate.connect(music);
    music.hold = true;
    auto pull = std::async(std::launch::async, [&gate] { return pulledThrough(gate); });
    while (!music.rendering)
        std::this_thread::yield();
    auto cut = std::async(std::launch::async, [&gate] { gate.cut(); });
    EXPECT_EQ(cut.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout) << "cut during a pull";
    music.hold = false;
    cut.wait();
    EXPECT_FALSE(music.rendering);
    EXPECT_EQ(pull.get(), 2.0F);
}

// What the audio libraries say on a device's own thread (a lost server, a
// priority refused) the program reports in its own words: once the thread
// has pulled, it is kept quiet for good. Other threads are not.
TEST(PullGate, KeepsTheThreadsThatPullQuiet)
{
    const auto logOnAThread = [](bool pullFirst) {
        testing::internal::CaptureStderr();
        std::thread([pullFirst] {
            PullGate gate;
            if (pullFirst)
                pulledThrough(gate);
            fluid_log(FLUID_ERR, "a device failed");
        }).join();
        return testing::internal::GetCapturedStderr();
    };
    EXPECT_EQ(logOnAThread(true), "");
    EXPECT_NE(logOnAThread(false).find("a device failed"), std::string::npos);
}

// A device that opens or fails as the test says, and counts its openings.
class CountedDevice final : public AudioDevice {
public:
    struct Steering {
        bool opens = true;
        int openings = 0;
    };

    CountedDevice(std::shared_ptr<Steering> steering, std::string name)
        : steering_(std::move(steering)), name_(std::move(name))
    {
    }

    std::unique_ptr<AudioConnection> open(FrameSource&) override
    {
        ++steering_->openings;
        return steering_->opens ? std::make_unique<AudioConnection>() : nullptr;
    }
    std::string systemNames() const override { return name_; }

private:
    std::shared_ptr<Steering> steering_;
    std::string name_;
};

class ServerOrCardChoice : public testing::Test {
protected:
    std::shared_ptr<CountedDevice::Steering> server = std::make_shared<CountedDevice::Steering>();
    std::shared_ptr<CountedDevice::Steering> card = std::make_shared<CountedDevice::Steering>();
    ServerOrCard device{std::make_unique<CountedDevice>(server, "Server"),
                        std::make_unique<CountedDevice>(card, "Card")};
    Ones music;
};

TEST_F(ServerOrCardChoice, WithoutAServerTheCardPlaysUntilOneAnswers)
{
    server->opens = false;
    EXPECT_NE(device.open(music), nullptr);
    EXPECT_EQ(card->openings, 1);
    EXPECT_EQ(device.systemNames(), "Server, Card");
    server->opens = true;
    EXPECT_NE(device.open(music), nullptr);
    EXPECT_EQ(card->openings, 1) << "the card taken though the server answered";
}

// The server restarting after a crash finds the card free, and the program
// plays where the desktop listens; it names only the server as tried.
TEST_F(ServerOrCardChoice, OnceTheServerHasAnsweredItsFailureIsNotReplacedByTheCard)
{
    EXPECT_NE(device.open(music), nullptr);
    server->opens = false;
    EXPECT_EQ(device.open(music), nullptr);
    EXPECT_EQ(device.open(music), nullptr);
    EXPECT_EQ(card->openings, 0);
    EXPECT_EQ(server->openings, 3) << "the server is tried at every opening";
    EXPECT_EQ(device.systemNames(), "Server") << "names the card it did not try";
    server->opens = true;
    EXPECT_NE(device.open(music), nullptr);
}

} // namespace
