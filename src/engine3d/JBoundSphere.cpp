#include "engine3d/JBoundSphere.h"

#include "engine3d/JFrustum.h"
#include "engine3d/JMatrix.h"
#include "engine3d/JMesh.h"

#include <cmath>
#include <numbers>

void JBoundSphere::measure(const JMesh& mesh)
{
    centre = {0, 0, 0};
    double largest = 0.0;
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const double l = length(mesh.vertices[i].position);
        if (l > largest)
            largest = l;
    }
    radius = static_cast<float>(largest);
}

double JBoundSphere::volume() const
{
    return 4.0 / 3.0 * std::numbers::pi * double(radius) * radius * radius;
}

void JBoundSphere::transform(const JMatrix& world)
{
    cameraCentre = world.transform(centre);
    double sum = 0.0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            sum += world.m[r][c] * world.m[r][c];
    scale = static_cast<float>(std::sqrt(sum));
}

bool JBoundSphere::contains(const JVector& point) const
{
    return length(point - centre) <= radius;
}

void JBoundSphere::classify(const JFrustum& frustum, int* results, int& visible) const
{
    visible = 1;
    const double r = double(radius) * scale;
    for (int i = 0; i < frustum.planeCount(); ++i) {
        const double s = frustum.plane(i).distance(cameraCentre);
        results[i] = JMesh::PlaneCrossed;
        if (s >= r)
            results[i] = JMesh::PlaneInside;
        if (!(s > -r)) {
            results[i] = JMesh::PlaneOutside;
            visible = 0;
        }
    }
}
