#pragma once

#include <cstddef>
#include <limits>
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
// constant offset (the recording's time less the reference's), between
// `earliest` and `latest` seconds (by default, where the whole pattern lies
// in the recording; onsets outside it count as silent); then each onset's flux is matched against
// the reference's around the same onset (the same music gives the same
// shape, so the match is finer than any one peak), looking near where the
// last few onsets were found, so a delay that grows is followed.
std::vector<double> findOnsets(const SpectralFlux& recording, const SpectralFlux& reference,
                               const std::vector<double>& starts,
                               double earliest = -std::numeric_limits<double>::infinity(),
                               double latest = std::numeric_limits<double>::infinity());

// The offset (the recording's time less the reference's, seconds) between
// `earliest` and `latest` at which the spectrograms of two sounds of
// interleaved stereo agree best, to 512 frames. Onsets alone fit music
// whose rhythm repeats nearly as well a bar later; its pitches do not.
double spectralOffset(const std::vector<float>& recording, const std::vector<float>& reference, double sampleRate,
                      double earliest, double latest);

// How strongly `recording` rises at each onset of `reference` that starts
// at `starts` (seconds), where the recording is `offset` seconds later: its
// largest flux from 10 ms before to 30 ms after the onset, over the
// reference's there. A note struck rises as sharply in both, however loud;
// where one was never heard, only the small rises of the sound decaying
// around it are left.
std::vector<double> onsetStrengths(const SpectralFlux& recording, const SpectralFlux& reference,
                                   const std::vector<double>& starts, double offset);

// The onsets whose strength is below a quarter of the median's: missing.
std::vector<std::size_t> faintOnsets(const std::vector<double>& strengths);

// How far each step's spacing as heard is from the score's: for each onset
// heard after another, the time since the one heard before it less the
// score's, in milliseconds. `heard` and `score` are in seconds; the onsets
// in `missing` (ascending) were never heard and are passed over.
std::vector<double> stepErrors(const std::vector<double>& heard, const std::vector<double>& score,
                               const std::vector<std::size_t>& missing);

// Dropouts: runs of at least `minimumFrames` frames of exact digital
// silence that cut into sound, as a sound server writes when a stream
// underruns. Music fades out, it never drops to exact zeros mid-note.
int countDropouts(const std::vector<float>& stereo, int minimumFrames = 16);

} // namespace bench
