#include "app/Startup.h"

#include "app/App.h"
#include "app/MenuBar1.h"
#include "player/ModeThreads.h"
#include "player/Window1.h"
#include "platform/core/FrameworkClasses.h"
#include "platform/core/Runtime.h"

namespace app {

int main(std::unique_ptr<platform::Backend> backend)
{
    platform::Runtime runtime(std::move(backend));
    initialize();
    _Main();
    finalize();
    return runtime.end();
}

void initialize()
{
    platform::RuntimeBuildFrameworkClasses();
    // Each lookup builds its base first, so each mode's thread class is built
    // just before its thread-control class.
    for (const auto lookup : {AppClass, player::Window1Class, player::originalThreadClass, player::loopedThreadClass,
                              player::oneshotThreadClass, MenuBar1Class, player::originalClass, player::oneshotClass,
                              player::loopedClass})
        lookup();
}

void finalize() {}

void _Main()
{
    try {
        platform::_RuntimeInitExternalClasses();
        platform::_InitPluginEntrypoints();
        _InitFileTypes();
        _NewAppInstance();
        _ApplicationAddMenuHandlers();
        _MakeDefaultView();
        platform::_RuntimeRun();
    } catch (...) {
        platform::_UnhandledException(std::current_exception());
    }
}

void _InitFileTypes()
{
    // The program opens no documents.
}

void _NewAppInstance()
{
    const auto app = platform::RuntimeCheckCast<platform::Application>(platform::RuntimeNewObject(AppClass()), AppClass());
    platform::nonNil(app).setMenuBar(MenuBar1());
    platform::_RuntimeRegisterAppObject(app);
}

void _ApplicationAddMenuHandlers()
{
    const auto app = App();
    const auto& about = platform::nonNil(app).classRecord().method<bool(platform::Object&)>("_aboutvelmora20_Action");
    platform::callMethod<void(std::string, platform::Application::MenuHandler)>(*app, "_AddMenuHandler", "aboutvelmora20", about);
}

void _MakeDefaultView()
{
    player::Window1();
}

} // namespace app
