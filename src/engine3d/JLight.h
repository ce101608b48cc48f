#pragma once
// A light of the scene: colour and intensity; each kind adds its light to a mesh's colours its own way.

#include "engine3d/JViewItem.h"

#include <cstdint>

class JMesh;

class JLight : public JViewItem {
public:
    static constexpr double kMinimumIntensity = 0.01;

    // Adds this light to the vertex and polygon colours of `mesh` (after the camera-space pass of both);
    // nothing below kMinimumIntensity. Each kind works out where its light comes from in the mesh's object
    // space and hands that to JMesh::illuminateFromDirection or JMesh::illuminateFromPoint, which light the
    // vertices and polygons.
    virtual void illuminate(JMesh& mesh) const = 0;

    uint8_t lightRed = 255;
    uint8_t lightGreen = 255;
    uint8_t lightBlue = 255;
    float intensity = 1.0f; // below 0.01 the light adds nothing

protected:
    JLight() : JViewItem(kTypeLight) {}
};
