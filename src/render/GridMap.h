#pragma once
// A coarse grid of texture coordinates and light values that drawGrid expands to pixels in 16 x 16 blocks.

#include <cstddef>
#include <cstdint>
#include <vector>

class Bitmap;

// One grid node. u and v are texel coordinates with 2 fractional bits (4 = one texel, wrapping at 256
// texels); light is a brightness where 1024 is full (0..1023 keeps results below full scale); `extra` is
// computed by some effects and never read by the mapper.
struct GridNode {
    int16_t u = 0;
    int16_t v = 0;
    int16_t light = 0;
    int16_t extra = 0;
};

class GridMap {
public:
    // A grid of `gridWidth` x `gridHeight` nodes covering (gridWidth - 1) x (gridHeight - 1) blocks, all
    // nodes zero. The texture is not owned and must outlive the grid (it may be empty: then only the fill
    // colour is drawn). The target size is kept for the effects; the mapper clips to its destination.
    GridMap(int32_t gridWidth, int32_t gridHeight, int32_t targetWidth, int32_t targetHeight, const Bitmap* texture);

    int32_t gridWidth() const { return m_gridWidth; }
    int32_t gridHeight() const { return m_gridHeight; }
    int32_t targetWidth() const { return m_targetWidth; }
    int32_t targetHeight() const { return m_targetHeight; }
    const Bitmap* texture() const { return m_texture; }
    void setTexture(const Bitmap* texture) { m_texture = texture; }

    GridNode& node(int32_t gx, int32_t gy) { return m_nodes[size_t(gy) * size_t(m_gridWidth) + size_t(gx)]; }
    const GridNode& node(int32_t gx, int32_t gy) const
    {
        return m_nodes[size_t(gy) * size_t(m_gridWidth) + size_t(gx)];
    }
    GridNode* nodes() { return m_nodes.data(); }
    const GridNode* nodes() const { return m_nodes.data(); }

private:
    int32_t m_gridWidth;
    int32_t m_gridHeight;
    int32_t m_targetWidth;
    int32_t m_targetHeight;
    const Bitmap* m_texture;
    std::vector<GridNode> m_nodes;
};
