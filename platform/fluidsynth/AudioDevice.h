#pragma once

#include <memory>
#include <string>

namespace platform::fluidsynth {

// What an audio device pulls its sound from, a period at a time, on a
// thread of the device's own.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Fills `frames` frames of `left` and `right`, which come zeroed.
    virtual void renderFrames(int frames, float* left, float* right) = 0;
};

// An audio device while it is open. Destroying it closes the device: once
// the destructor returns, its source is called no more. Opening and closing
// may block for as long as a sound server does not answer.
class AudioConnection {
public:
    virtual ~AudioConnection() = default;
};

// A sound output that can be opened and closed while the program runs, from
// any thread, as often as needed.
class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Starts pulling from `source`, which must outlive the connection; null
    // when no audio system could be opened.
    virtual std::unique_ptr<AudioConnection> open(FrameSource& source) = 0;
    // The audio systems an opening tries now, in order, as the user knows
    // them ("PulseAudio, ALSA"): what to name when none opened.
    virtual std::string systemNames() const = 0;
};

} // namespace platform::fluidsynth
