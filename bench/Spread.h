#pragma once

#include <vector>

namespace bench {

// How a benchmark's samples spread: the median, the 99th percentile, the
// largest, the mean and the sum.
struct Spread {
    double p50 = 0.0;
    double p99 = 0.0;
    double max = 0.0;
    double mean = 0.0;
    double sum = 0.0;
};

// The spread of at least one sample.
Spread spreadOf(std::vector<double> samples);

// The middle of at least one sample: of an even count, the upper of the two.
double median(std::vector<double> samples);

} // namespace bench
