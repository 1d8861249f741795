#include "player/ModeThreads.h"

#include "platform/core/Runtime.h"

#include <string>

namespace player {

namespace {

using platform::ClassRecord;

const ClassRecord& modeClass(const std::string& name)
{
    if (const auto* record = platform::RuntimeFindClass(name)) return *record;
    return platform::RuntimeNewClass(&platform::ThreadClass(), name);
}

const ClassRecord& threadControlClass(const std::string& name, const ClassRecord& (*base)())
{
    if (const auto* record = platform::RuntimeFindClass(name)) return *record;
    const ClassRecord& baseRecord = base();
    ClassRecord& record = platform::RuntimeNewClass(&baseRecord, name);
    record.setLayout([] { return std::make_shared<ThreadControl>(); });
    using platform::Object;
    using platform::Ref;
    const auto control = [](Object& self) -> ThreadControl& { return static_cast<ThreadControl&>(self); };
    record.addMethod<void, Ref<platform::Window>>(
        "_SetWindow", [control](Object& self, Ref<platform::Window> window) { control(self)._SetWindow(window); });
    record.addMethod<Ref<platform::Window>>("Window", [control](Object& self) { return control(self).Window(); });
    record.addMethod<std::int32_t>("_Index", [control](Object& self) { return control(self)._Index(); });
    record.addMethod<void, std::int32_t>("_SetIndex", [control](Object& self, std::int32_t index) { control(self)._SetIndex(index); });
    record.addMethod("Constructor", [](Object&) {});
    record.addProperties({
        {ThreadControl::Index.index, "Index", platform::PropertyType::Integer},
        {5, "ownerWindow", platform::PropertyType::Object},
    });
    return record;
}

} // namespace

const ClassRecord& originalClass()
{
    return modeClass("original");
}

const ClassRecord& oneshotClass()
{
    return modeClass("oneshot");
}

const ClassRecord& loopedClass()
{
    return modeClass("looped");
}

const ClassRecord& originalThreadClass()
{
    return threadControlClass("Window1.originalThread", originalClass);
}

const ClassRecord& oneshotThreadClass()
{
    return threadControlClass("Window1.oneshotThread", oneshotClass);
}

const ClassRecord& loopedThreadClass()
{
    return threadControlClass("Window1.loopedThread", loopedClass);
}

} // namespace player
