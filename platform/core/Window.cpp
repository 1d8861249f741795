#include "platform/core/Window.h"

#include "platform/core/Control.h"
#include "platform/core/Runtime.h"
#include "platform/core/Thread.h"

#include <algorithm>

namespace platform {

Ref<Object> Window::__New(const ClassRecord& record)
{
    return RuntimeNewObject(record);
}

void Window::_AddControl(std::string name, Ref<Object> control)
{
    nonNil(control);
    if (auto* placed = dynamic_cast<Control*>(control.get()))
        placed->window_ = std::static_pointer_cast<Window>(shared_from_this());
    if (auto* child = dynamic_cast<PaneChild*>(control.get()))
        child->_SetWindow(std::static_pointer_cast<Window>(shared_from_this()));
    if (auto* thread = dynamic_cast<Thread*>(control.get())) thread->setName(name);
    controls_.emplace_back(std::move(name), std::move(control));
}

Ref<Object> Window::controlByName(std::string_view name) const
{
    const auto found = std::ranges::find(controls_, name, &std::pair<std::string, Ref<Object>>::first);
    return found != controls_.end() ? found->second : nullptr;
}

void Window::close()
{
    for (const auto& [name, control] : controls_)
        if (auto* thread = dynamic_cast<Thread*>(control.get())) thread->Kill();
    // Controls may hold the window (a thread's owner window): letting go of
    // them here breaks that cycle.
    auto controls = std::move(controls_);
    controls_.clear();
    controls.clear();
    menuBar_.reset();
}

Ref<Object> RuntimeWindowControlByName(const Window& window, std::string_view name)
{
    return window.controlByName(name);
}

void constructWindow(Window& window)
{
    const ClassRecord& record = window.classRecord();
    for (const char* hook : {"Layout", "CreateControls", "AddMenuHandlers"})
        if (const Routine* routine = record.event(hook)) (*routine)(window);
    const auto self = std::static_pointer_cast<Window>(window.shared_from_this());
    RuntimeRegisterWindow(self);
    runtimeBackend().windowConstructed(window);
}

const ClassRecord& WindowClass()
{
    if (const ClassRecord* record = RuntimeFindClass("Window")) return *record;
    ClassRecord& record = RuntimeNewClass(nullptr, "Window");
    record.setLayout([] { return std::make_shared<Window>(); });
    using enum PropertyType;
    using W = Window;
    record.addProperties({
        {W::Visible.index, "Visible", Boolean},
        {W::Left.index, "Left", Integer},
        {W::Top.index, "Top", Integer},
        {W::Width.index, "Width", Integer},
        {W::Height.index, "Height", Integer},
        {W::Placement.index, "Placement", Integer},
        {W::Title.index, "Title", String},
        {W::FullScreen.index, "FullScreen", Boolean},
        {W::MenuBarVisible.index, "MenuBarVisible", Boolean},
        {W::CloseBox.index, "CloseBox", Boolean},
        {W::CloseButton.index, "CloseButton", Boolean},
        {W::GrowIcon.index, "GrowIcon", Boolean},
        {W::Resizeable.index, "Resizeable", Boolean},
        {W::ZoomIcon.index, "ZoomIcon", Boolean},
        {W::MaximizeButton.index, "MaximizeButton", Boolean},
        {W::MinimizeButton.index, "MinimizeButton", Boolean},
        {W::Frame.index, "Frame", Integer},
        {W::Composite.index, "Composite", Boolean},
        {W::LiveResize.index, "LiveResize", Boolean},
        {19, "Backdrop", Object},
        {20, "Graphics", Object},
        {W::HasBackColor.index, "HasBackColor", Boolean},
        {W::BackColor.index, "BackColor", Colour},
        {W::BalloonHelp.index, "BalloonHelp", String},
        {W::MinWidth.index, "MinWidth", Integer},
        {W::MinHeight.index, "MinHeight", Integer},
        {W::MaxWidth.index, "MaxWidth", Integer},
        {W::MaxHeight.index, "MaxHeight", Integer},
        {W::MacProcId.index, "MacProcId", Integer},
    });
    // The window's own operations, in the framework's order.
    record.addMethod("Window", [](platform::Object& self) { constructWindow(static_cast<Window&>(self)); });
    record.addMethod<Ref<platform::Object>, const ClassRecord&>(
        "__New", [](platform::Object& self, const ClassRecord& of) { return static_cast<Window&>(self).__New(of); });
    record.addMethod<void, std::string, Ref<platform::Object>>(
        "_AddControl", [](platform::Object& self, std::string name, Ref<platform::Object> control) {
            static_cast<Window&>(self)._AddControl(std::move(name), std::move(control));
        });
    for (const char* hook : {"Layout", "CreateControls", "AddMenuHandlers", "Open", "Close", "CancelClose"})
        record.fillEvent(hook, nullptr);
    return record;
}

} // namespace platform
