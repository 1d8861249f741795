#include "bench/RecordingClock.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace bench {

RecordingClock::RecordingClock(const std::vector<Arrival>& arrivals, double rate) : rate_(rate)
{
    if (arrivals.empty())
        throw std::invalid_argument("a recording that received nothing has no clock");
    double earliest = std::numeric_limits<double>::infinity();
    double latest = -earliest;
    for (const Arrival& arrival : arrivals) {
        const double bound = arrival.microseconds - double(arrival.frames) / rate * 1e6;
        earliest = std::min(earliest, bound);
        latest = std::max(latest, bound);
    }
    firstFrame_ = earliest;
    spread_ = latest - earliest;
}

} // namespace bench
