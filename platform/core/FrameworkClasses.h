#pragma once

namespace platform {

// Builds the class records of the framework's own classes, bases first. The
// program builds its own classes after these.
void RuntimeBuildFrameworkClasses();

} // namespace platform
