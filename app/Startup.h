#pragma once

// The program's life: start the run-time, register the classes, create the
// application object with its menu bar, bind About, open the main window, run
// the event loop, and end with the framework's exit code.

#include "platform/core/Backend.h"

#include <memory>

namespace app {

// The whole program on a backend; returns the exit code.
int main(std::unique_ptr<platform::Backend> backend);

// Builds the class records: the framework's, then the program's.
void initialize();
void finalize();

// The start-up steps and the event loop, inside one catch-all that hands an
// escaping exception to the framework's unhandled-exception handler.
void _Main();

void _InitFileTypes();
void _NewAppInstance();
void _ApplicationAddMenuHandlers();
void _MakeDefaultView();

} // namespace app
