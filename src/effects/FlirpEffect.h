#pragma once
// A flowing, sine-warped and shaded texture plane with three pictures rising and fading over it in turn.

#include "data/Bitmap.h"
#include "render/GridMap.h"
#include "runner/Effect.h"
#include "runner/Ramp.h"

class Console;

class FlirpEffect final : public Effect {
public:
    explicit FlirpEffect(Console& console);
    FlirpEffect(const FlirpEffect&) = delete; // the grid points at the texture
    FlirpEffect& operator=(const FlirpEffect&) = delete;

    int render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed) override;
    int prepare() override;

    // Fills the grid for time `time` (narrowed to float), warp amplitude `amplitude` and light depth `depth`.
    void computeGrid(float time, double amplitude, double depth);

    const GridMap& grid() const { return m_grid; }
    // The picture being shown (0..2), or -1 for the pause after the third.
    int32_t pictureIndex() const { return m_pictureIndex; }
    // Brightness the current picture was drawn with on the last frame.
    int32_t lastBrightness() const { return m_lastBrightness; }

private:
    Bitmap m_texture;
    Bitmap m_pictures[3];
    GridMap m_grid;
    Fade m_fade{Ramp(100, 255, 0, 1.5), Ramp(80, 0, 255, 1.0)};
    Ramp m_pictureRise{296, 0, 255, 1.4};
    Ramp m_pictureFall{400, 255, 0, 1.0};
    int32_t m_pictureIndex = 0;
    int32_t m_lastBrightness = 0;
};
