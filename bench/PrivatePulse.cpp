#include "bench/PrivatePulse.h"

#include "platform/core/SteadyClock.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace bench {

namespace {

const std::string kSink = "bench";
constexpr double kRate = 44100;
constexpr std::size_t kFrameBytes = 2 * sizeof(float);

std::filesystem::path makeDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-audio-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("could not make a temporary directory");
    return pattern;
}

} // namespace

PrivatePulseServer::PrivatePulseServer(Start when, Sink sink) : directory_(makeDirectory()), sink_(sink)
{
    std::filesystem::create_directories(directory_ / "runtime");
    setenv("HOME", directory_.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", directory_.c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", (directory_ / "runtime").c_str(), 1);
    setenv("PULSE_SERVER", address().c_str(), 1);
    if (when == Start::Now)
        start();
}

PrivatePulseServer::~PrivatePulseServer()
{
    if (server_) {
        // A frozen server would not see the SIGTERM.
        server_->signal(SIGCONT);
        server_->end(SIGTERM);
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

void PrivatePulseServer::start()
{
    if (server_ && server_->running())
        throw std::logic_error("the private PulseAudio server is running already");
    server_ = std::make_unique<Subprocess>(std::vector<std::string>{
        "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes", "--log-level=debug",
        "--log-target=file:" + (directory_ / "server.log").string(),
        "-L", "module-null-sink sink_name=" + kSink + " format=float32le rate=44100 channels=2" +
                  (sink_ == Sink::Prompt ? " norewinds=1" : ""),
        "-L", "module-native-protocol-unix"});
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (Subprocess({"pactl", "info"}, {.outputFile = "/dev/null"}).wait() == 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("the private PulseAudio server did not start");
}

void PrivatePulseServer::kill()
{
    if (server_) server_->end(SIGKILL);
}

void PrivatePulseServer::freeze()
{
    if (server_) server_->signal(SIGSTOP);
}

void PrivatePulseServer::resume()
{
    if (server_) server_->signal(SIGCONT);
}

void PrivatePulseServer::suspendSink(bool suspended)
{
    if (Subprocess({"pactl", "--server=" + address(), "suspend-sink", kSink, suspended ? "1" : "0"}).wait() != 0)
        throw std::runtime_error("pactl could not suspend or resume the sink");
}

void PrivatePulseServer::dropStream(int sinkInput)
{
    Subprocess({"pactl", "--server=" + address(), "kill-sink-input", std::to_string(sinkInput)},
               {.outputFile = "/dev/null"})
        .wait();
}

std::string PrivatePulseServer::address() const
{
    return "unix:" + (directory_ / "runtime" / "native").string();
}

int PrivatePulseServer::underruns() const
{
    std::ifstream log(directory_ / "server.log");
    int count = 0;
    for (std::string line; std::getline(log, line);)
        // "Actual underrun of 'stream'" or "Implicit underrun of 'stream'".
        if (line.find("underrun of '") != std::string::npos)
            ++count;
    return count;
}

MonitorRecording::MonitorRecording(const PrivatePulseServer& server, Arrivals arrivals)
    : file_(arrivals == Arrivals::Untimed ? server.directory() / "monitor.raw" : std::filesystem::path())
    , recorder_({"parec", "--server=" + server.address(), "-d", kSink + ".monitor", "--raw", "--format=float32le",
                 "--rate=44100", "--channels=2", "--latency-msec=20"},
                {.outputFile = file_.string(), .outputPipe = arrivals == Arrivals::Timed})
{
    if (arrivals == Arrivals::Timed)
        reader_ = std::thread([this] { read(); });
}

MonitorRecording::~MonitorRecording()
{
    if (recorder_.running() || reader_.joinable())
        finish();
}

void MonitorRecording::read()
{
    char buffer[65536];
    for (ssize_t got; (got = ::read(recorder_.output(), buffer, sizeof buffer)) != 0;) {
        if (got < 0) {
            if (errno == EINTR) continue;
            return;
        }
        const double now = platform::steadyClockMicroseconds();
        bytes_.append(buffer, std::size_t(got));
        arrivals_.push_back({now, bytes_.size() / kFrameBytes});
    }
}

std::vector<float> MonitorRecording::finish()
{
    recorder_.end(SIGINT);
    if (reader_.joinable()) {
        reader_.join();
    } else if (!file_.empty()) {
        std::ifstream raw(file_, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(raw), std::istreambuf_iterator<char>());
    }
    std::vector<float> samples(bytes_.size() / kFrameBytes * 2);
    std::memcpy(samples.data(), bytes_.data(), samples.size() * sizeof(float));
    return samples;
}

RecordingClock MonitorRecording::clock() const
{
    return RecordingClock(arrivals_, kRate);
}

} // namespace bench
