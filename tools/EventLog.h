#pragma once

#include "platform/testing/TestBackend.h"

#include <string>
#include <string_view>
#include <vector>

namespace tools {

// The lines in which score-events shows a performance: "on P N" and
// "off P N" for a note struck or released on NotePlayerP, "call NAME" for a
// routine a mode calls, "msgbox" for a message box, and "wait US" before any
// of them whenever virtual time has passed since the line before.
class EventLog {
public:
    explicit EventLog(double start = 0.0) : last_(start) {}

    void note(const platform::NoteEvent& event);
    void call(std::string_view routine, double time);
    void messageBox(double time);
    // Ends the log, with a wait if time has passed since the last line.
    void finish(double time);

    const std::vector<std::string>& lines() const { return lines_; }

private:
    void add(std::string line, double time);

    std::vector<std::string> lines_;
    double last_;
};

} // namespace tools
