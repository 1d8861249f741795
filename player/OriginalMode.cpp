#include "player/Window1.h"

#include "score/Step.h"

#include <array>
#include <string>

namespace player {

namespace {

// A run of the written order: single bars from first to last, or one
// passage routine where the piece holds notes across bar lines.
struct Run {
    int first = 0;
    int last = 0;
    std::string_view passage;
};

// The piece as written: 142 bars in 130 calls.
constexpr std::array<Run, 11> writtenOrder = {{
    {1, 32, {}},
    {33, 35, "bars333435"},
    {36, 108, {}},
    {109, 112, "bars109110111112"},
    {113, 116, {}},
    {117, 120, "bars117118119120"},
    {121, 132, {}},
    {133, 134, "bars133134"},
    {135, 136, "bars135136"},
    {137, 139, "bars137138139"},
    {140, 142, {}},
}};

constexpr double endPauseLength = 3000000.0;

} // namespace

void originalThread_Run(Window& self)
{
    for (const Run& run : writtenOrder) {
        if (!run.passage.empty()) {
            platform::callMethod(self, run.passage);
            continue;
        }
        for (int bar = run.first; bar <= run.last; ++bar) platform::callMethod(self, "bar" + std::to_string(bar));
    }
    endPause(self);
    setIdleState(self);
    showClosingMessage(self);
}

void endPause(Window&)
{
    score::waitMicroseconds(endPauseLength);
}

} // namespace player
