#pragma once

#include "platform/core/ClassRecord.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One item of a menu tree: a menu bar, a menu, a command or a separator
// (an item whose text is "-").
class MenuItem : public Object {
public:
    const std::string& Name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    const std::string& Text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }
    // Written as "Cmd+Q"; unset for separators.
    const std::optional<std::string>& KeyboardShortcut() const { return shortcut_; }
    void setKeyboardShortcut(std::string shortcut) { shortcut_ = std::move(shortcut); }
    bool AutoEnable() const { return autoEnable_; }
    void setAutoEnable(bool on) { autoEnable_ = on; }
    bool isSeparator() const { return text_ == "-"; }

    void Append(Ref<MenuItem> item);
    const std::vector<Ref<MenuItem>>& children() const { return children_; }
    // The direct child of that name, or nil.
    Ref<MenuItem> Child(std::string_view name) const;
    // The item of that name anywhere below this one, or nil.
    Ref<MenuItem> _Lookup(std::string_view name) const;

private:
    std::string name_;
    std::string text_;
    std::optional<std::string> shortcut_;
    bool autoEnable_ = false;
    std::vector<Ref<MenuItem>> children_;
};

class MenuBar : public MenuItem {};

const ClassRecord& MenuItemClass();
const ClassRecord& MenuBarClass();
// Choosing an item of this class quits the application.
const ClassRecord& QuitMenuItemClass();

} // namespace platform
