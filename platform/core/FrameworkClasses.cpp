#include "platform/core/FrameworkClasses.h"

#include "platform/core/Application.h"
#include "platform/core/Menu.h"
#include "platform/core/NotePlayer.h"
#include "platform/core/Services.h"
#include "platform/core/Thread.h"
#include "platform/core/Window.h"

namespace platform {

void RuntimeBuildFrameworkClasses()
{
    for (const auto lookup : {ApplicationClass, WindowClass, ControlClass, RectControlClass, PushButtonClass,
                              RadioButtonClass, ProgressWheelClass, NotePlayerClass, ThreadClass, MenuItemClass,
                              MenuBarClass, QuitMenuItemClass, RandomClass, IntegerArrayClass, LineEndingClass})
        lookup();
}

} // namespace platform
