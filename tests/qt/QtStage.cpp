#include "tests/qt/QtStage.h"

#include "platform/core/Runtime.h"

#include <stdexcept>

using namespace platform;

QtStage::QtStage()
    : runtime_(std::make_unique<QtBackend>(nullptr))
    , backend_(&static_cast<QtBackend&>(runtimeBackend()))
{
    app_ = std::static_pointer_cast<Application>(RuntimeNewObject(ApplicationClass()));
    _RuntimeRegisterAppObject(app_);
    window_ = std::static_pointer_cast<Window>(RuntimeNewObject(WindowClass()));
    window_->set(Window::Title, std::string("Stage"));
    window_->set(Window::Width, 300);
    window_->set(Window::Height, 300);
    window_->set(Window::Visible, true);
    window_->set(Window::MenuBarVisible, true);
}

Ref<MenuItem> QtStage::item(MenuItem& parent, const ClassRecord& record, const std::string& name, const std::string& text)
{
    auto made = std::static_pointer_cast<MenuItem>(RuntimeNewObject(record));
    callMethod(*made, "MenuItem");
    made->setAutoEnable(true);
    made->setName(name);
    made->setText(text);
    parent.Append(made);
    return made;
}

void QtStage::construct()
{
    constructWindow(*window_);
}

QMainWindow& QtStage::frame()
{
    QMainWindow* frame = backend_->frameOf(*window_);
    if (frame == nullptr) throw std::logic_error("the window has no view yet");
    return *frame;
}

Ref<Object> QtStage::addControl(const ClassRecord& record, const std::string& name)
{
    Ref<Object> control = window_->__New(record);
    callMethod(*control, "RectControl");
    control->set(Control::Name, name);
    window_->_AddControl(name, control);
    return control;
}
