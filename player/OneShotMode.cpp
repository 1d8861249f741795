#include "player/Window1.h"

#include "platform/core/Services.h"

namespace player {

// Every bar once, in a random order: each turn reorders the bars not yet
// played and plays the first of them.
void oneshotThread_Run(Window& self)
{
    const Ref<platform::IntegerArray> remainingBars = platform::CreateArray(barCount - 1);
    for (int i = 0; i < barCount; ++i) remainingBars->set(i, i + 1);
    for (int turn = 1; turn <= barCount; ++turn) {
        remainingBars->RandomizeOrder();
        playBar(self, remainingBars->get(0));
        remainingBars->remove(0);
        platform::RuntimeBackgroundTask();
    }
    endPause(self);
    setIdleState(self);
    showClosingMessage(self);
}

} // namespace player
