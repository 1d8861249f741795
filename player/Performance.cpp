#include "player/Window1.h"

#include "app/MessageText.h"
#include "platform/core/Control.h"
#include "platform/core/NotePlayer.h"
#include "platform/core/Services.h"
#include "platform/core/Thread.h"

#include <array>

namespace player {

namespace {

using platform::RectControl;

// The three modes in the order start tests their buttons and stop kills
// their threads.
struct Mode {
    std::string_view button;
    std::string_view thread;
};
constexpr std::array<Mode, 3> modes = {{
    {"originalButton", "originalThread"},
    {"oneshotButton", "oneshotThread"},
    {"loopedButton", "loopedThread"},
}};

// The controls that the playing and idle states switch, in switching order;
// each is shown or enabled while playing, or the other way round.
struct Switched {
    std::string_view name;
    platform::BooleanProperty property;
    bool whilePlaying;
};
constexpr std::array<Switched, 6> stateControls = {{
    {"ProgressWheel1", RectControl::Visible, true},
    {"stop", RectControl::Enabled, true},
    {"start", RectControl::Enabled, false},
    {"originalButton", RectControl::Enabled, false},
    {"oneshotButton", RectControl::Enabled, false},
    {"loopedButton", RectControl::Enabled, false},
}};

constexpr int lowestNote = 1;
constexpr int highestNote = 127;

void switchControls(Window& self, bool playing)
{
    for (const Switched& control : stateControls)
        platform::controlByName<RectControl>(self, control.name, platform::RectControlClass())
            .set(control.property, control.whilePlaying == playing);
}

} // namespace

void start_Action(Window& self)
{
    setPlayingState(self);
    for (const Mode& mode : modes) {
        if (platform::controlByName<platform::RadioButton>(self, mode.button, platform::RadioButtonClass()).get(platform::RadioButton::Value)) {
            platform::controlByName<platform::Thread>(self, mode.thread, platform::ThreadClass()).Run();
            return;
        }
    }
}

void stop_Action(Window& self)
{
    for (const Mode& mode : modes) platform::controlByName<platform::Thread>(self, mode.thread, platform::ThreadClass()).Kill();
    allNotesOff(self);
    setIdleState(self);
    showClosingMessage(self);
}

void setPlayingState(Window& self)
{
    switchControls(self, true);
}

void setIdleState(Window& self)
{
    switchControls(self, false);
}

void allNotesOff(Window& self)
{
    for (int note = lowestNote; note <= highestNote; ++note) {
        for (const char* player : {"NotePlayer1", "NotePlayer2"})
            platform::controlByName<platform::NotePlayer>(self, player, platform::NotePlayerClass()).PlayNote(note, 0);
        platform::RuntimeBackgroundTask();
    }
}

std::string closingMessage()
{
    return app::joinedLines({
        "Thanks for listening to this velmora.",
        "If you enjoyed it and would like to make a donation of 49p (£0.49) then please visit",
        "velmora.example.org/velmoraweb/velmorapayment.html",
        "Thank you.",
    });
}

void showClosingMessage(Window&)
{
    platform::MsgBox(closingMessage());
}

} // namespace player
