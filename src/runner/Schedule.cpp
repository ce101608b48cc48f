#include "runner/Schedule.h"

#include "music/TriggerSource.h"
#include "platform/Platform.h"

ScheduleHit walkSchedule(TriggerSource& triggers, Platform& clock)
{
    ScheduleHit result;
    for (const ScheduleRow& row : kSchedule) {
        if (!triggers.trigger(row.index))
            continue;
        const double t = clock.timeMs();
        while (triggers.trigger(kFadeOutIndex)) {
        }
        result = {true, row.effect, row.index, t};
    }
    return result;
}
