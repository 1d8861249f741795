#pragma once

#include "platform/core/Menu.h"

#include <QKeySequence>
#include <QMenuBar>

#include <optional>
#include <string>

namespace platform {

// The key sequence that a core shortcut stands for. The core writes the menu
// command key as "Cmd", which is Ctrl on this desktop ("Cmd+Q" is Ctrl+Q); an
// unset or empty shortcut is none.
QKeySequence keySequenceFor(const std::optional<std::string>& shortcut);

// Builds the view of a core menu tree in a Qt menu bar: a menu for each
// top-level item, titled with its text as given; below, an action for each
// command, a separator for each "-" item and a submenu for an item with
// children. Choosing an action goes to the application object, which runs the
// item's handler or quits. The menu items have no properties that change, so
// the view is built once.
void buildMenuBarView(QMenuBar& bar, const MenuBar& menus);

} // namespace platform
