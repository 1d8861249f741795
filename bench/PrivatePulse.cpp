#include "bench/PrivatePulse.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace bench {

namespace {

const std::string kSink = "bench";

std::filesystem::path makeDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-audio-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("could not make a temporary directory");
    return pattern;
}

} // namespace

PrivatePulseServer::PrivatePulseServer() : directory_(makeDirectory())
{
    std::filesystem::create_directories(directory_ / "runtime");
    setenv("HOME", directory_.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", directory_.c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", (directory_ / "runtime").c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + (directory_ / "runtime" / "native").string()).c_str(), 1);
    server_ = std::make_unique<Subprocess>(std::vector<std::string>{
        "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes", "--log-level=debug",
        "--log-target=file:" + (directory_ / "server.log").string(),
        "-L", "module-null-sink sink_name=" + kSink + " format=float32le rate=44100 channels=2 norewinds=1",
        "-L", "module-native-protocol-unix"});
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (Subprocess({"pactl", "info"}, {.outputFile = "/dev/null"}).wait() == 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("the private PulseAudio server did not start");
}

PrivatePulseServer::~PrivatePulseServer()
{
    server_->end(SIGTERM);
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
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

MonitorRecording::MonitorRecording(const PrivatePulseServer& server)
    : file_(server.directory() / "monitor.raw")
    , recorder_({"parec", "-d", kSink + ".monitor", "--raw", "--format=float32le", "--rate=44100", "--channels=2", "--latency-msec=20"},
                {.outputFile = file_.string()})
{
}

std::vector<float> MonitorRecording::finish()
{
    recorder_.end(SIGINT);
    std::ifstream raw(file_, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(raw), std::istreambuf_iterator<char>()};
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

} // namespace bench
