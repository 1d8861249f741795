#pragma once

// The application class: an application object whose one method of its own
// answers the About command.

#include "platform/core/Application.h"

#include <string>

namespace app {

const platform::ClassRecord& AppClass();

// The application object, or nil if the registered one is not an App.
platform::Ref<platform::Application> App();

// Shows the About message; returns false, as the menu handlers do.
bool _aboutvelmora20_Action(platform::Application& self);
std::string aboutMessage();

} // namespace app
