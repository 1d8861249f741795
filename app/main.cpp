#include "app/Startup.h"
#include "platform/core/SteadyClock.h"
#include "platform/fluidsynth/FluidSynthOutput.h"
#include "platform/qt/GraphicalSession.h"
#include "platform/qt/QtBackend.h"

#include <iostream>

int main()
{
    // Before anything is opened: without a display that answers, Qt would
    // abort with a page of advice.
    if (const auto problem = platform::displayProblem()) {
        std::cerr << *problem << '\n';
        return 1;
    }
    // Before Qt, or anything else, starts a thread.
    platform::FluidSynthOutput::prepareEnvironment();
    return app::main(std::make_unique<platform::QtBackend>(
        [] { return std::make_unique<platform::FluidSynthOutput>(platform::steadyClockMicroseconds); }));
}
