#pragma once
// A timed interpolation from one value to another, and the fade every effect runs with two of them.

class TriggerSource;

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

// The two levels of a fade on one frame, as the ramps give them.
struct FadeLevels {
    double in;
    double out;
};

// A fade-in that starts with the effect and a fade-out that starts on sync 255.
class Fade {
public:
    Fade(Ramp in, Ramp out) : m_in(in), m_out(out) {}

    // The fade-in value, then one sync 255 consumed from `player`, then the fade-out value, in that order:
    // the first frame of the effect starts the fade-in, and the frame the sync arrives starts the fade-out.
    FadeLevels levels(double time, TriggerSource& player);

private:
    Ramp m_in;
    Ramp m_out;
};
