#include "player/InitialProperties.h"
#include "player/ModeThreads.h"
#include "player/Window1.h"

#include "platform/core/Runtime.h"

#include <array>
#include <string>

namespace player {

namespace {

using platform::ClassRecord;

// One control of the main window: what it is made as, what it is cast to
// when its properties are applied, its constructor, its initial properties
// and the handler bound to its event.
struct ControlPlan {
    std::string_view name;
    const ClassRecord& (*madeAs)();
    const ClassRecord& (*castTo)();
    std::string_view constructor; // empty: none
    std::string_view properties;
    std::string_view event;   // empty: none
    std::string_view handler;
};

constexpr std::string_view rectControl = "RectControl";
constexpr std::string_view threadConstructor = "Constructor";

// The eleven controls in the order they are made.
constexpr std::array<ControlPlan, 11> controls = {{
    {"start", platform::PushButtonClass, platform::PushButtonClass, rectControl, initialProperties::start.bytes(), "Action", "start_Action"},
    {"stop", platform::PushButtonClass, platform::PushButtonClass, rectControl, initialProperties::stop.bytes(), "Action", "stop_Action"},
    {"ProgressWheel1", platform::ProgressWheelClass, platform::ProgressWheelClass, rectControl, initialProperties::progressWheel.bytes(), {}, {}},
    {"NotePlayer1", platform::NotePlayerClass, platform::NotePlayerClass, {}, initialProperties::notePlayer1.bytes(), {}, {}},
    {"originalThread", originalThreadClass, originalClass, threadConstructor, initialProperties::thread.bytes(), "Run", "originalThread_Run"},
    {"NotePlayer2", platform::NotePlayerClass, platform::NotePlayerClass, {}, initialProperties::notePlayer2.bytes(), {}, {}},
    {"originalButton", platform::RadioButtonClass, platform::RadioButtonClass, rectControl, initialProperties::originalButton.bytes(), {}, {}},
    {"oneshotButton", platform::RadioButtonClass, platform::RadioButtonClass, rectControl, initialProperties::oneshotButton.bytes(), {}, {}},
    {"loopedButton", platform::RadioButtonClass, platform::RadioButtonClass, rectControl, initialProperties::loopedButton.bytes(), {}, {}},
    {"loopedThread", loopedThreadClass, loopedClass, threadConstructor, initialProperties::thread.bytes(), "Run", "loopedThread_Run"},
    {"oneshotThread", oneshotThreadClass, oneshotClass, threadConstructor, initialProperties::thread.bytes(), "Run", "oneshotThread_Run"},
}};

platform::Object& lookUp(const Window& self, const ControlPlan& plan)
{
    return platform::nonNil(platform::RuntimeCheckCast(platform::RuntimeWindowControlByName(self, plan.name), plan.castTo()));
}

} // namespace

// Each control is complete (made, constructed, added, its properties set and
// its event bound) before the next is made.
void _CreateControls0(Window& self)
{
    for (const ControlPlan& plan : controls) {
        Ref<platform::Object> control = platform::callMethod<Ref<platform::Object>(const ClassRecord&)>(self, "__New", plan.madeAs());
        if (!plan.constructor.empty()) platform::callMethod(platform::nonNil(control), plan.constructor);
        platform::callMethod<void(std::string, Ref<platform::Object>)>(self, "_AddControl", std::string(plan.name), std::move(control));

        platform::_SetProperties(lookUp(self, plan), plan.properties);
        if (!plan.event.empty())
            platform::_InstallInstanceEventHandler(lookUp(self, plan), std::string(plan.event), self.classRecord().routine(plan.handler));
    }
}

} // namespace player
