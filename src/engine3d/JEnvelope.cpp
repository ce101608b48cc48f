#include "engine3d/JEnvelope.h"

#include <algorithm>
#include <cmath>

JEnvelope::JEnvelope(int32_t keyCapacity) : capacity(std::max(keyCapacity, 0))
{}

int JEnvelope::addKey(const JKey& key)
{
    if (count >= capacity || !std::isfinite(key.frame))
        return 0;
    if (count > 0 && !(key.frame > keys.back().frame))
        return 0;
    keys.push_back(key);
    ++count;
    return 1;
}

int JEnvelope::evaluate(double frame, JVector& out) const
{
    if (count == 0)
        return 0;
    const JKey& first = keys.front();
    const JKey& last = keys.back();
    // Before the first key (or an unordered frame such as NaN) the channel holds the first value.
    if (count == 1 || !(frame >= first.frame)) {
        out = first.value;
        return 1;
    }
    double f = frame;
    if (f > last.frame) {
        if (endBehaviour == kEndReset)
            return 0;
        const double period = last.frame - first.frame;
        if (endBehaviour == kEndRepeat && period > 0) {
            // Folds f into (first, last]: a whole number of periods past the first key lands on the last.
            const double phase = std::fmod(f - first.frame, period);
            f = phase > 0 ? first.frame + phase : last.frame;
        }
    }
    // b: the last key before f (0 when none), at most the second-to-last.
    const auto after =
        std::lower_bound(keys.begin(), keys.end(), f, [](const JKey& key, double value) { return key.frame < value; });
    int32_t b = int32_t(after - keys.begin()) - 1;
    b = std::clamp(b, 0, count - 2);
    out = segment(b, std::min(f, keys[size_t(b) + 1].frame));
    return 1;
}

JVector JEnvelope::segment(int32_t b, double f) const
{
    const JKey& k1 = keys[size_t(b)];
    const JKey& k2 = keys[size_t(b) + 1];
    const JKey& k0 = keys[size_t(std::max(b - 1, 0))];
    const JKey& k3 = keys[size_t(std::min(b + 2, count - 1))];
    const double span = k2.frame - k1.frame;
    const double t = (f - k1.frame) / span;
    const JVector d = k2.value - k1.value;
    if (k2.linear)
        return k1.value + d * t;

    const double t2 = t * t;
    const double t3 = t2 * t;
    const double h2 = 3 * t2 - 2 * t3;
    const double h1 = 1 - h2;
    const double h3 = t3 - 2 * t2 + t;
    const double h4 = t3 - t2;

    const double slack1 = float(1.0f - k1.tension); // 1 - tension, as a 32-bit float
    const double slack2 = float(1.0f - k2.tension);
    const double a = slack1 * (1.0 + k1.continuity) * (1.0 + k1.bias);
    const double bb = slack1 * (1.0 - k1.continuity) * (1.0 - k1.bias);
    const double c = slack2 * (1.0 - k2.continuity) * (1.0 + k2.bias);
    const double e = slack2 * (1.0 + k2.continuity) * (1.0 - k2.bias);

    // The test is on the frame, not on the index: a first key at frame 0 gets the one-sided tangent.
    const JVector outgoing =
        k1.frame == 0 ? 0.5 * (a + bb) * d : (span / (k2.frame - k0.frame)) * (a * (k1.value - k0.value) + bb * d);
    const JVector incoming =
        b + 1 == count - 1 ? 0.5 * (c + e) * d : (span / (k3.frame - k1.frame)) * (c * d + e * (k3.value - k2.value));
    return h1 * k1.value + h2 * k2.value + h3 * outgoing + h4 * incoming;
}
