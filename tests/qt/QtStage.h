#pragma once

#include "platform/core/Application.h"
#include "platform/core/Menu.h"
#include "platform/core/Runtime.h"
#include "platform/core/Window.h"
#include "platform/qt/QtBackend.h"

#include <QMainWindow>

#include <stdexcept>
#include <string>

// A run-time on the Qt backend with an application object and one window of
// 300 x 300 with a title and a fixed frame, shown, but not yet constructed:
// a test adds controls and menus, changes what it needs, then constructs it.
class QtStage {
public:
    QtStage();
    QtStage(const QtStage&) = delete;
    QtStage& operator=(const QtStage&) = delete;

    platform::QtBackend& backend() { return *backend_; }
    platform::Application& app() { return *app_; }
    platform::Window& window() { return *window_; }

    // A rect control made for the window and added to it under that name,
    // shown and enabled as its constructor leaves it.
    template <class Control>
    platform::Ref<Control> add(const platform::ClassRecord& record, const std::string& name)
    {
        return std::static_pointer_cast<Control>(addControl(record, name));
    }

    // A menu item enabled automatically, as the program's are, appended to parent.
    platform::Ref<platform::MenuItem> item(platform::MenuItem& parent, const platform::ClassRecord& record,
                                           const std::string& name, const std::string& text);

    // Builds the window's view.
    void construct();
    QMainWindow& frame();

    // The widget or action of the frame named after its core object.
    template <class Child>
    Child& child(const char* name)
    {
        auto* found = frame().findChild<Child*>(name);
        if (found == nullptr) throw std::logic_error(std::string("no child ") + name);
        return *found;
    }

private:
    platform::Ref<platform::Object> addControl(const platform::ClassRecord& record, const std::string& name);

    platform::Runtime runtime_;
    platform::QtBackend* backend_;
    platform::Ref<platform::Application> app_;
    platform::Ref<platform::Window> window_;
};
