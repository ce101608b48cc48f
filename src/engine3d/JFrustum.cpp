#include "engine3d/JFrustum.h"

#include "engine3d/JMesh.h"

#include <cmath>

JFrustum::JFrustum(bool withFarPlane) : m_planeCount(withFarPlane ? kMaxPlanes : kMaxPlanes - 1)
{}

void JFrustum::setUp(double width, double height, double focal, double farDistance)
{
    const double hv = std::atan2(height * 0.5, focal);
    const double hh = std::atan2(width * 0.5, focal);
    const JVector origin{0, 0, 0};
    m_planes[0].set(origin, {std::cos(hh), 0, std::sin(hh)});
    m_planes[1].set(origin, {-std::cos(hh), 0, std::sin(hh)});
    m_planes[2].set(origin, {0, std::cos(hv), std::sin(hv)});
    m_planes[3].set(origin, {0, -std::cos(hv), std::sin(hv)});
    m_planes[kNearPlane].set({0, 0, kNearDistance}, {0, 0, 1});
    if (m_planeCount == kMaxPlanes)
        m_planes[5].set({0, 0, farDistance}, {0, 0, -1});
}

void JFrustum::clipMesh(JMesh& mesh) const
{
    // Checked once: clipping against one plane keeps every corner listed for the next.
    bool checked = false, listed = false;
    for (int i = 0; i < m_planeCount; ++i) {
        if (mesh.planeState[i] != JMesh::PlaneCrossed)
            continue;
        if (!checked) {
            listed = mesh.cornersListed();
            checked = true;
        }
        mesh.clipAgainst(m_planes[i], 1 << i, listed);
    }
}
