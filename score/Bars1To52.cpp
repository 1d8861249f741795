#include "score/Score.h"

namespace score {

namespace {

// Bars 1 to 4: the ostinato figure alone, odd and even forms.
constexpr auto bar1 = "76 | 74 | 72 | 74 | 76 | 74"_steps;
constexpr auto bar2 = "72 | 74 | 76 | 74 | 72 | 74"_steps;

// Bars 5 to 12: the figure with a two-unit note and one-unit notes below it
// wherever the figure strikes 76.
constexpr auto bar5 = "76 69/2 60 53 | 74 | 72 | 74 | 76 72/2 55 52 | 74"_steps;
constexpr auto bar6 = "72 | 74 | 79/2 76 60 52 | 74 | 72 | 74"_steps;
constexpr auto bar7 = "77/2 76 57 50 | 74 | 72 | 74 | 76 71/2 55 50 | 74"_steps;
constexpr auto bar8 = "72 | 74 | 79/2 76 64 55 48 | 74 | 72 | 74"_steps;
constexpr auto bar9 = "76 69/2 60 53 | 74 | 72 | 74 | 76 72/2 57 53 | 74"_steps;
constexpr auto bar11 = "77/2 76 57 50 | 74 | 72 | 74 | 76 79/2 53 50 | 74"_steps;
constexpr auto bar12 = "72 | 74 | 84/2 76 64 55 48 | 74 | 72 | 74"_steps;

// Bars 13 to 20: the phrase with long steps, then the even figure over 48.
constexpr auto bar13 = "81/4 76 53/2 | 74 | 72 57/2 | 74 | 72/2 53/2 (2)"_steps;
constexpr auto bar14 = "79/4 72 52/2 | 74 | 76 55/2 | 74 | 72/2 52/2 (2)"_steps;
constexpr auto bar15 = "77/2 50/2 (2) | 69/2 55/2 (2) | 71/2 43/2 (2)"_steps;
constexpr auto bar16 = "60/2 48/4 (2) | 79/2 64/2 55/2 (2) | 84 | 83"_steps;
constexpr auto bar20 = "72 48/3 | 74 | 76 | 74 | 72 | 74"_steps;

// Bars 21 to 28: a held note at step 1 over one or two lower ones; in bar 26
// the held 72 sounds on NotePlayer2 beside the figure's own 72.
constexpr auto bar21 = "76 57/4 53/2 | 74 | 72 | 74 | 76 59/2 | 74"_steps;
constexpr auto bar22 = "72 60/4 52/2 | 74 | 76 | 74 | 72 64/2 | 74"_steps;
constexpr auto bar23 = "76 65/4 50/2 | 74 | 72 | 74 | 76 67/2 43/2 | 74"_steps;
constexpr auto bar24 = "72 64/6 48/3 | 74 | 76 | 74 | 72 | 74"_steps;
constexpr auto bar25 = "76 69/4 53/2 41/2 | 74 | 72 | 74 | 76 71/2 | 74"_steps;
constexpr auto bar26 = "72 B72/4 52/3 40/3 | 74 | 76 | 74 | 72 67/2 | 74"_steps;
constexpr auto bar27 = "76 65/2 50/2 | 74 | 72 57/2 | 74 | 76 59/2 55/2 | 74"_steps;
constexpr auto bar28 = "72 60/6 48/2 | 74 | 76 | 74 | 72 | 74"_steps;

// Bars 29 to 36: a held note below the figure and a falling line above it;
// bar 36 bends the figure to 76 74 72 67 72 74.
constexpr auto bar29 = "76 65/4 | 74 | 72 | 74 | 76 81/2 | 74"_steps;
constexpr auto bar30 = "72 64/4 | 74 | 76 | 74 | 72 79/2 | 74"_steps;
constexpr auto bar31 = "76 62/6 | 74 | 72 | 74 | 76 83/2 | 74"_steps;
constexpr auto bar32 = "72 64/6 84/4 | 74 | 76 | 74 | 72 83/2 | 74"_steps;
constexpr auto bar33 = "76 65/6 81/6 | 74 | 72 | 74 | 76 | 74"_steps;
constexpr auto bar34 = "72 64/6 | 74 | 76 79/4 | 74 | 72 | 74"_steps;
constexpr auto bar35 = "76 62/4 | 74 | 72 77/4 | 74 | 76 55/2 | 74"_steps;
constexpr auto bar36 = "76 60/2 | 74 | 72 | 67 | 72 64 | 74 62"_steps;

// Bars 33 to 35 as one run: 81 sounds on into the second step of bar 34 and
// 79 into the second step of bar 35, so the line above the figure never breaks.
constexpr auto bars333435 = "76 65/6 81/8 | 74 | 72 | 74 | 76 | 74"
                            " | 72 64/6 | 74 | 76 79/6 | 74 | 72 | 74"
                            " | 76 62/4 | 74 | 72 77/4 | 74 | 76 55/2 | 74"_steps;

// Bars 37 to 44: a low note held through the bar under a two-note chord
// struck at steps 3 and 5. Bar 44's shorter low note goes last at step 4.
constexpr auto bar37 = "76 60/6 | 74 | 72 66/2 62/2 | 74 | 76 66/2 62/2 | 74"_steps;
constexpr auto bar38 = "72 59/6 | 74 | 76 67/2 62/2 | 74 | 72 67/2 62/2 | 74"_steps;
constexpr auto bar39 = "76 57/6 | 74 | 72 66/2 60/2 | 74 | 76 66/2 60/2 | 74"_steps;
constexpr auto bar40 = "72 55/6 | 74 | 76 67/2 59/2 | 74 | 72 67/2 59/2 | 74"_steps;
constexpr auto bar44 = "72 55/4 | 74 | 76 67/2 59/2 | 74 (off 74 67 59 55) | 72 67/2 59/2 | 74"_steps;

// Bars 45 to 48: one added note at steps 1, 3 and 5.
constexpr auto bar45 = "76 70 | 74 | 72 B72 | 74 | 76 70 | 74"_steps;
constexpr auto bar46 = "72 69 | 74 | 76 72 | 74 | 72 69 | 74"_steps;
constexpr auto bar47 = "76 67 | 74 | 72 70 | 74 | 76 67 | 74"_steps;

// Bars 49 to 52: the same voice doubled at the octave.
constexpr auto bar49 = "76 82 70 | 74 | 72 84 B72 | 74 | 76 82 70 | 74"_steps;
constexpr auto bar50 = "72 69 81 | 74 | 76 72 84 | 74 | 72 69 81 | 74"_steps;
constexpr auto bar51 = "76 67 79 | 74 | 72 82 B70 | 74 | 76 67 79 | 74"_steps;

constexpr ScoreRoutine routines[] = {
    {"bar1", bar1},
    {"bar2", bar2},
    {"bar3", bar1}, // the same as bar 1
    {"bar4", bar2}, // the same as bar 2
    {"bar5", bar5},
    {"bar6", bar6},
    {"bar7", bar7},
    {"bar8", bar8},
    {"bar9", bar9},
    {"bar10", bar6}, // the same as bar 6
    {"bar11", bar11},
    {"bar12", bar12},
    {"bar13", bar13},
    {"bar14", bar14},
    {"bar15", bar15},
    {"bar16", bar16},
    {"bar17", bar13}, // the same as bar 13
    {"bar18", bar14}, // the same as bar 14
    {"bar19", bar15}, // the same as bar 15
    {"bar20", bar20},

    {"bar21", bar21},
    {"bar22", bar22},
    {"bar23", bar23},
    {"bar24", bar24},
    {"bar25", bar25},
    {"bar26", bar26},
    {"bar27", bar27},
    {"bar28", bar28},
    {"bar29", bar29},
    {"bar30", bar30},
    {"bar31", bar31},
    {"bar32", bar32},
    {"bar33", bar33},
    {"bar34", bar34},
    {"bar35", bar35},
    {"bars333435", bars333435},
    {"bar36", bar36},

    {"bar37", bar37},
    {"bar38", bar38},
    {"bar39", bar39},
    {"bar40", bar40},
    {"bar41", bar37}, // the same as bar 37
    {"bar42", bar38}, // the same as bar 38
    {"bar43", bar39}, // the same as bar 39
    {"bar44", bar44},
    {"bar45", bar45},
    {"bar46", bar46},
    {"bar47", bar47},
    {"bar48", bar46}, // the same as bar 46
    {"bar49", bar49},
    {"bar50", bar50},
    {"bar51", bar51},
    {"bar52", bar50}, // the same as bar 50
};

} // namespace

std::span<const ScoreRoutine> bars1To52() { return routines; }

} // namespace score
