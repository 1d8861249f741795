#include "platform/core/SteadyClock.h"
#include "platform/fluidsynth/ChannelAssignment.h"
#include "platform/fluidsynth/FluidSynthOutput.h"
#include "platform/fluidsynth/QuietAudioLibraries.h"
#include "platform/fluidsynth/EventRenderer.h"
#include "platform/fluidsynth/SilencingSweep.h"
#include "platform/fluidsynth/Synthesizer.h"
#include "tests/FluidSynthTesting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <atomic>
#include <thread>

using namespace fluidsynth_testing;
using platform::FluidSynthOutput;
using platform::NotePlayer;

namespace {

constexpr double kSilence = 1e-5;  // RMS; a held piano note is above 5e-4
constexpr double kSounding = 1e-4;

// Frequency of the strongest component between low and high Hz, in steps of
// step Hz (Goertzel over a Hann-windowed mono mix).
double peakFrequency(const std::vector<float>& stereo, double rate, int low, int high, int step)
{
    const std::size_t n = stereo.size() / 2;
    std::vector<double> mono(n);
    for (std::size_t i = 0; i < n; ++i)
        mono[i] = (stereo[2 * i] + stereo[2 * i + 1]) * 0.5 * (1 - std::cos(2 * std::numbers::pi * double(i) / double(n)));
    double best = 0, bestPower = -1;
    for (int f = low; f <= high; f += step) {
        const double c = 2 * std::cos(2 * std::numbers::pi * f / rate);
        double s1 = 0, s2 = 0;
        for (double x : mono) {
            const double s0 = x + c * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
        if (power > bestPower)
            bestPower = power, best = f;
    }
    return best;
}

class OfflineFluidSynthOutput : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(out.soundFont(), kFluidR3) << "install fluid-soundfont-gm";
        ASSERT_TRUE(out.audible() && out.problem().empty());
    }

    std::vector<float> seconds(double s) { return out.render(int(s * out.sampleRate())); }

    // How much of a two-second note is left at its end, relative to its start.
    double sustain(const NotePlayer& player, int instrument)
    {
        out.setInstrument(player, instrument);
        out.playNote(player, 60, 100);
        const double start = rms(seconds(0.5));
        seconds(1.0);
        const double end = rms(seconds(0.5));
        out.playNote(player, 60, 0);
        seconds(1.5);
        return end / start;
    }

    // A missing first choice must fall through to the next.
    FluidSynthOutput out{FluidSynthOutput::Offline{}, {"/nonexistent/missing.sf2", kFluidR3}};
    Players players;
};

TEST_F(OfflineFluidSynthOutput, NoteSoundsAtItsPitch)
{
    out.setInstrument(players[0], 1);
    out.playNote(players[0], 76, 100);
    seconds(0.05);
    // The piano's overtones fool zero-crossing counts; its spectrum's peak does not.
    EXPECT_NEAR(peakFrequency(seconds(0.25), out.sampleRate(), 100, 2000, 2), 659.26, 659.26 * 0.01);
}

TEST_F(OfflineFluidSynthOutput, PlayersHoldTheirOwnNotes)
{
    out.playNote(players[0], 72, 100);
    out.playNote(players[1], 72, 100);
    seconds(0.5);
    out.playNote(players[0], 72, 0);
    seconds(1.0);
    EXPECT_GT(rms(seconds(0.25)), kSounding) << "one player's release ended the other's note";
    out.playNote(players[1], 72, 0);
    seconds(1.0);
    EXPECT_LT(rms(seconds(0.25)), kSilence);
}

TEST_F(OfflineFluidSynthOutput, OneReleaseEndsANoteStruckTwice)
{
    out.playNote(players[0], 72, 100);
    seconds(0.1);
    out.playNote(players[0], 72, 90);
    EXPECT_GT(rms(seconds(0.4)), kSounding);
    out.playNote(players[0], 72, 0);
    seconds(1.0);
    EXPECT_LT(rms(seconds(0.25)), kSilence);
}

// Instrument 16 (dulcimer) dies away, 17 (drawbar organ) holds, so an
// instrument numbered off by one either way sounds wrong.
TEST_F(OfflineFluidSynthOutput, InstrumentsCountFromOne)
{
    EXPECT_LT(sustain(players[0], 16), 0.2);
    EXPECT_GT(sustain(players[1], 17), 0.4);
}

TEST_F(OfflineFluidSynthOutput, TenthPlayerIsNotOnTheDrumChannel)
{
    for (std::size_t i = 0; i < 9; ++i)
        out.setInstrument(players[i], 1);
    EXPECT_GT(sustain(players[9], 17), 0.4) << "a drum kit would not hold the note";
}

TEST_F(OfflineFluidSynthOutput, PlayerWithoutInstrumentSoundsAsPiano)
{
    FluidSynthOutput piano{FluidSynthOutput::Offline{}, {kFluidR3}};
    piano.setInstrument(players[0], 1);
    piano.playNote(players[0], 64, 100);
    out.setInstrument(players[0], 20); // another player's choice must not leak
    out.playNote(players[1], 64, 100);
    EXPECT_EQ(out.render(4410), piano.render(4410));
}

TEST_F(OfflineFluidSynthOutput, FullChordDoesNotClip)
{
    for (int note : {48, 55, 60, 64, 67, 72, 76})
        out.playNote(players[0], note, 127);
    float peak = 0;
    for (float s : seconds(1.0))
        peak = std::max(peak, std::abs(s));
    EXPECT_LT(peak, 1.0F);
    EXPECT_GT(peak, 0.1F);
}

TEST_F(OfflineFluidSynthOutput, RejectsValuesOutsideMidi)
{
    EXPECT_THROW(out.setInstrument(players[0], 0), std::invalid_argument);
    EXPECT_THROW(out.setInstrument(players[0], 129), std::invalid_argument);
    EXPECT_THROW(out.playNote(players[0], 128, 100), std::invalid_argument);
    EXPECT_THROW(out.playNote(players[0], 60, 128), std::invalid_argument);
    EXPECT_THROW(out.playNote(players[0], 60, -1), std::invalid_argument);
    EXPECT_NO_THROW(out.setInstrument(players[0], 128));
}

TEST(FluidSynthChannels, OnePerPlayerSkippingDrumsUpToFifteen)
{
    platform::fluidsynth::ChannelAssignment channels;
    Players players;
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(channels.channelOf(players[std::size_t(i)]), i);
    EXPECT_EQ(channels.channelOf(players[9]), 10);
    EXPECT_EQ(channels.channelOf(players[0]), 0);
    for (std::size_t i = 10; i < 15; ++i)
        channels.channelOf(players[i]);
    EXPECT_EQ(channels.channelOf(players[14]), 15);
    EXPECT_THROW(channels.channelOf(players[15]), std::runtime_error);
    EXPECT_EQ(channels.channelOf(players[14]), 15);
}

TEST(FluidSynthOutputProblems, WithoutSoundFontSaysWhatToInstallAndStaysSilent)
{
    const auto junk = std::filesystem::temp_directory_path() / "fluidsynth-output-test-not-a.sf2";
    std::ofstream(junk) << "not a SoundFont";
    testing::internal::CaptureStderr();
    FluidSynthOutput out{FluidSynthOutput::Offline{}, {"/nonexistent/missing.sf2", junk.string()}};
    const std::string stderrText = testing::internal::GetCapturedStderr();
    std::filesystem::remove(junk);

    EXPECT_FALSE(out.audible());
    EXPECT_TRUE(out.soundFont().empty());
    EXPECT_NE(out.problem().find("fluid-soundfont-gm"), std::string::npos);
    EXPECT_EQ(stderrText, out.problem() + "\n") << "exactly that one line, no library noise";

    Players players;
    out.setInstrument(players[0], 1);
    out.playNote(players[0], 60, 100);
    EXPECT_LT(rms(out.render(4410)), kSilence);
}

// A damaged SoundFont that passes the format check: a copy of the piano's
// first megabyte, in a directory of its own that goes with it.
class DamagedSoundFont {
public:
    DamagedSoundFont()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "damaged-soundfont-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary directory");
        directory_ = std::filesystem::canonical(pattern); // as the message names it
        std::ifstream whole(kFluidR3, std::ios::binary);
        std::vector<char> start(1 << 20);
        whole.read(start.data(), std::streamsize(start.size()));
        std::ofstream(path(), std::ios::binary).write(start.data(), whole.gcount());
        std::filesystem::create_symlink(path(), link());
    }
    ~DamagedSoundFont() { std::filesystem::remove_all(directory_); }

    std::string path() const { return (directory_ / "FluidR3_GM.sf2").string(); }
    // Another way to it, as Debian's default-GM.sf2 is.
    std::string link() const { return (directory_ / "default-GM.sf2").string(); }

private:
    std::filesystem::path directory_;
};

TEST(FluidSynthOutputProblems, ADamagedSoundFontIsPassedOverQuietlyForTheNext)
{
    const DamagedSoundFont damaged;
    testing::internal::CaptureStderr();
    FluidSynthOutput out{FluidSynthOutput::Offline{}, {damaged.path(), kFluidR3}};
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(out.soundFont(), kFluidR3);
    EXPECT_TRUE(out.audible());
}

TEST(FluidSynthOutputProblems, ADamagedSoundFontAloneIsNamedOnceInOneLineAndStaysSilent)
{
    const DamagedSoundFont damaged;
    testing::internal::CaptureStderr();
    FluidSynthOutput out{FluidSynthOutput::Offline{}, {damaged.link(), "/nonexistent/missing.sf2", damaged.path()}};
    const std::string stderrText = testing::internal::GetCapturedStderr();

    EXPECT_FALSE(out.audible());
    EXPECT_EQ(out.problem(), "velmora20: the SoundFont " + damaged.path() + " could not be read (damaged or truncated); playing silently");
    EXPECT_EQ(stderrText, out.problem() + "\n") << "exactly that one line, no library noise";
    Players players;
    out.playNote(players[0], 60, 100);
    EXPECT_LT(rms(out.render(4410)), kSilence);
}

// Where no audio device exists (as on CI) this checks the one-line report,
// that ALSA's and FluidSynth's own complaints stay off the terminal, and that
// the notes that try the device again say nothing more.
TEST(FluidSynthOutputProblems, LiveOutputOpensAudioOrSaysSoInOneLine)
{
    testing::internal::CaptureStderr();
    FluidSynthOutput out{platform::steadyClockMicroseconds};
    std::string stderrText = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(out.audible());
    EXPECT_THROW(out.render(64), std::logic_error);
    if (out.problem().empty()) {
        EXPECT_EQ(stderrText, "");
        return;
    }
    EXPECT_NE(out.problem().find("no audio output could be opened (tried PulseAudio, ALSA)"), std::string::npos);
    EXPECT_EQ(stderrText, out.problem() + "\n");

    testing::internal::CaptureStderr();
    Players players;
    EXPECT_NO_THROW(out.playNote(players[0], 60, 100));
    // The strike tries the device again, which fails in milliseconds.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    eventually([&out] { return !out.streaming(); });
    EXPECT_FALSE(out.streaming());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "said twice";
}

// The stream opens the device on its own thread while the player's goes on:
// only the opening thread's complaints are kept quiet, and only meanwhile;
// a device's own thread is quiet for good, and warnings never pass.
TEST(QuietAudioLibraries, SilencesTheThreadsThatHoldItOrServeADevice)
{
    testing::internal::CaptureStderr();
    {
        const platform::fluidsynth::QuietAudioLibraries quiet;
        fluid_log(FLUID_ERR, "held here");
        std::thread([] { fluid_log(FLUID_ERR, "from another thread"); }).join();
        {
            const platform::fluidsynth::QuietAudioLibraries nested;
        }
        fluid_log(FLUID_ERR, "after a nested scope");
    }
    fluid_log(FLUID_ERR, "released");
    fluid_log(FLUID_WARN, "a warning");
    std::thread([] {
        platform::fluidsynth::QuietAudioLibraries::quietThisThreadForGood();
        fluid_log(FLUID_ERR, "from a device's thread");
    }).join();
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_EQ(text.find("held here"), std::string::npos);
    EXPECT_EQ(text.find("after a nested scope"), std::string::npos);
    EXPECT_NE(text.find("from another thread"), std::string::npos);
    EXPECT_NE(text.find("released"), std::string::npos);
    EXPECT_EQ(text.find("a warning"), std::string::npos);
    EXPECT_EQ(text.find("from a device's thread"), std::string::npos);
}

// The notes go from the GUI thread to the audio device's through a queue of
// a fixed size: everything a burst pushes while the other thread renders
// arrives, in a sanitizer build without a race reported.
TEST(EventRenderer, ABurstFromAnotherThreadArrivesWhole)
{
    platform::fluidsynth::Synthesizer synth;
    platform::fluidsynth::EventRenderer renderer(synth.synth(), synth.sampleRate(), 1024, [] { return 0.0; });
    std::atomic<bool> played = false;
    std::thread player([&] {
        for (int i = 0; i < 10 * int(platform::fluidsynth::EventRenderer::kCapacity); ++i) {
            const platform::fluidsynth::SynthEvent release{0, platform::fluidsynth::SynthEvent::Kind::Note, 0, i % 128, 0};
            while (!renderer.push(release))
                std::this_thread::yield();
        }
        played = true;
    });
    std::vector<float> left(64), right(64);
    while (!played || renderer.pending())
        renderer.render(64, left.data(), right.data(), 1);
    player.join();
    EXPECT_FALSE(renderer.pending());
}

// Nothing renders while a sound server is frozen: the queue fills with the
// music, and a `stop` played then must still silence the players whenever
// something renders again.
TEST(EventRenderer, AFullQueueDropsStrikesButKeepsWhatSilencesThePlayers)
{
    using platform::fluidsynth::EventRenderer;
    using platform::fluidsynth::SynthEvent;
    platform::fluidsynth::Synthesizer synth;
    ASSERT_EQ(synth.loadFirstSoundFont({kFluidR3}).loaded, kFluidR3);
    EventRenderer renderer(synth.synth(), synth.sampleRate(), 1024, [] { return 0.0; });
    ASSERT_TRUE(renderer.push({0, SynthEvent::Kind::Program, 0, 0, 0}));
    std::size_t strikes = 0;
    while (renderer.push({0, SynthEvent::Kind::Note, 0, 60, 100}))
        ++strikes;
    EXPECT_LT(strikes, EventRenderer::kCapacity);
    for (int key = 0; key < 128; ++key)
        EXPECT_TRUE(renderer.push({0, SynthEvent::Kind::Note, 0, key, 0})) << "the release of key " << key;
    EXPECT_TRUE(renderer.push({0, SynthEvent::Kind::Program, 0, 5, 0}));

    // As when the device is let go: what cannot sound goes, the rest is applied.
    EXPECT_TRUE(renderer.dropStrikes());
    EXPECT_FALSE(renderer.pending());
    fluid_preset_t* preset = fluid_synth_get_channel_preset(synth.synth(), 0);
    ASSERT_NE(preset, nullptr);
    EXPECT_EQ(fluid_preset_get_num(preset), 5) << "the last program change was lost";
    EXPECT_TRUE(renderer.push({0, SynthEvent::Kind::Note, 0, 60, 100})) << "the queue is still full";
}

TEST(SilencingSweep, AReleaseOfAKeyNotDownStartsASweepUntilTheNextStrike)
{
    using platform::fluidsynth::SynthEvent;
    platform::fluidsynth::SilencingSweep sweep;
    const auto note = [](int channel, int key, int velocity) {
        return SynthEvent{0, SynthEvent::Kind::Note, channel, key, velocity};
    };
    // A key struck twice is released twice, and the same key on another
    // channel is another key.
    EXPECT_FALSE(sweep.sweeps(note(0, 60, 100)));
    EXPECT_FALSE(sweep.sweeps(note(0, 60, 100)));
    EXPECT_FALSE(sweep.sweeps(note(1, 60, 100)));
    EXPECT_FALSE(sweep.sweeps(note(0, 60, 0)));
    EXPECT_FALSE(sweep.sweeps(note(0, 60, 0)));
    EXPECT_TRUE(sweep.sweeps(note(0, 1, 0)));
    EXPECT_TRUE(sweep.sweeps(note(1, 60, 0))) << "a held key's release within a sweep";
    EXPECT_TRUE(sweep.sweeps({0, SynthEvent::Kind::Program, 0, 5, 0}));
    EXPECT_FALSE(sweep.sweeps(note(0, 62, 100)));
    EXPECT_FALSE(sweep.sweeps(note(0, 62, 0)));
}

} // namespace
