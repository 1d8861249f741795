#pragma once

#include "score/Notation.h"

#include <span>

namespace platform {
class Window;
}

namespace score {

// The time base of the score: one unit, and the long step of two.
inline constexpr double stepUnit = 133000.0;
inline constexpr double longStep = 2 * stepUnit;

constexpr double stepLength(const Step& step)
{
    return step.units == 2 ? longStep : stepUnit;
}

// Waits until at least `length` microseconds have passed since its own first
// reading of the clock, yielding on every pass with the time it waits for. It
// tests before it first yields, ends on the first reading at which the length
// has passed, and ends too when elapsed time and length cannot be compared.
void waitMicroseconds(double length);

// The wait that ends a step: one unit, or two for a long step.
void stepWait(const Step& step);

// Plays the steps on the window's note players: each step's strikes, its
// wait, then its releases. Each note player is looked up by name for every
// single event; a lookup that finds nothing raises the nil-object exception,
// leaving sounding what was struck.
void play(platform::Window& window, std::span<const Step> steps);

} // namespace score
