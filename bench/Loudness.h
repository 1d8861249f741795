#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace bench {

// How loud interleaved stereo is, and where it last sounds.

// The largest magnitude of any sample; 0 for none.
float peakOf(const std::vector<float>& stereo);

// The first frame from `from` on with a sample louder than `level` (a
// magnitude), if any.
std::optional<std::size_t> firstFrameAbove(const std::vector<float>& stereo, float level, std::size_t from = 0);
// The last frame with a sample louder than `level` (a magnitude), if any.
std::optional<std::size_t> lastFrameAbove(const std::vector<float>& stereo, float level);

// A magnitude in decibels relative to full scale; -inf for 0.
double decibels(float magnitude);

} // namespace bench
