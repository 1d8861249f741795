#pragma once

namespace platform {

// Whether Qt can show a window here: a display server announces itself
// (DISPLAY for X11, WAYLAND_DISPLAY for Wayland), or QT_QPA_PLATFORM names a
// Qt platform that draws without one (offscreen, minimal, ...). Without
// either, Qt would abort when the application object is made.
bool graphicalSessionAvailable();

} // namespace platform
