#pragma once

#include "platform/core/Control.h"

namespace platform {

// A control that sounds one instrument through the backend's note output.
class NotePlayer : public Control {
public:
    static constexpr IntegerProperty Instrument{14};

    // Velocity 100 strikes the note, 0 releases it.
    void PlayNote(int note, int velocity);

protected:
    void propertyChanged(PropertyIndex index) override;
};

const ClassRecord& NotePlayerClass();

} // namespace platform
