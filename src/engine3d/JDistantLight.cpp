#include "engine3d/JDistantLight.h"

#include "engine3d/JMesh.h"

void JDistantLight::illuminate(JMesh& mesh) const
{
    if (intensity < kMinimumIntensity)
        return;
    mesh.illuminateFromDirection(towardLight(mesh), *this);
}

JVector JDistantLight::towardLight(const JItem& item) const
{
    // The light's -z axis in camera space, placed at the item's origin and taken into the item's space.
    const JVector axis = world.transform({0, 0, -1}) - cameraOrigin;
    JVector l = item.inverseWorld.transform(axis + item.cameraOrigin);
    l.normalize();
    return l;
}
