#include "bench/ModeThread.h"

#include "platform/core/Runtime.h"
#include "platform/core/Thread.h"
#include "platform/core/Window.h"

#include <QByteArray>
#include <QEventLoop>
#include <QtGlobal>

namespace bench {

void useOffscreenUnlessAsked()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
}

std::vector<std::string> barNames(int first, int last)
{
    std::vector<std::string> names;
    for (int bar = first; bar <= last; ++bar) names.push_back("bar" + std::to_string(bar));
    return names;
}

void playOnAModeThread(platform::Window& window, const std::vector<std::string>& routines)
{
    // A loop of its own: the backend's ends for good once quit, and a
    // benchmark may play more than once.
    QEventLoop loop;
    const auto thread = std::static_pointer_cast<platform::Thread>(platform::RuntimeNewObject(platform::ThreadClass()));
    platform::_InstallInstanceEventHandler(*thread, "Run", [&window, &routines, &loop](platform::Object&) {
        for (const std::string& routine : routines) platform::callMethod(window, routine);
        loop.quit();
    });
    thread->Run();
    loop.exec();
}

} // namespace bench
