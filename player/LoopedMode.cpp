#include "player/Window1.h"

#include "platform/core/Control.h"
#include "platform/core/Services.h"

#include <string>

namespace player {

void playBar(Window& self, int k)
{
    if (k < 1 || k > barCount) return;
    platform::callMethod(self, "bar" + std::to_string(k));
}

// Random bars, one after another, for as long as stop is enabled: stop is
// the one mark that a performance runs.
void loopedThread_Run(Window& self)
{
    Ref<platform::Random> random;
    while (platform::controlByName<platform::RectControl>(self, "stop", platform::RectControlClass()).get(platform::RectControl::Enabled)) {
        // A new source each turn; the new one exists before the old one goes.
        random = platform::RuntimeCheckCast<platform::Random>(
            platform::callMethod<Ref<platform::Object>(const platform::ClassRecord&)>(self, "__New", platform::RandomClass()),
            platform::RandomClass());
        playBar(self, platform::nonNil(random).InRange(1, barCount));
        platform::RuntimeBackgroundTask();
    }
}

} // namespace player
