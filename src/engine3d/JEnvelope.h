#pragma once
// A key-framed motion channel: keys in strictly increasing frame order, joined by Kochanek-Bartels
// (tension, continuity, bias) Hermite segments or by straight lines.

#include "engine3d/JMotion.h"

#include <cstdint>
#include <vector>

// One key of a channel.
struct JKey {
    JVector value{0, 0, 0};
    double frame = 0;
    float bias = 0;
    float tension = 0;
    float continuity = 0;
    int32_t linear = 0; // non-zero: the segment ending at this key is a straight line
};

class JEnvelope final : public JMotion {
public:
    // What a frame after the last key gives.
    static constexpr int32_t kEndReset = 0;  // no value
    static constexpr int32_t kEndStop = 1;   // the last key's value
    static constexpr int32_t kEndRepeat = 2; // the keys again, period last - first

    // Room for `keyCapacity` keys; the room is taken as keys arrive, not up front.
    explicit JEnvelope(int32_t keyCapacity);

    // Appends a key with a finite frame greater than the last key's while there is room; else 0.
    int addKey(const JKey& key);
    int evaluate(double frame, JVector& out) const override;

    int32_t capacity;
    int32_t count = 0;
    int32_t endBehaviour = kEndStop;
    std::vector<JKey> keys;

private:
    // The segment b .. b + 1 at frame f, f within it.
    JVector segment(int32_t b, double f) const;
};
