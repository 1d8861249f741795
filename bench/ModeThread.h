#pragma once

#include <string>
#include <vector>

namespace platform {
class Window;
}

namespace bench {

// Qt's offscreen platform, unless QT_QPA_PLATFORM names another: the
// benchmarks drive the desktop backend's event loop but need no display.
// Call before the backend is made.
void useOffscreenUnlessAsked();

// The names of the bar routines from `first` to `last`.
std::vector<std::string> barNames(int first, int last);

// Plays the routines one after another on a mode thread, given its turns by
// the running backend's own event loop, as on the desktop; returns once the
// last has played.
void playOnAModeThread(platform::Window& window, const std::vector<std::string>& routines);

} // namespace bench
