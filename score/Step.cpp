#include "score/Step.h"

#include "platform/core/NotePlayer.h"
#include "platform/core/Services.h"
#include "platform/core/Window.h"

namespace score {

namespace {

constexpr int strike = 100;
constexpr int release = 0;

platform::NotePlayer& notePlayer(const platform::Window& window, Note note)
{
    return platform::controlByName<platform::NotePlayer>(window, note.player == 1 ? "NotePlayer1" : "NotePlayer2",
                                                        platform::NotePlayerClass());
}

} // namespace

void waitMicroseconds(double length)
{
    const double start = platform::Microseconds();
    for (;;) {
        const double elapsed = platform::Microseconds() - start;
        if (!(elapsed < length)) return;
        // Nothing to do before the length has passed: the framework need
        // not turn this thread again before then.
        platform::RuntimeBackgroundTaskUntil(start + length);
    }
}

void stepWait(const Step& step)
{
    waitMicroseconds(stepLength(step));
}

void play(platform::Window& window, std::span<const Step> steps)
{
    for (const Step& step : steps) {
        for (const Note note : step.strikes) notePlayer(window, note).PlayNote(note.number, strike);
        stepWait(step);
        for (const Note note : step.releases) notePlayer(window, note).PlayNote(note.number, release);
    }
}

} // namespace score
