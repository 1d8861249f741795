#include "platform/core/NotePlayer.h"

#include "platform/core/Runtime.h"

namespace platform {

void NotePlayer::PlayNote(int note, int velocity)
{
    runtimeBackend().noteOutput().playNote(*this, note, velocity);
}

void NotePlayer::propertyChanged(PropertyIndex index)
{
    if (index == Instrument.index) runtimeBackend().noteOutput().setInstrument(*this, get(Instrument));
}

const ClassRecord& NotePlayerClass()
{
    if (const ClassRecord* record = RuntimeFindClass("NotePlayer")) return *record;
    ClassRecord& record = RuntimeNewClass(&ControlClass(), "NotePlayer");
    record.setLayout([] { return std::make_shared<NotePlayer>(); });
    record.addProperties({{NotePlayer::Instrument.index, "Instrument", PropertyType::Integer}});
    return record;
}

} // namespace platform
