#pragma once

#include "bench/Subprocess.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace bench {

// A PulseAudio server of the bench's own, with one null sink (float, 44.1 kHz
// stereo) whose monitor can be recorded, in a temporary directory, so that no
// desktop's sound server is involved. The process's environment points at it
// while it lives. Its log counts the playback underruns it saw.
//
// The null sink is told not to rewind: when a stream starts on it while it
// idles, it rewinds and then sleeps on its idle timer, so the stream's first
// write waits one to two seconds, which a sound card's sink does not do.
// Shared memory is off: with it, this server version lost track of a
// closed stream's memory now and then and stopped on an assertion.
class PrivatePulseServer {
public:
    PrivatePulseServer();
    ~PrivatePulseServer();
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    // Underruns of playback streams the server logged so far.
    int underruns() const;
    const std::filesystem::path& directory() const { return directory_; }

private:
    std::filesystem::path directory_;
    std::unique_ptr<Subprocess> server_;
};

// The sink's monitor, recorded from construction until finish().
class MonitorRecording {
public:
    explicit MonitorRecording(const PrivatePulseServer& server);
    // Interleaved stereo at 44.1 kHz.
    std::vector<float> finish();

private:
    std::filesystem::path file_;
    Subprocess recorder_;
};

} // namespace bench
