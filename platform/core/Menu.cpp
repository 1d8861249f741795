#include "platform/core/Menu.h"

#include "platform/core/Runtime.h"

#include <algorithm>

namespace platform {

void MenuItem::Append(Ref<MenuItem> item)
{
    nonNil(item);
    children_.push_back(std::move(item));
}

Ref<MenuItem> MenuItem::Child(std::string_view name) const
{
    const auto found = std::ranges::find_if(children_, [name](const Ref<MenuItem>& child) { return child->Name() == name; });
    return found != children_.end() ? *found : nullptr;
}

Ref<MenuItem> MenuItem::_Lookup(std::string_view name) const
{
    for (const Ref<MenuItem>& child : children_) {
        if (child->Name() == name) return child;
        if (Ref<MenuItem> below = child->_Lookup(name)) return below;
    }
    return nullptr;
}

const ClassRecord& MenuItemClass()
{
    if (const ClassRecord* record = RuntimeFindClass("MenuItem")) return *record;
    ClassRecord& record = RuntimeNewClass(nullptr, "MenuItem");
    record.setLayout([] { return std::make_shared<MenuItem>(); });
    // The framework's constructor: an item starts as its layout leaves it,
    // with no name, text or shortcut, and not enabled automatically.
    record.addMethod("MenuItem", [](Object&) {});
    return record;
}

const ClassRecord& MenuBarClass()
{
    if (const ClassRecord* record = RuntimeFindClass("MenuBar")) return *record;
    ClassRecord& record = RuntimeNewClass(&MenuItemClass(), "MenuBar");
    record.setLayout([] { return std::make_shared<MenuBar>(); });
    return record;
}

const ClassRecord& QuitMenuItemClass()
{
    if (const ClassRecord* record = RuntimeFindClass("QuitMenuItem")) return *record;
    return RuntimeNewClass(&MenuItemClass(), "QuitMenuItem");
}

} // namespace platform
