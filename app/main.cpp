#include "app/Startup.h"
#include "platform/core/SteadyClock.h"
#include "platform/fluidsynth/FluidSynthOutput.h"
#include "platform/qt/GraphicalSession.h"
#include "platform/qt/QtBackend.h"

#include <iostream>

int main()
{
    // Before anything is opened: without a display Qt would abort, and only
    // after the audio output had been opened.
    if (!platform::graphicalSessionAvailable()) {
        std::cerr << "velmora20: needs a graphical session, but neither DISPLAY nor WAYLAND_DISPLAY is set\n";
        return 1;
    }
    return app::main(std::make_unique<platform::QtBackend>(std::make_unique<platform::FluidSynthOutput>(platform::steadyClockMicroseconds)));
}
