#include "score/Score.h"

namespace score {

const ScoreRoutine* findRoutine(std::string_view name)
{
    for (const auto stretch : {bars1To52(), bars53To108(), bars109To142()})
        for (const ScoreRoutine& routine : stretch)
            if (routine.name == name) return &routine;
    return nullptr;
}

} // namespace score
