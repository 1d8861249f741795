#include "tests/ScoreStage.h"

#include "platform/core/NotePlayer.h"
#include "platform/core/Runtime.h"
#include "score/Score.h"
#include "score/Step.h"
#include "tools/EventLog.h"

#include <stdexcept>

ScoreStage::ScoreStage()
{
    auto backend = std::make_unique<platform::TestBackend>();
    backend_ = backend.get();
    platform::RuntimeInit(std::move(backend));
    window_ = std::static_pointer_cast<platform::Window>(platform::RuntimeNewObject(platform::WindowClass()));
    for (const char* name : {"NotePlayer1", "NotePlayer2"}) {
        auto player = window_->__New(platform::NotePlayerClass());
        player->set(platform::Control::Name, std::string(name));
        window_->_AddControl(name, player);
    }
}

ScoreStage::~ScoreStage()
{
    window_.reset();
    platform::RuntimeExit();
}

std::vector<std::string> ScoreStage::events(std::initializer_list<std::string_view> routines)
{
    tools::EventLog log(backend_->now());
    backend_->onNote = [&log](const platform::NoteEvent& event) { log.note(event); };
    for (std::string_view name : routines) {
        const score::ScoreRoutine* routine = score::findRoutine(name);
        if (routine == nullptr) throw std::invalid_argument("no routine " + std::string(name));
        score::play(*window_, routine->steps);
    }
    backend_->onNote = nullptr;
    log.finish(backend_->now());
    return log.lines();
}
