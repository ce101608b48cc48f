#include "music/ScriptedTriggers.h"

#include "platform/Platform.h"

void ScriptedTriggers::setTime(double time)
{
    for (Shot& shot : m_shots) {
        if (!shot.released && shot.time <= time) {
            shot.released = true;
            ++m_pending[shot.index];
        }
    }
}

int ScriptedTriggers::trigger(int index)
{
    if (m_clock)
        setTime(m_clock->timeMs());
    int& pending = m_pending[index & 255];
    const int before = pending;
    if (pending > 0)
        --pending;
    ++m_asked[index & 255];
    return before;
}
