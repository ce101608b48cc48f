#pragma once
// A clipping plane of the view frustum in camera space: a point p is inside when dot(normal, p) - d >= 0.

#include "engine3d/JVector.h"

struct JPlane {
    JVector point{0, 0, 0};
    JVector normal{0, 0, 1}; // unit
    double d = 0;            // dot(point, normal)

    void set(const JVector& onPlane, const JVector& unitNormal)
    {
        point = onPlane;
        normal = unitNormal;
        d = dot(point, normal);
    }
    // Signed distance; NaN for a non-finite point, which every test treats as outside.
    double distance(const JVector& p) const { return dot(normal, p) - d; }
};
