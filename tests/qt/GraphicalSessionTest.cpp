#include "platform/qt/GraphicalSession.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

constexpr std::array<const char*, 3> variables = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};

// Sets the variables that announce a display for one case; puts back what
// the process had (the other Qt tests run offscreen) when it goes.
class Environment {
public:
    Environment()
    {
        for (std::size_t i = 0; i < variables.size(); ++i)
            if (const char* value = std::getenv(variables[i])) saved_[i] = value;
    }
    ~Environment() { set(saved_); }

    void set(const std::array<std::optional<std::string>, 3>& values)
    {
        for (std::size_t i = 0; i < variables.size(); ++i) {
            if (values[i])
                setenv(variables[i], values[i]->c_str(), 1);
            else
                unsetenv(variables[i]);
        }
    }

private:
    std::array<std::optional<std::string>, 3> saved_;
};

} // namespace

TEST(GraphicalSession, NeedsADisplayServerOrAPlatformThatDrawsWithoutOne)
{
    Environment environment;
    const std::nullopt_t none = std::nullopt;
    const struct {
        std::array<std::optional<std::string>, 3> display_wayland_platform;
        bool available;
    } cases[] = {
        {{none, none, none}, false},
        {{"", "", ""}, false}, // set but empty announces nothing
        {{":0", none, none}, true},
        {{none, "wayland-0", none}, true},
        {{":0", none, "xcb"}, true},
        {{none, none, "offscreen"}, true},
        {{none, none, "minimal"}, true},
        {{none, none, "offscreen:fontengine=freetype"}, true},
        {{none, none, "xcb"}, false},
        {{none, none, "wayland-egl"}, false},
        {{none, none, "wayland;xcb"}, false},
        {{none, none, "xcb;offscreen"}, true}, // Qt falls back to the second
        {{none, none, ";:x;"}, false},
    };
    for (const auto& c : cases) {
        environment.set(c.display_wayland_platform);
        EXPECT_EQ(platform::graphicalSessionAvailable(), c.available)
            << c.display_wayland_platform[0].value_or("(unset)") << " " << c.display_wayland_platform[1].value_or("(unset)")
            << " " << c.display_wayland_platform[2].value_or("(unset)");
    }
}
