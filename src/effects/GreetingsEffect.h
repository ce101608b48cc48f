#pragma once
// A dancing bone man: a skinned, key-framed scene played through the 3D engine on black, with one of eight
// greeting pictures flashed into the lower left at each sync 128. Fades in at its start, out on sync 255.

#include "data/Bitmap.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JScene.h"
#include "engine3d/JSurfaceList.h"
#include "runner/Effect.h"
#include "runner/Ramp.h"

#include <array>

class Console;
class RenderContext;

class GreetingsEffect final : public Effect {
public:
    static constexpr int32_t kGreetings = 8;

    GreetingsEffect(Console& console, RenderContext& context);
    GreetingsEffect(const GreetingsEffect&) = delete;
    GreetingsEffect& operator=(const GreetingsEffect&) = delete;

    int render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed) override;

    const JScene& scene() const { return m_scene; }
    // The greeting of the last sync 128 (-1 before the first).
    int32_t greeting() const { return m_greeting; }
    // Brightness the greeting was drawn with on the last frame, or -1 when none was drawn.
    int32_t lastBrightness() const { return m_lastBrightness; }
    int polygonsDrawn() const { return m_polygonsDrawn; }

private:
    JSurfaceList m_surfaces;
    JFrustum m_frustum;
    JScene m_scene;
    std::array<Bitmap, kGreetings> m_pictures;
    int32_t m_greeting = -1;
    int32_t m_lastBrightness = -1;
    int m_polygonsDrawn = 0;
    Fade m_fade{Ramp(100, 255, 0, 1.5), Ramp(80, 0, 255, 1.0)};
    Ramp m_flash{100, 256, 0, 0.8};
};
