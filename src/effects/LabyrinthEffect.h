#pragma once
// A flight through a textured labyrinth: a key-framed scene played through the 3D engine on black, fading
// in at its start and out on sync 255.

#include "engine3d/JFrustum.h"
#include "engine3d/JScene.h"
#include "engine3d/JSurfaceList.h"
#include "runner/Effect.h"
#include "runner/Ramp.h"

class Console;
class RenderContext;

class LabyrinthEffect final : public Effect {
public:
    LabyrinthEffect(Console& console, RenderContext& context);
    LabyrinthEffect(const LabyrinthEffect&) = delete;
    LabyrinthEffect& operator=(const LabyrinthEffect&) = delete;

    int render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed) override;

    const JScene& scene() const { return m_scene; }
    // Polygons handed to the render context on the last frame.
    int polygonsDrawn() const { return m_polygonsDrawn; }

private:
    JSurfaceList m_surfaces;
    JFrustum m_frustum;
    JScene m_scene;
    Fade m_fade{Ramp(100, 255, 0, 1.5), Ramp(80, 0, 255, 1.0)};
    int m_polygonsDrawn = 0;
};
