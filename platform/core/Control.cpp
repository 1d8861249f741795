#include "platform/core/Control.h"

#include "platform/core/Runtime.h"
#include "platform/core/Window.h"

#include <algorithm>

namespace platform {

void EventSource::installHandler(std::string event, Routine handler)
{
    const auto found = std::ranges::find(handlers_, event, &std::pair<std::string, Routine>::first);
    if (found != handlers_.end())
        found->second = std::move(handler);
    else
        handlers_.emplace_back(std::move(event), std::move(handler));
}

const Routine* EventSource::handler(std::string_view event) const
{
    const auto found = std::ranges::find(handlers_, event, &std::pair<std::string, Routine>::first);
    return found != handlers_.end() ? &found->second : nullptr;
}

void EventSource::fire(Object& self, std::string_view event) const
{
    if (const Routine* bound = handler(event)) (*bound)(RuntimeSwapSelfAndMe(self));
}

void _InstallInstanceEventHandler(Object& object, std::string event, Routine handler)
{
    auto* source = dynamic_cast<EventSource*>(&object);
    if (source == nullptr) throw std::invalid_argument(object.classRecord().name() + " has no events");
    source->installHandler(std::move(event), std::move(handler));
}

Object& RuntimeSwapSelfAndMe(Object& control)
{
    if (const auto* placed = dynamic_cast<const Control*>(&control)) return nonNil(placed->window());
    if (const auto* child = dynamic_cast<const PaneChild*>(&control)) return nonNil(child->Window());
    return control; // an object of its own, not placed on a window
}

void PushButton::push()
{
    if (get(Enabled)) fire(*this, "Action");
}

void RadioButton::click()
{
    if (get(Enabled)) set(Value, true);
}

void RadioButton::propertyChanged(PropertyIndex index)
{
    if (index != Value.index || !get(Value)) return;
    const Ref<platform::Window> owner = window();
    if (!owner) return;
    for (const auto& [name, control] : owner->controls()) {
        auto* sibling = dynamic_cast<RadioButton*>(control.get());
        if (sibling != nullptr && sibling != this && sibling->get(Value)) sibling->set(Value, false);
    }
}

const ClassRecord& ControlClass()
{
    if (const ClassRecord* record = RuntimeFindClass("Control")) return *record;
    ClassRecord& record = RuntimeNewClass(nullptr, "Control");
    using enum PropertyType;
    record.addProperties({
        {Control::Name.index, "Name", String},
        {Control::Index.index, "Index", Integer},
        {Control::TabPanelIndex.index, "TabPanelIndex", Integer},
        {Control::PanelIndex.index, "PanelIndex", Integer},
        {4, "MouseX", Integer, PropertyAccess::ReadOnly},
        {5, "MouseY", Integer, PropertyAccess::ReadOnly},
        {6, "Window", Object},
        {7, "Handle", Integer, PropertyAccess::ReadOnly},
        {8, "_mImp", Integer, PropertyAccess::Private},
        {9, "_mWindow", Object, PropertyAccess::Private},
        {10, "_mIndex", Integer, PropertyAccess::Private},
        {11, "_mName", String, PropertyAccess::Private},
        {12, "_mPanelIndex", Integer, PropertyAccess::Private},
        {13, "_mInitialParent", String, PropertyAccess::Private},
    });
    return record;
}

const ClassRecord& RectControlClass()
{
    if (const ClassRecord* record = RuntimeFindClass("RectControl")) return *record;
    ClassRecord& record = RuntimeNewClass(&ControlClass(), "RectControl");
    using enum PropertyType;
    using R = RectControl;
    record.addProperties({
        {R::HelpTag.index, "HelpTag", String},
        {R::BalloonHelp.index, "BalloonHelp", String},
        {R::DisabledBalloonHelp.index, "DisabledBalloonHelp", String},
        {17, "MouseCursor", Object},
        {R::Visible.index, "Visible", Boolean},
        {R::Left.index, "Left", Integer},
        {R::Top.index, "Top", Integer},
        {R::Width.index, "Width", Integer},
        {R::Height.index, "Height", Integer},
        {R::Enabled.index, "Enabled", Boolean},
        {24, "Active", Boolean, PropertyAccess::ReadOnly},
        {R::AutoDeactivate.index, "AutoDeactivate", Boolean},
        {R::LockLeft.index, "LockLeft", Boolean},
        {R::LockTop.index, "LockTop", Boolean},
        {R::LockRight.index, "LockRight", Boolean},
        {R::LockBottom.index, "LockBottom", Boolean},
        {30, "Parent", Object},
        {R::InitialParent.index, "InitialParent", String, PropertyAccess::WriteOnly},
    });
    // The constructor of every rect control: it starts shown and enabled.
    record.addMethod("RectControl", [](platform::Object& self) {
        self.set(RectControl::Visible, true);
        self.set(RectControl::Enabled, true);
    });
    return record;
}

const ClassRecord& PushButtonClass()
{
    if (const ClassRecord* record = RuntimeFindClass("PushButton")) return *record;
    ClassRecord& record = RuntimeNewClass(&RectControlClass(), "PushButton");
    record.setLayout([] { return std::make_shared<PushButton>(); });
    using enum PropertyType;
    using P = PushButton;
    record.addProperties({
        {P::Caption.index, "Caption", String},
        {P::Default.index, "Default", Boolean},
        {P::Cancel.index, "Cancel", Boolean},
        {P::TextFont.index, "TextFont", String},
        {P::TextSize.index, "TextSize", Integer},
        {P::Bold.index, "Bold", Boolean},
        {P::Italic.index, "Italic", Boolean},
        {P::Underline.index, "Underline", Boolean},
    });
    return record;
}

const ClassRecord& RadioButtonClass()
{
    if (const ClassRecord* record = RuntimeFindClass("RadioButton")) return *record;
    ClassRecord& record = RuntimeNewClass(&RectControlClass(), "RadioButton");
    record.setLayout([] { return std::make_shared<RadioButton>(); });
    using enum PropertyType;
    using B = RadioButton;
    record.addProperties({
        {B::Caption.index, "Caption", String},
        {B::Value.index, "Value", Boolean},
        {B::TextFont.index, "TextFont", String},
        {B::TextSize.index, "TextSize", Integer},
        {B::Bold.index, "Bold", Boolean},
        {B::Italic.index, "Italic", Boolean},
        {B::Underline.index, "Underline", Boolean},
    });
    return record;
}

const ClassRecord& ProgressWheelClass()
{
    if (const ClassRecord* record = RuntimeFindClass("ProgressWheel")) return *record;
    ClassRecord& record = RuntimeNewClass(&RectControlClass(), "ProgressWheel");
    record.setLayout([] { return std::make_shared<ProgressWheel>(); });
    return record;
}

} // namespace platform
