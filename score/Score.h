#pragma once

#include "score/Notation.h"

#include <span>
#include <string_view>

namespace score {

// One bar or passage routine of the main window: its name and its steps.
// Bars that play the same events share their steps under names of their own.
struct ScoreRoutine {
    std::string_view name;
    std::span<const Step> steps;
};

// The routines of each stretch of the score, in bar order.
std::span<const ScoreRoutine> bars1To52();
std::span<const ScoreRoutine> bars53To108();
std::span<const ScoreRoutine> bars109To142();

// The routine of that name, or nullptr.
const ScoreRoutine* findRoutine(std::string_view name);

} // namespace score
