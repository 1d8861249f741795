#pragma once

#include "platform/core/NotePlayer.h"
#include "platform/fluidsynth/FluidSynthOutput.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

// What the FluidSynth output's tests share.
namespace fluidsynth_testing {

inline const std::string kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

// Distinct note players for the output to tell apart. They belong to no
// run-time: the output only compares their addresses.
class Players {
public:
    const platform::NotePlayer& operator[](std::size_t i) const { return players_.at(i); }

private:
    std::array<platform::NotePlayer, 16> players_;
};

// Waits up to five seconds, looking every millisecond, for `done()` to
// hold; whether it did.
template <typename Condition>
bool eventually(Condition done)
{
    for (int wait = 0; wait < 5000 && !done(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

inline double rms(const std::vector<float>& samples)
{
    double sum = 0;
    for (float s : samples)
        sum += double(s) * s;
    return std::sqrt(sum / double(samples.size()));
}

// The first frame of interleaved stereo at which `a` and `b` differ (with
// `b` empty: at which `a` is not silent), or -1.
inline long firstDifference(const std::vector<float>& a, const std::vector<float>& b = {})
{
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::abs(a[i] - (i < b.size() ? b[i] : 0.0F)) > 1e-7F)
            return long(i / 2);
    return -1;
}

// An offline output pulled as an audio device pulls it: a period at a time,
// with the clock reading the start of each period as it is rendered, and
// notes stamped between periods.
class PulledOutput {
public:
    explicit PulledOutput(int periodFrames = 512)
        : period_(periodFrames), output_(platform::FluidSynthOutput::Offline{}, {kFluidR3}, [this] { return now_; })
    {
    }

    platform::FluidSynthOutput& output() { return output_; }
    // The players strike() plays on.
    const Players& players() const { return players_; }
    const std::vector<float>& sound() const { return sound_; }

    // Renders every period that starts by `microseconds`, then sets the
    // clock there.
    void advanceTo(double microseconds)
    {
        while (timeOf(double(sound_.size() / 2)) <= microseconds) {
            now_ = timeOf(double(sound_.size() / 2));
            const std::vector<float> period = output_.render(period_);
            sound_.insert(sound_.end(), period.begin(), period.end());
        }
        now_ = microseconds;
    }

    void strike(double microseconds, int note)
    {
        advanceTo(microseconds);
        output_.playNote(players_[0], note, 100);
    }

    // The device pulls nothing for `microseconds`, as one whose sound server
    // holds its writes: every period after comes that much later.
    void hold(double microseconds) { held_ += microseconds; }

    // The frame at which a note stamped `microseconds` is due, counting from
    // the first period: one latency later.
    double dueFrame(double microseconds) const
    {
        return microseconds * output_.sampleRate() / 1e6 + output_.latencyFrames();
    }

private:
    double timeOf(double frames) const { return frames / output_.sampleRate() * 1e6 + held_; }

    int period_;
    double now_ = 0;
    double held_ = 0;
    platform::FluidSynthOutput output_;
    std::vector<float> sound_;
    Players players_;
};

} // namespace fluidsynth_testing
