#pragma once
// Where effects and the runner ask for the song's sync triggers.

class TriggerSource {
public:
    virtual ~TriggerSource() = default;
    // Nonzero when a trigger of sync index `index` (0..255) is pending; consumes exactly one.
    // The result is the number pending before the call.
    virtual int trigger(int index) = 0;
};
