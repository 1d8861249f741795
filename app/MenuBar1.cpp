#include "app/MenuBar1.h"

#include "platform/core/Runtime.h"

#include <array>
#include <optional>

namespace app {

namespace {

using platform::Ref;

struct ItemPlan {
    std::string_view name;
    const platform::ClassRecord& (*itemClass)();
    std::string_view parent; // empty: the bar itself
    std::string_view text;
    std::optional<std::string_view> shortcut; // unset for separators
};

constexpr std::array<ItemPlan, 12> items = {{
    {"FileMenu", platform::MenuItemClass, {}, "About Velmora 20", ""},
    {"aboutvelmora20", platform::MenuItemClass, "FileMenu", "About Velmora 20", ""},
    {"FileQuit", platform::QuitMenuItemClass, "FileMenu", "&Quit", "Cmd+Q"},
    {"EditMenu", platform::MenuItemClass, {}, "", ""},
    {"EditUndo", platform::MenuItemClass, "EditMenu", "&Undo", "Cmd+Z"},
    {"UntitledMenu1", platform::MenuItemClass, "EditMenu", "-", std::nullopt},
    {"EditCut", platform::MenuItemClass, "EditMenu", "Cu&t", "Cmd+X"},
    {"EditCopy", platform::MenuItemClass, "EditMenu", "&Copy", "Cmd+C"},
    {"EditPaste", platform::MenuItemClass, "EditMenu", "&Paste", "Cmd+V"},
    {"EditClear", platform::MenuItemClass, "EditMenu", "&Delete", ""},
    {"UntitledMenu0", platform::MenuItemClass, "EditMenu", "-", std::nullopt},
    {"EditSelectAll", platform::MenuItemClass, "EditMenu", "Select &All", "Cmd+A"},
}};

} // namespace

const platform::ClassRecord& MenuBar1Class()
{
    if (const auto* record = platform::RuntimeFindClass("MenuBar1.MenuBar1")) return *record;
    platform::ClassRecord& record = platform::RuntimeNewClass(&platform::MenuBarClass(), "MenuBar1.MenuBar1");
    record.addMethod("MenuBar1", [](platform::Object& self) { MenuBar1Constructor(static_cast<platform::MenuBar&>(self)); });
    return record;
}

Ref<platform::MenuBar> MenuBar1()
{
    Ref<platform::Object>& instance = platform::RuntimeImplicitInstance(MenuBar1Class());
    if (!instance) {
        Ref<platform::Object> bar = platform::RuntimeNewObject(MenuBar1Class());
        platform::callMethod(*bar, "MenuBar1");
        instance = std::move(bar); // stored only once it is built
    }
    return std::static_pointer_cast<platform::MenuBar>(instance);
}

void MenuBar1Constructor(platform::MenuBar& self)
{
    for (const ItemPlan& plan : items) {
        const auto item = std::static_pointer_cast<platform::MenuItem>(platform::RuntimeNewObject(plan.itemClass()));
        platform::callMethod(*item, "MenuItem");
        item->setName(std::string(plan.name));
        item->setAutoEnable(true);
        item->setText(std::string(plan.text));
        if (plan.shortcut) item->setKeyboardShortcut(std::string(*plan.shortcut));
        if (plan.parent.empty())
            self.Append(item);
        else
            platform::nonNil(self.Child(plan.parent)).Append(item);
    }
}

} // namespace app
