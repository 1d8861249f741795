#include "platform/core/Application.h"

#include "platform/core/Menu.h"
#include "platform/core/Runtime.h"

#include <algorithm>

namespace platform {

void Application::_AddMenuHandler(std::string itemName, MenuHandler handler)
{
    menuHandlers_.emplace_back(std::move(itemName), std::move(handler));
}

void Application::chooseMenuItem(const MenuItem& item)
{
    const auto found = std::ranges::find(menuHandlers_, item.Name(), &std::pair<std::string, MenuHandler>::first);
    if (found != menuHandlers_.end())
        found->second(*this);
    else if (item.classRecord().isA(QuitMenuItemClass()))
        runtimeBackend().quit();
}

const ClassRecord& ApplicationClass()
{
    if (const ClassRecord* record = RuntimeFindClass("Application")) return *record;
    ClassRecord& record = RuntimeNewClass(nullptr, "Application");
    record.setLayout([] { return std::make_shared<Application>(); });
    record.addMethod<void, std::string, Application::MenuHandler>(
        "_AddMenuHandler", [](Object& self, std::string itemName, Application::MenuHandler handler) {
            static_cast<Application&>(self)._AddMenuHandler(std::move(itemName), std::move(handler));
        });
    return record;
}

} // namespace platform
