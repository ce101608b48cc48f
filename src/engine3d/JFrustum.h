#pragma once
// The view frustum in camera space: left, right, top, bottom, near and optionally far planes. Plane i owns
// flag bit 1 << i in JVertex::clipFlags and JPolygon::flags.

#include "engine3d/JPlane.h"

class JMesh;

class JFrustum {
public:
    static constexpr int kMaxPlanes = 6;
    static constexpr int kNearPlane = 4;
    static constexpr double kNearDistance = 0.01;

    // 5 planes, or 6 with a far plane; each starts as point (0, 0, 0), normal (0, 0, 1).
    explicit JFrustum(bool withFarPlane = false);

    // Planes of a screen `width` x `height` pixels seen at focal length `focal` (the scenes use 632, 312, 640);
    // `farDistance` is used only with a far plane.
    void setUp(double width, double height, double focal, double farDistance = 0.0);
    // Clips `mesh` against every plane whose planeState entry is 2 (the bounding sphere crosses it), in
    // plane order.
    void clipMesh(JMesh& mesh) const;

    int planeCount() const { return m_planeCount; }
    const JPlane& plane(int i) const { return m_planes[i]; }

private:
    int m_planeCount;
    JPlane m_planes[kMaxPlanes];
};
