// score-events: prints what the score's routines and the performance modes
// play, run over the test backend in virtual time. Its output is the
// contract that checks the score by hand or by diff; --help says how.

#include "app/Startup.h"
#include "player/Window1.h"
#include "platform/core/Control.h"
#include "platform/core/Runtime.h"
#include "score/Score.h"
#include "tools/EventLog.h"

#include <charconv>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kSynopsis = R"(usage: score-events NAME...
       score-events --mode original|oneshot
       score-events --mode looped --turns N
)";

constexpr std::string_view kDescription = R"(
Plays the score's routines (bar1 to bar142, bars333435, ...) one after
another, or a whole performance mode, over the test backend in virtual time,
and prints what they send:
  on P N, off P N   note N struck or released on NotePlayerP
  wait US           virtual microseconds passed before the next line
  call NAME         a mode calls a routine
  msgbox            a message box
  # ...             a comment
The looped mode plays until stopped, so it takes the number of bars to draw.
)";

struct Request {
    std::vector<std::string> routines;
    std::string mode;
    std::optional<long> turns;
};

[[noreturn]] void usageError(const std::string& message)
{
    std::cerr << "score-events: " << message << '\n' << kSynopsis;
    std::exit(2);
}

Request parse(int argc, char** argv)
{
    Request request;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::cout << kSynopsis << kDescription;
            std::exit(0);
        }
        if (args[i] == "--mode" && i + 1 < args.size()) {
            request.mode = args[++i];
        } else if (args[i] == "--turns" && i + 1 < args.size()) {
            long turns = 0;
            const std::string& value = args[++i];
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), turns);
            if (error != std::errc() || end != value.data() + value.size() || turns < 1) usageError("--turns needs a whole number above 0");
            request.turns = turns;
        } else if (args[i].starts_with("-")) {
            usageError("unknown option " + args[i]);
        } else {
            request.routines.push_back(args[i]);
        }
    }
    if (request.mode.empty() == request.routines.empty()) usageError("give routine names, or --mode original|oneshot|looped");
    if (!request.mode.empty() && request.mode != "original" && request.mode != "oneshot" && request.mode != "looped")
        usageError("unknown mode " + request.mode);
    if (request.turns && request.mode != "looped") usageError("--turns applies to the looped mode only");
    if (request.mode == "looped" && !request.turns) usageError("the looped mode runs until stopped: give --turns N");
    for (const std::string& name : request.routines)
        if (score::findRoutine(name) == nullptr) usageError("no routine " + name);
    return request;
}

} // namespace

int main(int argc, char** argv)
{
    const Request request = parse(argc, argv);

    auto owned = std::make_unique<platform::TestBackend>();
    platform::TestBackend& backend = *owned;
    const platform::Runtime runtime(std::move(owned));
    app::initialize();
    const platform::Ref<platform::Window> window = player::Window1();

    tools::EventLog log;
    backend.onNote = [&log](const platform::NoteEvent& event) { log.note(event); };
    backend.onMessageBox = [&](const std::string&) { log.messageBox(backend.now()); };

    if (request.mode.empty()) {
        for (const std::string& name : request.routines) platform::callMethod(*window, name);
    } else {
        long calls = 0;
        backend.onCall = [&](std::string_view method) {
            if (score::findRoutine(method) == nullptr) return;
            log.call(method, backend.now());
            // The looped mode reads stop before each turn: disabled, it ends.
            if (request.turns && ++calls == *request.turns)
                platform::controlByName<platform::RectControl>(*window, "stop", platform::RectControlClass())
                    .set(platform::RectControl::Enabled, false);
        };
        platform::controlByName<platform::RadioButton>(*window, request.mode + "Button", platform::RadioButtonClass()).click();
        platform::controlByName<platform::PushButton>(*window, "start", platform::PushButtonClass()).push();
        backend.runUntilIdle();
    }
    log.finish(backend.now());

    std::cout << "# score-events " << (request.mode.empty() ? "routines" : "--mode " + request.mode) << '\n';
    for (const std::string& line : log.lines()) std::cout << line << '\n';
    return 0;
}
