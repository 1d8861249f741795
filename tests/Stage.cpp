#include "tests/Stage.h"

#include "app/Startup.h"
#include "player/Window1.h"
#include "score/Score.h"
#include "tools/EventLog.h"

#include <stdexcept>

Stage::Stage()
    : runtime_(std::make_unique<platform::TestBackend>())
    , backend_(&static_cast<platform::TestBackend&>(platform::runtimeBackend()))
{
    app::initialize();
    app::_NewAppInstance();
    app::_ApplicationAddMenuHandlers();
    window_ = player::Window1();
}

platform::PushButton& Stage::button(std::string_view name)
{
    return platform::controlByName<platform::PushButton>(*window_, name, platform::PushButtonClass());
}

platform::RadioButton& Stage::radio(std::string_view name)
{
    return platform::controlByName<platform::RadioButton>(*window_, name, platform::RadioButtonClass());
}

platform::RectControl& Stage::rect(std::string_view name)
{
    return platform::controlByName<platform::RectControl>(*window_, name, platform::RectControlClass());
}

platform::Thread& Stage::thread(std::string_view name)
{
    return platform::controlByName<platform::Thread>(*window_, name, platform::ThreadClass());
}

void Stage::start(std::string_view mode)
{
    radio(std::string(mode) + "Button").click();
    button("start").push();
}

std::vector<std::string> Stage::events(std::initializer_list<std::string_view> routines)
{
    tools::EventLog log(backend_->now());
    backend_->onNote = [&log](const platform::NoteEvent& event) { log.note(event); };
    for (std::string_view name : routines) {
        if (score::findRoutine(name) == nullptr) throw std::invalid_argument("no routine " + std::string(name));
        platform::callMethod(*window_, name);
    }
    backend_->onNote = nullptr;
    log.finish(backend_->now());
    return log.lines();
}

std::vector<std::string> Stage::scoreCalls() const
{
    std::vector<std::string> calls;
    for (const std::string& call : backend_->recording()->calls)
        if (score::findRoutine(call) != nullptr) calls.push_back(call);
    return calls;
}
