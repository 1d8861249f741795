#include "score/Score.h"

namespace score {
namespace {

// Bars 109 to 112 and 117 to 120: the figure 76 74 72 74 over 81 with 72 and
// 66 on NotePlayer2, the chord held for the whole bar. The passages strike
// the chord once and hold it across the three inner bar lines.
constexpr auto bar109 = "76 81/6 B72/6 B66/6 | 74 | 72 | 74 | 76 | 74"_steps;
constexpr auto bar110 = "72 81/6 B72/6 B66/6 | 74 | 76 | 74 | 72 | 74"_steps;
constexpr auto bars109110111112 = "76 81/24 B72/24 B66/24 | 74 | 72 | 74 | 76 | 74 | 72 | 74 | 76 | 74 | 72 | 74 "
                                  "| 76 | 74 | 72 | 74 | 76 | 74 | 72 | 74 | 76 | 74 | 72 | 74"_steps;

// Bars 113 to 116 and 121 to 128: a chord of two units on every 76 of the
// figure.
constexpr auto bar113 = "76 81/2 72/2 67/2 | 74 | 72 | 74 | 76 83/2 72/2 67/2 | 74"_steps;
constexpr auto bar114 = "72 | 74 | 76 81/2 72/2 67/2 | 74 | 72 | 74"_steps;
constexpr auto bar115 = "76 83/2 77/2 67/2 | 74 | 72 | 74 | 76 81/2 77/2 67/2 | 74"_steps;
constexpr auto bar116 = "72 | 74 | 76 83/2 77/2 67/2 | 74 | 72 | 74"_steps;

constexpr auto bar121 = "76 80/2 72/2 66/2 | 74 | 72 | 74 | 76 82/2 72/2 66/2 | 74"_steps;
constexpr auto bar122 = "72 | 74 | 76 80/2 72/2 66/2 | 74 | 72 | 74"_steps;
constexpr auto bar123 = "76 82/2 72/2 67/2 | 74 | 72 | 74 | 76 84/2 72/2 67/2 | 74"_steps;
constexpr auto bar124 = "72 | 74 | 76 82/2 72/2 67/2 | 74 | 72 | 74"_steps;

// Bars 129 to 132: the held top note and the long steps.
constexpr auto bar129 = "81/4 76 72/2 65/2 | 74 | 72 69/2 | 74 | 72/2 65/2 (2)"_steps;
constexpr auto bar130 = "79/4 72 64/2 | 74 | 76 67/2 | 74 | 72/2 64/2 (2)"_steps;
constexpr auto bar131 = "69/4 64 60/2 53/2 | 62 | 60 57/2 | 62 | 60/2 53/2 (2)"_steps;
constexpr auto bar132 = "67/4 52/2 (2) | 55/2 (2) | 60/2 52/2 (2)"_steps;

// Bars 133 to 136: a low chord under the figure; the passages hold it over
// the bar line to where the second bar releases its own.
constexpr auto bar133 = "76 56/6 52/6 48/6 42/6 | 74 | 72 | 74 | 76 | 74"_steps;
constexpr auto bar134 = "72 56/2 52/2 48/2 42/2 | 74 | 76 | 74 | 72 | 74"_steps;
constexpr auto bars133134 = "76 56/8 52/8 48/8 42/8 | 74 | 72 | 74 | 76 | 74 | 72 | 74 | 76 | 74 | 72 | 74"_steps;
constexpr auto bar135 = "76 68/6 64/6 60/6 54/6 | 74 | 72 | 74 | 76 | 74"_steps;
constexpr auto bar136 = "72 68/2 64/2 60/2 54/2 | 74 | 76 | 74 | 72 | 74"_steps;
constexpr auto bars135136 = "76 68/8 64/8 60/8 54/8 | 74 | 72 | 74 | 76 | 74 | 72 | 74 | 76 | 74 | 72 | 74"_steps;

// Bars 137 and 138 hold their chord as bars 109 and 110 do, but on
// NotePlayer1, so the held 72 and the figure's 72 are one note on one player.
// The held 72 is the one struck in step 1: it is released with 81 and 66 at
// the end of the bar, in bar 109's order, and the figure's 72s sound one unit.
constexpr auto bar137 = "76 81/6 72/6 66/6 | 74 | 72 | 74 | 76 | 74"_steps;
constexpr auto bar138 = "72 81/6 72/6 66/6 | 74 | 76 | 74 | 72 | 74"_steps;

// Bar 139 starts the falling line that runs on through bars 140 and 141.
constexpr auto bar139 = "76 72 66 | 74 | 72 | 69 | 64 | 62"_steps;

// The passage holds 81 to the end of bar 138 and 72 and 66 through the first
// step of bar 139; again the held 72 is the one struck in step 1.
constexpr auto bars137138139 = "76 81/12 72/13 66/13 | 74 | 72 | 74 | 76 | 74 | 72 | 74 | 76 | 74 | 72 | 74 "
                               "| 76 | 74 | 72 | 69 | 64 | 62"_steps;

constexpr auto bar140 = "60 | 57 | 52 | 50 | 48 | 45"_steps;
constexpr auto bar141 = "40 | 38 | 36 | - | - | -"_steps;

// The final chord: B72, 64 and 60 for one unit, the four upper notes for six.
constexpr auto bar142 = "84/6 79/6 76/6 72/6 B72 64 60 | - | - | - | - | -"_steps;

constexpr ScoreRoutine routines[] = {
    {"bar109", bar109},
    {"bar110", bar110},
    {"bar111", bar109}, // the same as bar 109
    {"bar112", bar110}, // the same as bar 110
    {"bars109110111112", bars109110111112},

    {"bar113", bar113},
    {"bar114", bar114},
    {"bar115", bar115},
    {"bar116", bar116},

    {"bar117", bar109}, // bars 117 to 120 repeat bars 109 to 112
    {"bar118", bar110},
    {"bar119", bar109},
    {"bar120", bar110},
    {"bars117118119120", bars109110111112},

    {"bar121", bar121},
    {"bar122", bar122},
    {"bar123", bar123},
    {"bar124", bar124},
    {"bar125", bar121}, // bars 125 to 128 repeat bars 121 to 124
    {"bar126", bar122},
    {"bar127", bar123},
    {"bar128", bar124},

    {"bar129", bar129},
    {"bar130", bar130},
    {"bar131", bar131},
    {"bar132", bar132},

    {"bar133", bar133},
    {"bar134", bar134},
    {"bars133134", bars133134},
    {"bar135", bar135},
    {"bar136", bar136},
    {"bars135136", bars135136},

    {"bar137", bar137},
    {"bar138", bar138},
    {"bar139", bar139},
    {"bars137138139", bars137138139},
    {"bar140", bar140},
    {"bar141", bar141},
    {"bar142", bar142},
};

} // namespace

std::span<const ScoreRoutine> bars109To142()
{
    return routines;
}

} // namespace score
