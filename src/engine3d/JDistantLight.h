#pragma once
// A light from one direction: the light's -z axis, the same for every point of a mesh.

#include "engine3d/JLight.h"

class JDistantLight final : public JLight {
public:
    JDistantLight() = default;
    void illuminate(JMesh& mesh) const override;
    // Unit vector toward the light in the object space of `item`; both after the camera-space pass.
    JVector towardLight(const JItem& item) const;
};
