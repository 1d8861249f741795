#include "bench/Loudness.h"

#include <algorithm>
#include <cmath>

namespace bench {

float peakOf(const std::vector<float>& stereo)
{
    float peak = 0;
    for (const float sample : stereo)
        peak = std::max(peak, std::abs(sample));
    return peak;
}

std::optional<std::size_t> firstFrameAbove(const std::vector<float>& stereo, float level, std::size_t from)
{
    for (std::size_t i = 2 * from; i < stereo.size(); ++i)
        if (std::abs(stereo[i]) > level)
            return i / 2;
    return std::nullopt;
}

std::optional<std::size_t> lastFrameAbove(const std::vector<float>& stereo, float level)
{
    for (std::size_t i = stereo.size(); i-- > 0;)
        if (std::abs(stereo[i]) > level)
            return i / 2;
    return std::nullopt;
}

double decibels(float magnitude)
{
    return 20 * std::log10(double(magnitude));
}

} // namespace bench
