#include "score/Score.h"

namespace score {

namespace {

// Bars 53 to 68: four-unit bars. The figure 76 74 72 74 over a low note held
// through the bar and a note struck after 72 and held to its end.
constexpr auto bar53 = "76 65/4 | 74 | 72 69/2 | 74"_steps;
constexpr auto bar54 = "76 64/4 | 74 | 72 67/2 | 74"_steps;
constexpr auto bar55 = "76 62/4 | 74 | 72 65/2 | 74"_steps;
constexpr auto bar56 = "76 60/4 | 74 | 72 64/2 | 74"_steps;

// The low notes a fifth under those of bars 53 to 56.
constexpr auto bar61 = "76 58/4 | 74 | 72 64/2 | 74"_steps;
constexpr auto bar62 = "76 57/4 | 74 | 72 65/2 | 74"_steps;
constexpr auto bar63 = "76 55/4 | 74 | 72 64/2 | 74"_steps;
constexpr auto bar64 = "76 53/4 | 74 | 72 65/2 | 74"_steps;

// Bars 69 to 76: a high note held through the bar, two octave pairs of two
// units under the figure.
constexpr auto bar69 = "76 84/4 60/2 48/2 | 74 | 72 54/2 50/2 | 74"_steps;
constexpr auto bar70 = "76 83/4 59/2 47/2 | 74 | 72 55/2 50/2 | 74"_steps;
constexpr auto bar71 = "76 81/4 57/2 45/2 | 74 | 72 54/2 50/2 | 74"_steps;
constexpr auto bar72 = "76 79/4 55/2 43/2 | 74 | 72 59/2 50/2 | 74"_steps;

// Bars 77 to 80: two-unit low chords whose bottom falls 41 40 38 36.
constexpr auto bar77 = "76 53/2 41/2 | 74 | 72 48/2 | 74"_steps;
constexpr auto bar78 = "76 52/2 40/2 | 74 | 72 48/2 | 74"_steps;
constexpr auto bar79 = "76 50/2 38/2 | 74 | 72 47/2 43/2 | 74"_steps;
constexpr auto bar80 = "76 48/2 36/2 | 74 | 72 43/2 | 74"_steps;

// Bars 85 to 89: a lower line that moves with every step.
constexpr auto bar85 = "76 41 | 74 43 | 72 45 | 74 47"_steps;
constexpr auto bar86 = "76 40 | 74 50 | 72 52 | 74 53"_steps;
constexpr auto bar87 = "76 50 | 74 55 | 72 57 | 74 59"_steps;
constexpr auto bar88 = "76 48 | 74 62 | 72 64 | 74 65"_steps;
constexpr auto bar89 = "76 53 | 74 67 | 72 69 | 74 71"_steps;

// Bars 90 to 92 leave the figure and climb to 91. Bar 91 strikes 79 anew in
// its second step, after the first 79 has ended.
constexpr auto bar90 = "76 72 52/2 | 74 | 76 43/2 | 77"_steps;
constexpr auto bar91 = "79 38/2 | 79 | 81 50/2 43/2 | 83"_steps;
constexpr auto bar92 = "84 36/2 | 86 | 88 52/2 43/2 | 91"_steps;

// Bars 93 to 100: six-unit bars again, the figures of bars 1 and 2 an octave
// up over notes of two or four units.
constexpr auto bar93 = "88 81/4 65/2 | 86 | 84 69/2 | 86 | 88 72/2 65/2 | 86"_steps;
constexpr auto bar94 = "84 79/4 64/2 | 86 | 88 67/2 | 86 | 84 72/2 64/2 | 86"_steps;
constexpr auto bar95 = "88 77/2 62/2 | 86 | 84 69/2 65/2 | 86 | 88 71/2 67/2 | 86"_steps;
constexpr auto bar96 = "84 72/2 60/2 | 86 | 88 79/2 67/2 | 86 | 84 64/2 | 86"_steps;
constexpr auto bar100 = "84 72/4 60/2 | 86 | 88 | 86 | 84 | 86"_steps;

// Bars 101 to 108 play bars 13 to 20 again with their long steps; bar 103
// adds 53 to the last step of bar 107, and bar 108 has 36 where bar 20 has 48.
constexpr auto bar101 = "81/4 76 53/2 | 74 | 72 57/2 | 74 | 72/2 53/2 (2)"_steps;
constexpr auto bar102 = "79/4 72 52/2 | 74 | 76 55/2 | 74 | 72/2 52/2 (2)"_steps;
constexpr auto bar103 = "77/2 50/2 (2) | 69/2 55/2 (2) | 71/2 53/2 43/2 (2)"_steps;
constexpr auto bar104 = "60/2 48/4 (2) | 79/2 64/2 55/2 (2) | 84 | 83"_steps;
constexpr auto bar107 = "77/2 50/2 (2) | 69/2 55/2 (2) | 71/2 43/2 (2)"_steps;
constexpr auto bar108 = "72 36/3 | 74 | 76 | 74 | 72 | 74"_steps;

constexpr ScoreRoutine routines[] = {
    {"bar53", bar53},
    {"bar54", bar54},
    {"bar55", bar55},
    {"bar56", bar56},
    {"bar57", bar53}, // bars 57 to 60 repeat bars 53 to 56
    {"bar58", bar54},
    {"bar59", bar55},
    {"bar60", bar56},
    {"bar61", bar61},
    {"bar62", bar62},
    {"bar63", bar63},
    {"bar64", bar64},
    {"bar65", bar61}, // bars 65 to 68 repeat bars 61 to 64
    {"bar66", bar62},
    {"bar67", bar63},
    {"bar68", bar64},
    {"bar69", bar69},
    {"bar70", bar70},
    {"bar71", bar71},
    {"bar72", bar72},
    {"bar73", bar69}, // bars 73 to 76 repeat bars 69 to 72
    {"bar74", bar70},
    {"bar75", bar71},
    {"bar76", bar72},
    {"bar77", bar77},
    {"bar78", bar78},
    {"bar79", bar79},
    {"bar80", bar80},
    {"bar81", bar77}, // bars 81 to 84 repeat bars 77 to 80
    {"bar82", bar78},
    {"bar83", bar79},
    {"bar84", bar80},
    {"bar85", bar85},
    {"bar86", bar86},
    {"bar87", bar87},
    {"bar88", bar88},
    {"bar89", bar89},
    {"bar90", bar90},
    {"bar91", bar91},
    {"bar92", bar92},
    {"bar93", bar93},
    {"bar94", bar94},
    {"bar95", bar95},
    {"bar96", bar96},
    {"bar97", bar93}, // bars 97 to 99 repeat bars 93 to 95
    {"bar98", bar94},
    {"bar99", bar95},
    {"bar100", bar100},
    {"bar101", bar101},
    {"bar102", bar102},
    {"bar103", bar103},
    {"bar104", bar104},
    {"bar105", bar101}, // bars 105 and 106 repeat bars 101 and 102
    {"bar106", bar102},
    {"bar107", bar107},
    {"bar108", bar108},
};

} // namespace

std::span<const ScoreRoutine> bars53To108()
{
    return routines;
}

} // namespace score
