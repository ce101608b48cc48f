#include "runner/Ramp.h"

#include "music/TriggerSource.h"

#include <cmath>

namespace {
constexpr int kFadeOutSync = 255;
} // namespace

double Ramp::value(double time, int start)
{
    if (start && !m_started) {
        m_startTime = time;
        m_started = 1;
    }
    if (!m_started)
        return m_from;
    if (m_duration <= 0)
        return m_to; // a ramp without length is at its end as soon as it starts
    double e = time - m_startTime;
    if (e > m_duration)
        e = m_duration;
    if (e < 0)
        e = 0;
    return m_from + std::pow(e / m_duration, m_exponent) * (m_to - m_from);
}

FadeLevels Fade::levels(double time, TriggerSource& player)
{
    FadeLevels levels;
    levels.in = m_in.value(time, 1);
    const int hit = player.trigger(kFadeOutSync);
    levels.out = m_out.value(time, hit);
    return levels;
}
