#include "bench/ScoreEvents.h"

#include "bench/Subprocess.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace bench {

namespace {

constexpr int kStrike = 100;

} // namespace

std::vector<ScoreNote> scoreNotes(const std::string& lines)
{
    std::vector<ScoreNote> notes;
    double now = 0;
    std::istringstream text(lines);
    for (std::string line; std::getline(text, line);) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "wait") {
            double microseconds = -1;
            if (!(words >> microseconds) || microseconds < 0)
                throw std::invalid_argument("a wait without a length: " + line);
            now += microseconds;
        } else if (kind == "on" || kind == "off") {
            ScoreNote note{now, 0, 0, kind == "on" ? kStrike : 0};
            if (!(words >> note.player >> note.note))
                throw std::invalid_argument("a note without its player and number: " + line);
            notes.push_back(note);
        } else if (!kind.empty() && kind != "call" && kind != "msgbox" && !kind.starts_with("#")) {
            throw std::invalid_argument("a line that score-events does not print: " + line);
        }
    }
    return notes;
}

std::vector<ScoreNote> struckBefore(const std::vector<ScoreNote>& notes, double limit)
{
    std::vector<ScoreNote> kept;
    std::map<std::pair<int, int>, int> sounding; // strikes kept and not yet released, by player and note
    for (const ScoreNote& note : notes) {
        const std::pair<int, int> key{note.player, note.note};
        if (note.velocity > 0 && note.stamp < limit) {
            ++sounding[key];
            kept.push_back(note);
        } else if (note.velocity == 0 && sounding[key] > 0) {
            --sounding[key];
            kept.push_back(note);
        }
    }
    return kept;
}

double lastStrike(const std::vector<ScoreNote>& notes)
{
    const auto last =
        std::find_if(notes.rbegin(), notes.rend(), [](const ScoreNote& note) { return note.velocity > 0; });
    if (last == notes.rend()) throw std::invalid_argument("a score that strikes nothing");
    return last->stamp;
}

double timeToPlay(const std::vector<ScoreNote>& notes, double from, std::size_t count)
{
    const auto first =
        std::find_if(notes.begin(), notes.end(), [&](const ScoreNote& note) { return note.stamp >= from; });
    if (count == 0) return 0;
    if (std::size_t(notes.end() - first) < count) throw std::out_of_range("the score ends before that many notes");
    return (first + long(count) - 1)->stamp - from;
}

std::string scoreEvents(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{
        (std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "tools" / "score-events").string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return outputOf(command);
}

} // namespace bench
