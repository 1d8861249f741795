#pragma once

#include <QtGlobal>

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Where Qt can show the program's window. Qt picks its platform from the
// environment and, when none starts, aborts with a page of advice; these
// checks ask the display servers first, through the libraries Qt itself uses
// (xcb, libwayland-client), and say in one line why there is no window.

// What a platform Qt may use needs in order to show a window.
enum class QtPlatform {
    X11,        // an X server at DISPLAY
    Wayland,    // a compositor at WAYLAND_DISPLAY (wayland-0 when unset)
    Serverless, // none: offscreen, minimal, a framebuffer, ...
};

// What the lines call the display a platform connects to ("the X display
// :0"); empty for a serverless platform and for an X11 platform without
// DISPLAY, which Qt's xcb plugin cannot even try.
std::string displayName(QtPlatform platform);

// The platforms Qt tries, in its order: those QT_QPA_PLATFORM lists, else
// Wayland when the session announces it, then X11.
std::vector<QtPlatform> qtPlatformOrder();

// Goes through Qt's platforms in its order until one has no server or its
// server answers a connection within a few seconds. Nothing when one does;
// else the line for standard error that says why no window can be shown,
// naming the displays: those without a server, or the one that took the
// connection but did not answer (stopped, hung), where Qt would wait for
// ever rather than try the next; or the one it could not even ask, for want
// of a process or a pipe to ask it with.
std::optional<std::string> displayProblem();

// While it lives, Qt's fatal errors, which can only be its platform failing
// to start (the checks above passed, but the server then refused Qt's own
// connection, or the platform plugin did not load), end the program with one
// line naming the display and exit status 1, instead of Qt's abort. Meant
// for the making of the QApplication, when nothing else is open yet; Qt's
// other messages meanwhile go to standard error as usual.
class PlatformStartGuard {
public:
    PlatformStartGuard();
    ~PlatformStartGuard();
    PlatformStartGuard(const PlatformStartGuard&) = delete;
    PlatformStartGuard& operator=(const PlatformStartGuard&) = delete;

private:
    QtMessageHandler previous_;
};

} // namespace platform
