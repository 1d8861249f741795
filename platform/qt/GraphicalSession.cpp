#include "platform/qt/GraphicalSession.h"

#include "platform/qt/TimedAttempt.h"

#include <QString>

#include <wayland-client.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <system_error>

namespace platform {

namespace {

constexpr std::string_view kProgram = "velmora20: ";

std::string_view variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

QtPlatform platformNamed(std::string_view name)
{
    if (name.starts_with("xcb")) return QtPlatform::X11;
    if (name.starts_with("wayland")) return QtPlatform::Wayland;
    return QtPlatform::Serverless;
}

// The displays Qt would try, in its order, as "A or B".
std::string displaysTried(const std::vector<QtPlatform>& order)
{
    std::vector<std::string> names;
    for (const QtPlatform platform : order) {
        if (platform == QtPlatform::Serverless) break;
        std::string name = displayName(platform);
        if (!name.empty() && std::ranges::find(names, name) == names.end()) names.push_back(std::move(name));
    }
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : " or ") + name;
    return joined;
}

// How long a display server has to answer at start-up. A busy one answers
// within moments; one that has not by then is stopped or hung, and Qt would
// wait on it for ever.
constexpr std::chrono::seconds kAnswerLimit{3};

// xcb_connect waits for the server's reply to the connection setup.
bool xServerAnswers()
{
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(xcb_connect(nullptr, nullptr),
                                                                                  &xcb_disconnect);
    return xcb_connection_has_error(connection.get()) == 0;
}

void quiet(const char*, va_list) {}

// A Wayland connection is made without a word from the compositor: the
// round trip asks for one.
bool compositorAnswers()
{
    // libwayland explains its failures on standard error by itself (a
    // missing XDG_RUNTIME_DIR, say); here the one line says it. The attempt
    // runs in a process of its own, which keeps the handler.
    wl_log_set_handler_client(quiet);
    const std::unique_ptr<wl_display, decltype(&wl_display_disconnect)> display(wl_display_connect(nullptr),
                                                                                &wl_display_disconnect);
    return display != nullptr && wl_display_roundtrip(display.get()) >= 0;
}

void exitOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        return;
    }
    const std::string displays = displaysTried(qtPlatformOrder());
    const std::string where =
        displays.empty() ? "QT_QPA_PLATFORM=" + std::string(variable("QT_QPA_PLATFORM")) : displays;
    std::fprintf(stderr, "%scannot show a window on %s: Qt's platform plugin did not start there\n", kProgram.data(),
                 where.c_str());
    std::fflush(stderr);
    // Qt is half made; nothing of the program is open yet.
    std::_Exit(1);
}

} // namespace

std::string displayName(QtPlatform platform)
{
    switch (platform) {
    case QtPlatform::X11: {
        const std::string_view display = variable("DISPLAY");
        return display.empty() ? "" : "the X display " + std::string(display);
    }
    case QtPlatform::Wayland: {
        // libwayland's default, as Qt's plugin connects.
        const std::string_view display = variable("WAYLAND_DISPLAY");
        return "the Wayland display " + std::string(display.empty() ? "wayland-0" : display);
    }
    case QtPlatform::Serverless:
        break;
    }
    return "";
}

std::vector<QtPlatform> qtPlatformOrder()
{
    std::vector<QtPlatform> order;
    std::string_view listed = variable("QT_QPA_PLATFORM");
    if (listed.empty()) {
        // Qt's own choice: Wayland first when the session announces it, then
        // X11, which is also its default.
        if (!variable("WAYLAND_DISPLAY").empty() || variable("XDG_SESSION_TYPE") == "wayland")
            order.push_back(QtPlatform::Wayland);
        order.push_back(QtPlatform::X11);
        return order;
    }
    // Each entry is "name" or "name:options"; Qt tries them in turn.
    while (!listed.empty()) {
        const std::size_t end = listed.find(';');
        const std::string_view entry = listed.substr(0, end);
        const std::string_view name = entry.substr(0, entry.find(':'));
        if (!name.empty()) order.push_back(platformNamed(name));
        if (end == std::string_view::npos) break;
        listed.remove_prefix(end + 1);
    }
    return order;
}

std::optional<std::string> displayProblem()
{
    const std::vector<QtPlatform> order = qtPlatformOrder();
    for (const QtPlatform platform : order) {
        if (platform == QtPlatform::Serverless) return std::nullopt;
        if (platform == QtPlatform::X11 && variable("DISPLAY").empty()) continue;
        AttemptResult answer;
        try {
            answer = attemptWithin(kAnswerLimit, platform == QtPlatform::X11 ? xServerAnswers : compositorAnswers);
        } catch (const std::system_error& error) {
            // No process or pipe to spare: a process limit reached or no file
            // descriptors left. Letting Qt try instead would not get far, as
            // threads count against the process limit, and Qt and the audio
            // need theirs.
            return std::string(kProgram) + "cannot ask " + displayName(platform) +
                   " whether it answers: " + error.what();
        }
        if (answer == AttemptResult::Succeeded) return std::nullopt;
        // Qt would wait on this one rather than try the next.
        if (answer == AttemptResult::TimedOut)
            return std::string(kProgram) + displayName(platform) + " does not answer (waited " +
                   std::to_string(kAnswerLimit.count()) + " seconds)";
    }
    const std::string displays = displaysTried(order);
    if (!displays.empty()) return std::string(kProgram) + "cannot connect to " + displays;
    const std::string_view listed = variable("QT_QPA_PLATFORM");
    if (listed.empty())
        return std::string(kProgram) + "needs a graphical session, but neither DISPLAY nor WAYLAND_DISPLAY is set";
    return std::string(kProgram) + "needs a graphical session, but QT_QPA_PLATFORM=" + std::string(listed) +
           " names no platform whose display is set";
}

PlatformStartGuard::PlatformStartGuard()
    : previous_(qInstallMessageHandler(exitOnFatal))
{
}

PlatformStartGuard::~PlatformStartGuard()
{
    qInstallMessageHandler(previous_);
}

} // namespace platform
