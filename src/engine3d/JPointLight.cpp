#include "engine3d/JPointLight.h"

#include "engine3d/JMesh.h"

void JPointLight::illuminate(JMesh& mesh) const
{
    if (intensity < kMinimumIntensity)
        return;
    mesh.illuminateFromPoint(positionIn(mesh), *this);
}

JVector JPointLight::positionIn(const JItem& item) const
{
    return item.inverseWorld.transform(cameraOrigin);
}
