#include "player/Window1.h"

#include "app/MenuBar1.h"
#include "player/InitialProperties.h"
#include "platform/core/PropertyList.h"
#include "platform/core/Runtime.h"
#include "score/Score.h"
#include "score/Step.h"

#include <array>
#include <string>

namespace player {

namespace {

using platform::Object;

// The window's own methods after the framework window's, in slot order.
constexpr std::array<std::string_view, 12> menuItemAccessors = {
    "EditMenu", "EditSelectAll", "UntitledMenu0", "EditClear", "EditPaste", "EditCopy",
    "EditCut",  "UntitledMenu1", "EditUndo",      "FileMenu",  "FileQuit",  "aboutvelmora20",
};

// The bar and passage routines, in their slots of the method table.
constexpr std::array<std::string_view, 148> scoreRoutines = {
    "bar1", "bar3", "bar2", "bar4", "bar5", "bar6", "bar7", "bar8", "bar9", "bar11", "bar10", "bar12",
    "bar13", "bar14", "bar15", "bar16", "bar17", "bar18", "bar19", "bar20", "bar21", "bar22", "bar23",
    "bar24", "bar25", "bar27", "bar29", "bar26", "bar28", "bar30", "bar31", "bar32", "bar33", "bar34",
    "bar35", "bar36", "bar37", "bar39", "bar41", "bar43", "bar38", "bar42", "bar40", "bar44", "bar45",
    "bar46", "bar48", "bar47", "bar49", "bar50", "bar52", "bar51", "bar53", "bar57", "bar54", "bar58",
    "bar55", "bar59", "bar56", "bar60", "bar61", "bar65", "bar62", "bar66", "bar63", "bar67", "bar64",
    "bar68", "bar69", "bar70", "bar71", "bar72", "bar76", "bar73", "bar74", "bar75", "bar77", "bar81",
    "bar78", "bar82", "bar79", "bar83", "bar80", "bar84", "bar85", "bar86", "bar87", "bar88", "bar89",
    "bar90", "bar91", "bar92", "bar93", "bar94", "bar95", "bar96", "bar97", "bar98", "bar99", "bar100",
    "bar101", "bar102", "bar103", "bar104", "bar105", "bar106", "bar107", "bar108", "bar109", "bar111",
    "bar117", "bar119", "bar110", "bars333435", "bar112", "bar118", "bar120", "bars109110111112",
    "bars117118119120", "bar113", "bar114", "bar115", "bar116", "bar121", "bar122", "bar123", "bar124",
    "bar125", "bar126", "bar127", "bar128", "bar129", "bar130", "bar131", "bar132", "bar133", "bar134",
    "bars133134", "bar135", "bar136", "bars135136", "bar137", "bar138", "bar139", "bars137138139", "bar140",
    "bar141", "bar142",
};

Window& asWindow(Object& self)
{
    return static_cast<Window&>(self);
}

platform::Routine method(void (*routine)(Window&))
{
    return [routine](Object& self) { routine(asWindow(self)); };
}

} // namespace

const platform::ClassRecord& Window1Class()
{
    if (const auto* record = platform::RuntimeFindClass("Window1.Window1")) return *record;
    platform::ClassRecord& record = platform::RuntimeNewClass(&platform::WindowClass(), "Window1.Window1");
    record.addMethod("Layout", method(Layout));
    record.addMethod("CreateControls", method(CreateControls));
    record.addMethod("_CreateControls0", method(_CreateControls0));
    record.addMethod("start_Action", method(start_Action));
    record.addMethod("stop_Action", method(stop_Action));
    record.addMethod("originalThread_Run", method(originalThread_Run));
    record.addMethod("loopedThread_Run", method(loopedThread_Run));
    record.addMethod("oneshotThread_Run", method(oneshotThread_Run));
    for (const std::string_view name : menuItemAccessors) {
        const auto& itemClass = name == "FileQuit" ? platform::QuitMenuItemClass() : platform::MenuItemClass();
        record.addMethod<Ref<platform::MenuItem>>(
            std::string(name), [name, &itemClass](Object& self) { return menuItemNamed(asWindow(self), name, itemClass); });
    }
    record.addMethod<void, Ref<Window>>(
        "AddMenuHandlers", [](Object& self, Ref<Window> window) { AddMenuHandlers(asWindow(self), window); });
    for (const std::string_view name : scoreRoutines) {
        const score::ScoreRoutine* routine = score::findRoutine(name);
        if (routine == nullptr) throw std::logic_error("the score has no routine " + std::string(name));
        record.addMethod(std::string(name), [steps = routine->steps](Object& self) { score::play(asWindow(self), steps); });
    }
    record.fillEvent("Layout", record.routine("Layout"));
    record.fillEvent("CreateControls", record.routine("CreateControls"));
    record.fillEvent("AddMenuHandlers", [](Object& self) {
        platform::callMethod<void(Ref<Window>)>(self, "AddMenuHandlers", std::static_pointer_cast<Window>(self.shared_from_this()));
    });
    return record;
}

Ref<Window> Window1()
{
    Ref<Object> window = platform::_GetImplicitWindow("Window1.Window1");
    if (!window) {
        window = platform::RuntimeNewObject(Window1Class());
        platform::callMethod(*window, "Window");
    }
    return platform::RuntimeCheckCast<Window>(window, Window1Class());
}

void Layout(Window& self)
{
    self.setMenuBar(app::MenuBar1());
    platform::_SetProperties(self, initialProperties::window.bytes());
}

void CreateControls(Window& self)
{
    platform::callMethod(self, "_CreateControls0");
}

void AddMenuHandlers(Window&, const Ref<Window>&)
{
    // The window registers no menu handler: the program's only one, About,
    // belongs to the application.
}

Ref<platform::MenuItem> menuItemNamed(Window& self, std::string_view name, const platform::ClassRecord& itemClass)
{
    const Ref<platform::MenuBar> bar = self.menuBar();
    const Ref<platform::MenuItem> item = platform::nonNil(bar)._Lookup(name);
    return platform::RuntimeCheckCast<platform::MenuItem>(item, itemClass);
}

} // namespace player
