#pragma once

#include <cstddef>
#include <vector>

namespace bench {

// When the frames of a live recording were captured, told from when its data
// arrived. A recorder hands its data on as it is captured, so a chunk's last
// frame was captured at the latest when the chunk arrived; as the frames are
// captured at the sample rate, frame 0 was captured at the latest at each
// arrival time less the frames received by then over the rate. The earliest
// of these bounds is the tightest: the chunk that came soonest after its
// capture. This holds while the capture runs at the sample rate; a server
// that stalls and then catches up in a burst breaks it, so a recording to be
// mapped so starts after any stall is over.
struct Arrival {
    double microseconds; // when a chunk arrived, on the steady clock
    std::size_t frames;  // the frames received in all, that chunk included
};

class RecordingClock {
public:
    RecordingClock(const std::vector<Arrival>& arrivals, double rate);

    // When `frame` was captured, in steady-clock microseconds.
    double capturedAt(double frame) const { return firstFrame_ + frame / rate_ * 1e6; }
    // How much later than the soonest chunk the latest one came after its
    // capture, in milliseconds: a few recorder periods while the capture keeps
    // to the sample rate, more if it fell behind.
    double spreadMilliseconds() const { return spread_ / 1000; }

private:
    double rate_;
    double firstFrame_ = 0;
    double spread_ = 0;
};

} // namespace bench
