#pragma once
// The bounding sphere of a mesh: centred on the object origin, radius the farthest vertex.

#include "engine3d/JBounds.h"
#include "engine3d/JVector.h"

class JBoundSphere final : public JBounds {
public:
    // radius = the largest length of any vertex position (0 without vertices).
    void measure(const JMesh& mesh) override;
    double volume() const override;
    // cameraCentre = world (centre); scale = the Frobenius norm of the upper-left 3 x 3 block, which is never
    // below the largest stretch of the matrix (the largest row length can be, under rotated uneven scales).
    void transform(const JMatrix& world) override;
    bool contains(const JVector& point) const override;
    // With r = radius x scale and s the signed distance of cameraCentre: 1 when s >= r, 0 (and not visible)
    // unless s > -r, else 2. A NaN distance counts as outside.
    void classify(const JFrustum& frustum, int* results, int& visible) const override;

    JVector centre{0, 0, 0}; // object space, always the origin
    JVector cameraCentre{0, 0, 0};
    float radius = 0.0f;
    float scale = 1.0f;
};
