#pragma once
// A light at a point, without attenuation: each lit point gets its own direction toward it.

#include "engine3d/JLight.h"

class JPointLight final : public JLight {
public:
    JPointLight() = default;
    void illuminate(JMesh& mesh) const override;
    // The light's position in the object space of `item`; both after the camera-space pass.
    JVector positionIn(const JItem& item) const;
};
