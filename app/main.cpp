#include "app/Startup.h"
#include "platform/core/SteadyClock.h"
#include "platform/fluidsynth/FluidSynthOutput.h"
#include "platform/qt/QtBackend.h"

int main()
{
    return app::main(std::make_unique<platform::QtBackend>(std::make_unique<platform::FluidSynthOutput>(platform::steadyClockMicroseconds)));
}
