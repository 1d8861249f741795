#pragma once

// The program's one menu bar, shared by the application and the main window:
// a first menu titled with the About item, holding About and Quit, and an
// Edit menu whose items the program does not handle.

#include "platform/core/Menu.h"

namespace app {

const platform::ClassRecord& MenuBar1Class();

// The menu bar, built by its constructor on the first call.
platform::Ref<platform::MenuBar> MenuBar1();

// The constructor: builds the twelve items, each complete before the next.
void MenuBar1Constructor(platform::MenuBar& self);

} // namespace app
