#pragma once

#include "platform/core/ClassRecord.h"

#include <string>
#include <utility>
#include <vector>

namespace platform {

class MenuBar;
class MenuItem;

// The application object: it holds the menu bar and the menu handlers.
class Application : public Object {
public:
    using MenuHandler = std::function<bool(Object& self)>;

    Ref<platform::MenuBar> menuBar() const { return menuBar_; }
    void setMenuBar(Ref<platform::MenuBar> menuBar) { menuBar_ = std::move(menuBar); }

    // Choosing the item of that name calls the handler on the application.
    void _AddMenuHandler(std::string itemName, MenuHandler handler);

    // The listener chose the item: its handler runs, or, for a Quit item
    // without one, the application quits.
    void chooseMenuItem(const MenuItem& item);

private:
    Ref<platform::MenuBar> menuBar_;
    std::vector<std::pair<std::string, MenuHandler>> menuHandlers_;
};

const ClassRecord& ApplicationClass();

} // namespace platform
