#pragma once

#include "bench/Subprocess.h"

#include <filesystem>
#include <optional>
#include <string>

namespace bench {

// Where the program's window and controls are, as its initial properties
// say: the main window's title and height, and the middle of each button,
// from the window's top left below its menu bar.
struct ProgramLayout {
    struct Point {
        int x, y;
    };
    std::string title;
    int windowHeight;
    Point start, stop, looped;

    // Read once from the program's own initial properties.
    static const ProgramLayout& of();
};

// The real program under test, on the bench's display and sound server as
// the environment names them: started with its standard error kept in a
// file, its main window found by its title and process, and driven with
// xdotool as a user would, by clicks at its controls' places (from the
// program's own layout) and keys sent to its windows. Killed if
// it still runs when this object goes.
class DesktopProgram {
public:
    // Starts it and waits for its main window to show.
    DesktopProgram(const std::filesystem::path& program, const std::filesystem::path& errorFile);
    DesktopProgram(const DesktopProgram&) = delete;
    DesktopProgram& operator=(const DesktopProgram&) = delete;

    // Clicks at a place of the window's layout; the steady-clock
    // microseconds when the click was done (a button acts on the release,
    // the last thing xdotool sends).
    double click(ProgramLayout::Point place);
    // Sends keys ("ctrl+q") to the main window.
    void pressKeys(const std::string& keys);
    // Waits for the message box the program opens over its window and
    // presses Return in it.
    void closeMessageBox();

    pid_t pid() const { return process_.pid(); }
    // Its exit status if it ends within `seconds`.
    std::optional<int> waitFor(double seconds) { return process_.waitFor(seconds); }
    // The most memory it has held so far (VmHWM), in megabytes.
    double peakMegabytes() const;
    // What it wrote on standard error so far.
    std::string errors() const;

private:
    // Its visible windows with the main window's title, the main one first
    // once known.
    std::vector<std::string> windows() const;

    std::filesystem::path errorFile_;
    Subprocess process_;
    std::string window_;
    int menuBarHeight_ = 0;
};

} // namespace bench
