#pragma once

#include "platform/core/Control.h"
#include "platform/core/Runtime.h"
#include "platform/core/Thread.h"
#include "platform/core/Window.h"
#include "platform/testing/TestBackend.h"

#include <string>
#include <string_view>
#include <vector>

// The program over the test backend: its classes, its application object
// and its main window with the eleven controls, in virtual time.
class Stage {
public:
    Stage();
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    platform::Window& window() { return *window_; }
    platform::TestBackend& backend() { return *backend_; }
    platform::Recording& recording() { return *backend_->recording(); }

    platform::PushButton& button(std::string_view name);
    platform::RadioButton& radio(std::string_view name);
    platform::RectControl& rect(std::string_view name);
    platform::Thread& thread(std::string_view name);

    // Clicks the mode's button ("original", "oneshot", "looped"), then start.
    void start(std::string_view mode);
    void stop() { button("stop").push(); }

    // The score-events lines of the named routines, called one after another
    // through the window's method table on the main thread, with the wait
    // after the last release.
    std::vector<std::string> events(std::initializer_list<std::string_view> routines);
    std::vector<std::string> events(std::string_view routine) { return events({routine}); }

    // The score routines called so far, in order.
    std::vector<std::string> scoreCalls() const;

private:
    platform::Runtime runtime_;
    platform::TestBackend* backend_;
    platform::Ref<platform::Window> window_;
};
