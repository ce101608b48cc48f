#pragma once
// One point of a mesh with its per-frame camera-space, screen, colour and clipping state.

#include "engine3d/JVector.h"

#include <cstdint>

class JSurface;

// Lit colour of a vertex or polygon for the current frame (8 bytes). Lights add with saturation at 255.
struct JColourPair {
    uint8_t diffuseRed = 0, diffuseGreen = 0, diffuseBlue = 0;
    uint8_t spare0 = 0, spare1 = 0; // not read
    uint8_t specularRed = 0, specularGreen = 0, specularBlue = 0;
};

class JVertex {
public:
    // Positions (0, 0, 0), colours 0; the rest zeroed too, so a vertex built by an effect is never garbage.
    JVertex() = default;

    // Perspective projection of cameraPosition: screenX, screenY = (zoom / z) x (x, y). Offsets from the screen
    // centre; the caller adds the centre.
    void project(float zoom)
    {
        const double c = zoom / cameraPosition.z;
        screenX = c * cameraPosition.x;
        screenY = c * cameraPosition.y;
    }

    JVector restPosition{0, 0, 0};   // as loaded, object space; texture coordinates come from it
    JVector position{0, 0, 0};       // current object-space point (rewritten by skeletal deformation)
    JVector cameraPosition{0, 0, 0}; // camera space: x right, y down, z forward
    double screenX = 0, screenY = 0; // projected offsets from the screen centre
    float u = 0, v = 0;              // texture coordinates in texels (whole numbers)
    JColourPair colour;
    int32_t clipFlags = 0;       // bit i: outside frustum plane i this frame
    JVector normal{0, 0, 0};     // average of the normals of every polygon corner at this position
    JSurface* surface = nullptr; // the one surface this vertex belongs to (after surface separation)
    uint8_t shareCount = 0;      // polygon corners at this position (saturates at 255)
    uint8_t smoothCount = 0;     // how many of them belong to smooth surfaces (saturates at 255); 0 = not lit
    uint8_t uvDone = 0;          // texture coordinates computed
};

// Twice the signed area of the projected triangle a, b, c (y down): positive when the corners run clockwise
// on the screen.
inline double screenWinding(const JVertex& a, const JVertex& b, const JVertex& c)
{
    return (b.screenX - a.screenX) * (c.screenY - a.screenY) - (b.screenY - a.screenY) * (c.screenX - a.screenX);
}
