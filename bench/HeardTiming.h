#pragma once

#include <limits>
#include <vector>

namespace platform {
class NotePlayer;
}

namespace bench {

// A note as the bench saw it played.
struct PlayedNote {
    double stamp; // microseconds
    const platform::NotePlayer* player;
    int note;
    int velocity;
};

// For each played note, the number of the onset it belongs to, counted from
// 0: an onset is the first strike of a step, and the strikes of a chord are
// microseconds apart. Notes before the first strike get -1.
std::vector<int> onsetNumbers(const std::vector<PlayedNote>& played);

// The played notes rendered straight through FluidSynth, each applied at the
// frame of its stamp, with where each onset was issued and where FluidSynth,
// which starts voices only at its 64-frame blocks, started it.
struct Reference {
    explicit Reference(const std::vector<PlayedNote>& played);

    std::vector<float> sound; // interleaved stereo
    std::vector<double> issued;  // seconds into the sound
    std::vector<double> started; // seconds into the sound
};

// When each onset was heard, against when it was issued.
struct Timing {
    double p50, p99, max; // of the size of the errors, milliseconds
    double drift;         // the least-squares slope of the errors times the run's length, milliseconds
    std::vector<double> errors; // milliseconds, the median taken off
    std::vector<double> heard;  // seconds into the recording
};

// Finds each onset of the reference in `recording` by matching it against
// the same onset in the reference's sound, where it is known to start: so
// the detector's bias for that music (a lone note would be found earlier
// than one struck over others) cancels out. The reference lies in the
// recording `earliest` to `latest` seconds later than in its own sound.
Timing heardTiming(const std::vector<float>& recording, const Reference& reference,
                   double earliest = -std::numeric_limits<double>::infinity(),
                   double latest = std::numeric_limits<double>::infinity());

} // namespace bench
