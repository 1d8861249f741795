#pragma once

#include <string>

struct xcb_connection_t;

namespace platform {

// The connection that Qt's platform holds to its display, noted once Qt has
// started. When it breaks (the X server died, or another client killed the
// program's connection), Qt's X11 plugin ends the process with exit(1) from
// inside the event loop; among the exit handlers, this then tells that it
// broke without calling into Qt, whose globals are being torn down by then.
// (Qt's Wayland plugin ends the process with _exit(1), past any handler, and
// says why itself.)
class DisplayConnection {
public:
    // Of the running application; nothing to watch on a platform other than
    // X11.
    DisplayConnection();

    // The line for standard error once the connection has broken, naming
    // the display; empty while it holds.
    std::string lossReport() const;

private:
    xcb_connection_t* x11_ = nullptr;
    std::string display_;
};

} // namespace platform
