#pragma once
// A slowly turning lens view of a texture with ten spiralling arms of flares over it; no fades, no syncs.

#include "data/Bitmap.h"
#include "engine3d/JVector.h"
#include "render/GridMap.h"
#include "runner/Effect.h"

class Console;

class KlamEffect final : public Effect {
public:
    explicit KlamEffect(Console& console);
    KlamEffect(const KlamEffect&) = delete; // the grid points at the texture
    KlamEffect& operator=(const KlamEffect&) = delete;

    int render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed) override;

    // The lens grid: node (gx, gy) looks along (gx - 20, gy - 10, screenDistance) turned by the rotation
    // from degrees of (P.x / 9, P.y / 8, P.z / 7), and maps it to the texel
    // (128 + 180 d.x + P.x, 128 + 180 d.y + P.y) at full light. Any grid of up to 41 x 21 nodes.
    static void computeGrid(GridMap& grid, const JVector& position, double screenDistance);

    const GridMap& grid() const { return m_grid; }

private:
    Bitmap m_flare;
    Bitmap m_texture;
    GridMap m_grid;
};
