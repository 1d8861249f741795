#include "tools/EventLog.h"

#include <cmath>

namespace tools {

void EventLog::note(const platform::NoteEvent& event)
{
    const std::string player = event.player == "NotePlayer2" ? "2" : event.player == "NotePlayer1" ? "1" : event.player;
    add((event.velocity > 0 ? "on " : "off ") + player + " " + std::to_string(event.note), event.time);
}

void EventLog::call(std::string_view routine, double time)
{
    add("call " + std::string(routine), time);
}

void EventLog::messageBox(double time)
{
    add("msgbox", time);
}

void EventLog::finish(double time)
{
    if (time > last_) add({}, time);
}

void EventLog::add(std::string line, double time)
{
    if (time > last_) lines_.push_back("wait " + std::to_string(std::llround(time - last_)));
    last_ = std::max(last_, time);
    if (!line.empty()) lines_.push_back(std::move(line));
}

} // namespace tools
