#include "bench/Spread.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace bench {

Spread spreadOf(std::vector<double> samples)
{
    if (samples.empty()) throw std::invalid_argument("no samples");
    std::ranges::sort(samples);
    const auto at = [&](double q) { return samples[static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1))]; };
    const double sum = std::accumulate(samples.begin(), samples.end(), 0.0);
    return {at(0.5), at(0.99), samples.back(), sum / static_cast<double>(samples.size()), sum};
}

double median(std::vector<double> samples)
{
    if (samples.empty()) throw std::invalid_argument("no samples");
    const auto middle = samples.begin() + static_cast<long>(samples.size() / 2);
    std::ranges::nth_element(samples, middle);
    return *middle;
}

} // namespace bench
