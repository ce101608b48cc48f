#pragma once
// A motion channel: a vector value at any frame.

#include "engine3d/JVector.h"

class JMotion {
public:
    virtual ~JMotion() = default;
    // Writes the value at `frame` into `out` and returns 1, or returns 0 (out untouched) when the channel
    // has no value there.
    virtual int evaluate(double frame, JVector& out) const = 0;
};
