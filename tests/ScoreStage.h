#pragma once

#include "platform/core/Window.h"
#include "platform/testing/TestBackend.h"

#include <string>
#include <string_view>
#include <vector>

// A test run-time with one window that holds the two note players, on which
// the score's routines play in virtual time.
class ScoreStage {
public:
    ScoreStage();
    ~ScoreStage();
    ScoreStage(const ScoreStage&) = delete;
    ScoreStage& operator=(const ScoreStage&) = delete;

    platform::Window& window() { return *window_; }
    platform::TestBackend& backend() { return *backend_; }

    // The score-events lines of the named routines, played one after another
    // on the main thread, with the wait after the last release.
    std::vector<std::string> events(std::initializer_list<std::string_view> routines);
    std::vector<std::string> events(std::string_view routine) { return events({routine}); }

private:
    platform::TestBackend* backend_;
    platform::Ref<platform::Window> window_;
};
