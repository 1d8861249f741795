#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bench {

// What the score plays, as the developer tool score-events prints it: the
// times at which a performance strikes and releases its notes, so that what
// is heard of the real program can be judged against them.

// A note as the score plays it.
struct ScoreNote {
    double stamp; // microseconds from the performance's start
    int player;   // NotePlayer1 or NotePlayer2
    int note;
    int velocity; // 100 struck, 0 released, as the score plays them
};

// The notes of score-events' lines ("on P N", "off P N", "wait US"; calls,
// message boxes and comments pass), each stamped with the waits before it.
// Throws std::invalid_argument for a line it cannot read.
std::vector<ScoreNote> scoreNotes(const std::string& lines);

// The notes struck before `limit` (microseconds), with their releases,
// whenever those come.
std::vector<ScoreNote> struckBefore(const std::vector<ScoreNote>& notes, double limit);

// When the last note is struck.
double lastStrike(const std::vector<ScoreNote>& notes);

// How many microseconds after `from` the score has played `count` notes
// (strikes and releases); throws std::out_of_range if it never does.
double timeToPlay(const std::vector<ScoreNote>& notes, double from, std::size_t count);

// What score-events prints with those arguments, by the tool built beside
// the bench (build/tools/score-events for build/bench/bench-...).
std::string scoreEvents(const std::vector<std::string>& arguments);

} // namespace bench
