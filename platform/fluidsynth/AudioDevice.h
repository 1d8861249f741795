#pragma once

namespace platform::fluidsynth {

// What an audio device pulls its sound from, a period at a time, on a
// thread of the device's own.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Fills `frames` frames of `left` and `right`.
    virtual void renderFrames(int frames, float* left, float* right) = 0;
};

// A sound output that can be opened and closed while the program runs.
class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Starts pulling from `source`; false when no audio system could be opened.
    virtual bool open(FrameSource& source) = 0;
    // Stops pulling; once it returns, `source` is called no more.
    virtual void close() = 0;
};

} // namespace platform::fluidsynth
