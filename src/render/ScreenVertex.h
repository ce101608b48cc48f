#pragma once
// One corner of a polygon handed to RenderContext::drawPolygon, filled by the mesh drawing.

#include <cstdint>

struct JScreenVertex {
    float x = 0;     // frame column in pixels
    float y = 0;     // frame row in pixels
    float depth = 0; // camera-space z x 0.02; must be > 0 to draw
    uint8_t red = 0; // colour bytes 0..255
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t specular = 0; // (specular red + green + blue) / 3; not read by drawPolygon
    uint32_t spare = 0;   // not read by drawPolygon
    float u = 0;          // texture column in texels (the texture wraps at 256)
    float v = 0;          // texture row in texels
};
