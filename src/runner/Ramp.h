#pragma once
// A timed interpolation from one value to another, used for fades.

class Ramp {
public:
    Ramp(double duration, double from, double to, double exponent)
        : m_from(from), m_to(to), m_duration(duration), m_exponent(exponent)
    {}

    // The value at `time`; a nonzero `start` starts the ramp at `time` unless it runs already.
    // Before the start: `from`. The fraction of the way is clamped to 0..1 and raised to the exponent.
    double value(double time, int start);
    // The next start begins a new run.
    void reset() { m_started = 0; }
    bool started() const { return m_started != 0; }

private:
    double m_startTime = 0;
    double m_from;
    double m_to;
    double m_duration;
    double m_exponent;
    int m_started = 0;
};
