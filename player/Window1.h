#pragma once

// The main window: the one window class of the program and the owner of its
// eleven controls. Its methods take the window as self; the framework calls
// its hooks and handlers, and the performance modes call the score's
// routines through its method table.

#include "platform/core/Menu.h"
#include "platform/core/Window.h"

#include <string>
#include <string_view>

namespace player {

using platform::Ref;
using platform::Window;

const platform::ClassRecord& Window1Class();

// The main window, made on first use; nil if the framework's window of the
// class is not a Window1.
Ref<Window> Window1();

// Construction hooks.
void Layout(Window& self);
void CreateControls(Window& self);
void _CreateControls0(Window& self);
void AddMenuHandlers(Window& self, const Ref<Window>& window);

// The menu item of that name in the window's menu bar, cast to that class.
Ref<platform::MenuItem> menuItemNamed(Window& self, std::string_view name, const platform::ClassRecord& itemClass);

// Start and stop.
void start_Action(Window& self);
void stop_Action(Window& self);
void setPlayingState(Window& self);
void setIdleState(Window& self);
void allNotesOff(Window& self);
std::string closingMessage();
void showClosingMessage(Window& self);

// The bars of the piece are numbered 1 to barCount.
inline constexpr int barCount = 142;

// The performance modes, each the Run handler of its thread.
void originalThread_Run(Window& self);
void loopedThread_Run(Window& self);
void oneshotThread_Run(Window& self);
void endPause(Window& self);
void playBar(Window& self, int k);

} // namespace player
