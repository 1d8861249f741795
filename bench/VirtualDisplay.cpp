#include "bench/VirtualDisplay.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <cstdlib>
#include <stdexcept>

namespace bench {

namespace {

constexpr int kStartTimeoutMilliseconds = 10000;

// The display (":" and the number that Xvfb writes, followed by a newline,
// once it accepts connections).
std::string displayName(int pipe)
{
    std::string name = ":";
    for (;;) {
        pollfd ready{pipe, POLLIN, 0};
        if (poll(&ready, 1, kStartTimeoutMilliseconds) <= 0)
            throw std::runtime_error("Xvfb did not say its display number in time");
        char c = 0;
        if (read(pipe, &c, 1) != 1)
            throw std::runtime_error("Xvfb ended before it said its display number");
        if (c == '\n')
            return name;
        name += c;
    }
}

} // namespace

VirtualDisplay::VirtualDisplay()
    : server_({"Xvfb", "-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp", "-noreset"},
              {.outputPipe = true})
    , name_(displayName(server_.output()))
{
    setenv("DISPLAY", name_.c_str(), 1);
    // Qt programs started from here come to this display, whatever the
    // bench was started from.
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    for (int attempt = 0; Subprocess({"xdotool", "getdisplaygeometry"}, {.outputFile = "/dev/null"}).wait() != 0;
         ++attempt) {
        if (attempt == 100) throw std::runtime_error("Xvfb does not answer on " + name_);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

VirtualDisplay::~VirtualDisplay()
{
    server_.end(SIGTERM);
}

} // namespace bench
