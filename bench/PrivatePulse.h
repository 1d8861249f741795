#pragma once

#include "bench/RecordingClock.h"
#include "bench/Subprocess.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace bench {

// A PulseAudio server of the bench's own, with one null sink (float, 44.1 kHz
// stereo) whose monitor can be recorded, in a temporary directory, so that no
// desktop's sound server is involved. The process's environment points at it
// while it lives, from construction on, also while no server runs there: it
// can be started later, killed as a crash would and started again at the same
// path, and stopped and continued as a frozen process is. Its log counts the
// playback underruns it saw.
//
// The null sink is told not to rewind, unless asked to hold the first
// write: when a stream starts on it while it idles, it rewinds and then
// sleeps on its idle timer, so the stream's first write waits one to two
// seconds, which a sound card's sink does not do. Shared memory is off: with it, this server version lost track of a
// closed stream's memory now and then and stopped on an assertion.
class PrivatePulseServer {
public:
    enum class Start { Now, Later };
    enum class Sink { Prompt, HoldsFirstWrite };

    explicit PrivatePulseServer(Start when = Start::Now, Sink sink = Sink::Prompt);
    ~PrivatePulseServer();
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    // Starts the server and waits until it answers; it must not be running.
    void start();
    // SIGKILL: it goes at once and leaves its socket and pid file behind.
    void kill();
    // SIGSTOP and SIGCONT.
    void freeze();
    void resume();
    // Suspends its sink, or lets it run again, as a desktop does to save
    // power or to give a program the device (`pactl suspend-sink`). Run
    // again, the sink plays on from then, as a card does; a null sink that
    // was not suspended catches up on the time it did not run, as fast as it
    // can.
    void suspendSink(bool suspended);
    // Ends a playback stream (a sink input), with what the server holds of
    // it, if it is still there.
    void dropStream(int sinkInput);

    // Underruns of playback streams the server logged so far.
    int underruns() const;
    const std::filesystem::path& directory() const { return directory_; }
    // Where its clients connect, as PULSE_SERVER names it.
    std::string address() const;

private:
    std::filesystem::path directory_;
    Sink sink_;
    std::unique_ptr<Subprocess> server_;
};

// The sink's monitor, recorded from construction until finish(). Its data
// goes straight to a file, which costs this process nothing (a bench that
// measures its own processor time needs that), or, timed, through a thread
// of this process that notes when each chunk arrived, so that a frame can be
// told when it was captured.
class MonitorRecording {
public:
    enum class Arrivals { Untimed, Timed };

    explicit MonitorRecording(const PrivatePulseServer& server, Arrivals arrivals = Arrivals::Untimed);
    ~MonitorRecording();
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;

    // Interleaved stereo at 44.1 kHz.
    std::vector<float> finish();
    // When its frames were captured; after finish(), of a timed recording
    // that received something.
    RecordingClock clock() const;

private:
    void read();

    std::filesystem::path file_; // untimed
    Subprocess recorder_;
    std::string bytes_;
    std::vector<Arrival> arrivals_;
    std::thread reader_; // timed; last: reads into the members above
};

} // namespace bench
