#include "app/App.h"

#include "app/MessageText.h"
#include "platform/core/Runtime.h"
#include "platform/core/Services.h"

namespace app {

const platform::ClassRecord& AppClass()
{
    if (const auto* record = platform::RuntimeFindClass("App")) return *record;
    platform::ClassRecord& record = platform::RuntimeNewClass(&platform::ApplicationClass(), "App");
    record.addMethod<bool>("_aboutvelmora20_Action", [](platform::Object& self) {
        return _aboutvelmora20_Action(static_cast<platform::Application&>(self));
    });
    return record;
}

platform::Ref<platform::Application> App()
{
    return platform::RuntimeCheckCast<platform::Application>(platform::_GetAppObject(), AppClass());
}

std::string aboutMessage()
{
    return joinedLines({
        "Velmora 20",
        "Velmora 20 is based on the piano arrangement of Brantock’s Ostinato from the St Ardwin’s Suite.",
        "Velmora 20 has three options for performance:",
        "Original - the piece as it was written.",
        "One shot - this will play all 142 bars of the original work once only but in a random order.",
        "Looped - this will play any of the 142 bars of the original work and will run indefinitely until stopped by the user.",
        "Velmora 20 is written and maintained by the Velmora 20 developers",
        "velmora20@example.org",
        "velmora.example.org",
    });
}

bool _aboutvelmora20_Action(platform::Application&)
{
    platform::MsgBox(aboutMessage());
    return false;
}

} // namespace app
