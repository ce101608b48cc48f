#pragma once
// The scene camera: looks along its local +z axis with +y down on the screen.

#include "engine3d/JViewItem.h"

#include <cstdint>

class JCamera final : public JViewItem {
public:
    JCamera();
    // view (world -> camera) and viewInverse (camera -> world) from position, rotation and scale and the
    // parent's world; the pivot is not used. Also sets world to view. Run after the world pass.
    void computeView();

    double zoom = 640.0; // focal length in pixels
    int32_t width = 640;
    int32_t height = 480;
};
