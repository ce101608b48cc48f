#pragma once
// Sync triggers from a script instead of a song, for tests and the timing mode.

#include "music/TriggerSource.h"

#include <vector>

class Platform;

// Hits are posted pending at once, or for a time at which they become pending; trigger() consumes one
// pending hit of its index, as the player does, and counts how often each index was asked for. Indices
// are taken modulo 256. Asking never allocates.
class ScriptedTriggers final : public TriggerSource {
public:
    ScriptedTriggers() = default;
    // The script's time is `clock`'s timeMs(), read on every trigger().
    explicit ScriptedTriggers(Platform& clock) : m_clock(&clock) {}

    // `count` more hits of `index` pending now.
    void post(int index, int count = 1) { m_pending[index & 255] += count; }
    // One hit of `index` that becomes pending once the script's time reaches `time`.
    void postAt(double time, int index) { m_shots.push_back({time, index & 255, false}); }
    // Moves the script's time to `time` (any unit the posts use): the hits due by then become pending.
    void setTime(double time);

    int trigger(int index) override;
    int pending(int index) const { return m_pending[index & 255]; }
    // How many times trigger(index) was called.
    int asked(int index) const { return m_asked[index & 255]; }

private:
    struct Shot {
        double time;
        int index;
        bool released;
    };
    Platform* m_clock = nullptr;
    std::vector<Shot> m_shots;
    int m_pending[256] = {};
    int m_asked[256] = {};
};
