#pragma once

#include <vector>

namespace bench {

// Finding where the notes start in a recording, to compare with when they
// were played.

// Spectral flux of the mono mix of interleaved stereo: for each hop, the
// summed rise of log magnitude over a Hann window centred on the hop. A
// struck note shows as a sharp rise and fall.
struct SpectralFlux {
    SpectralFlux(const std::vector<float>& stereo, double sampleRate);

    double hopsPerSecond() const { return sampleRate / hop; }

    double sampleRate;
    int hop = 8;
    int window = 512;
    std::vector<double> values;
};

// Where the onsets that start at `starts` (seconds) in a reference sound
// start in another recording of the same music, in seconds of that
// recording. The whole pattern is fitted first, for the recording's
// constant offset; then each onset's flux is matched against the
// reference's around the same onset (the same music gives the same shape,
// so the match is finer than any one peak), looking near where the last few
// onsets were found, so a delay that grows is followed.
std::vector<double> findOnsets(const SpectralFlux& recording, const SpectralFlux& reference,
                               const std::vector<double>& starts);

// Dropouts: runs of at least `minimumFrames` frames of exact digital
// silence that cut into sound, as a sound server writes when a stream
// underruns. Music fades out, it never drops to exact zeros mid-note.
int countDropouts(const std::vector<float>& stereo, int minimumFrames = 16);

} // namespace bench
