#include "platform/qt/GraphicalSession.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

constexpr std::array<const char*, 4> variables = {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM"};
using Values = std::array<std::optional<std::string>, variables.size()>;

// Sets the variables that choose Qt's platform for one case; puts back what
// the process had (the other Qt tests run offscreen) when it goes.
class Environment {
public:
    Environment()
    {
        for (std::size_t i = 0; i < variables.size(); ++i)
            if (const char* value = std::getenv(variables[i])) saved_[i] = value;
    }
    ~Environment() { set(saved_); }

    void set(const Values& values)
    {
        for (std::size_t i = 0; i < variables.size(); ++i) {
            if (values[i])
                setenv(variables[i], values[i]->c_str(), 1);
            else
                unsetenv(variables[i]);
        }
    }

private:
    Values saved_;
};

// While it lives, the process can open no more files: its limit is its
// lowest free descriptor, so every one below is taken.
class NoDescriptorsLeft {
public:
    NoDescriptorsLeft()
    {
        getrlimit(RLIMIT_NOFILE, &saved_);
        const int lowestFree = open("/dev/null", O_RDONLY | O_CLOEXEC);
        close(lowestFree);
        rlimit none = saved_;
        none.rlim_cur = static_cast<rlim_t>(lowestFree);
        setrlimit(RLIMIT_NOFILE, &none);
    }
    ~NoDescriptorsLeft() { setrlimit(RLIMIT_NOFILE, &saved_); }
    NoDescriptorsLeft(const NoDescriptorsLeft&) = delete;
    NoDescriptorsLeft& operator=(const NoDescriptorsLeft&) = delete;

private:
    rlimit saved_{};
};

// UndefinedBehaviorSanitizer checks an object's dynamic type (an
// exception's, say) through a pipe of its own, which NoDescriptorsLeft
// denies it as well.
bool checksDynamicTypesThroughAPipe()
{
    return dlsym(RTLD_DEFAULT, "__ubsan_handle_dynamic_type_cache_miss") != nullptr;
}

std::string described(const Values& values)
{
    std::string text;
    for (std::size_t i = 0; i < variables.size(); ++i)
        text += std::string(variables[i]) + "=" + values[i].value_or("(unset)") + " ";
    return text;
}

} // namespace

TEST(GraphicalSession, QtTriesWaylandFirstWhereTheSessionAnnouncesItAndTheListedPlatformsInTurn)
{
    using enum platform::QtPlatform;
    Environment environment;
    const std::nullopt_t none = std::nullopt;
    const struct {
        Values display_wayland_session_platform;
        std::vector<platform::QtPlatform> order;
    } cases[] = {
        {{none, none, none, none}, {X11}}, // Qt's default, which then finds no DISPLAY
        {{":0", none, none, none}, {X11}},
        {{none, "wayland-0", none, none}, {Wayland, X11}},
        {{":0", "wayland-0", none, none}, {Wayland, X11}},
        {{"", "", "", ""}, {X11}}, // set but empty announces nothing
        {{":0", none, "wayland", none}, {Wayland, X11}},
        {{":0", none, "x11", none}, {X11}},
        {{":0", "wayland-0", none, "xcb"}, {X11}}, // the list replaces Qt's choice
        {{none, none, none, "offscreen"}, {Serverless}},
        {{none, none, none, "offscreen:fontengine=freetype"}, {Serverless}},
        {{none, none, none, "wayland-egl"}, {Wayland}},
        {{none, none, none, "wayland;xcb"}, {Wayland, X11}},
        {{none, none, none, "xcb:x=1;offscreen"}, {X11, Serverless}},
        {{none, none, none, ";:x;"}, {}},
    };
    for (const auto& c : cases) {
        environment.set(c.display_wayland_session_platform);
        EXPECT_EQ(platform::qtPlatformOrder(), c.order) << described(c.display_wayland_session_platform);
    }
}

TEST(GraphicalSession, WithoutADisplayToTrySaysWhatIsMissing)
{
    Environment environment;
    const std::nullopt_t none = std::nullopt;
    const struct {
        Values display_wayland_session_platform;
        std::optional<std::string> problem;
    } cases[] = {
        {{none, none, none, none}, "velmora20: needs a graphical session, but neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {{none, "wayland-0", none, "xcb"},
         "velmora20: needs a graphical session, but QT_QPA_PLATFORM=xcb names no platform whose display is set"},
        {{none, none, none, "offscreen"}, none},
        {{none, none, none, "xcb;minimal"}, none}, // Qt falls back to the second
    };
    for (const auto& c : cases) {
        environment.set(c.display_wayland_session_platform);
        EXPECT_EQ(platform::displayProblem(), c.problem) << described(c.display_wayland_session_platform);
    }
}

TEST(GraphicalSession, WithoutAPipeToAskTheFirstDisplayNamesItAndWhatFailed)
{
    if (checksDynamicTypesThroughAPipe()) GTEST_SKIP() << "built with UndefinedBehaviorSanitizer";
    Environment environment;
    const std::nullopt_t none = std::nullopt;
    const struct {
        Values display_wayland_session_platform;
        std::string problem;
    } cases[] = {
        {{":59", none, none, none},
         "velmora20: cannot ask the X display :59 whether it answers: pipe2: Too many open files"},
        // Qt tries Wayland first; without a pipe for it there is none for the next.
        {{":59", "velmora-absent", none, none},
         "velmora20: cannot ask the Wayland display velmora-absent whether it answers: pipe2: Too many open files"},
    };
    for (const auto& c : cases) {
        environment.set(c.display_wayland_session_platform);
        const NoDescriptorsLeft noneLeft;
        EXPECT_EQ(platform::displayProblem(), c.problem) << described(c.display_wayland_session_platform);
    }
}
