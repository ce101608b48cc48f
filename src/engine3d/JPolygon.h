#pragma once
// One polygon of a mesh: a run of corner references, its face normal, material, clip flags and flat colour.

#include "engine3d/JVector.h"
#include "engine3d/JVertex.h"

#include <cstdint>

class JSurface;

class JPolygon {
public:
    // Flag of a two-corner polygon that clipping replaced by a shorter line.
    static constexpr int32_t kLineReplaced = 4095;

    JVertex** vertices = nullptr; // the first of `count` consecutive references, in the file's order
    JVector normal{0, 0, 1};      // unit face normal, computed once
    int32_t count = 0;            // corners (3..64 are drawn)
    JSurface* surface = nullptr;  // material; null = never drawn
    int32_t flags = 0;            // 0 drawable; bit i = clipped away or replaced at frustum plane i
    JColourPair colour;           // lit colour of flat-shaded surfaces
};
