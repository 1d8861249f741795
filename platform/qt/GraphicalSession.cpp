#include "platform/qt/GraphicalSession.h"

#include <cstdlib>
#include <string_view>

namespace platform {

namespace {

bool isSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// Qt tries the platforms of the list in turn, each "name" or "name:options".
bool namesPlatformWithoutDisplayServer(std::string_view platforms)
{
    while (!platforms.empty()) {
        const std::size_t end = platforms.find(';');
        const std::string_view entry = platforms.substr(0, end);
        const std::string_view name = entry.substr(0, entry.find(':'));
        if (!name.empty() && !name.starts_with("xcb") && !name.starts_with("wayland")) return true;
        if (end == std::string_view::npos) break;
        platforms.remove_prefix(end + 1);
    }
    return false;
}

} // namespace

bool graphicalSessionAvailable()
{
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY")) return true;
    const char* platforms = std::getenv("QT_QPA_PLATFORM");
    return platforms != nullptr && namesPlatformWithoutDisplayServer(platforms);
}

} // namespace platform
