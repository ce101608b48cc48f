#pragma once
// A 5 x 5 x 5 lattice of small textured cubes tumbling in front of a turning, texture-mapped background.
// Sync 128 switches on, one after the other, a twist of the layers, a spin of every cube and a second
// size wave.

#include "data/Bitmap.h"
#include "engine3d/JMatrix.h"
#include "engine3d/JMesh.h"
#include "render/GridMap.h"
#include "render/Rasterizer.h"
#include "runner/Effect.h"

#include <array>
#include <memory>

class Console;

class CubeEffect final : public Effect {
public:
    static constexpr int32_t kSide = 5;
    static constexpr int32_t kCellCount = kSide * kSide * kSide;
    static constexpr int32_t kTriangles = 12;

    struct Cell {
        JVector centre{0, 0, 0};
        JMatrix transform;
    };
    // The phases that sync 128 switches on, in this order.
    struct Phases {
        int32_t twist = 0;
        int32_t spin = 0;
        int32_t wave2 = 0;
    };

    explicit CubeEffect(Console& console);
    CubeEffect(const CubeEffect&) = delete; // the grid points at the background
    CubeEffect& operator=(const CubeEffect&) = delete;

    int render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed) override;
    int prepare() override;

    // The lattice at time `time` with the phases `phases`: cell (k, j, i) at index (i x 5 + j) x 5 + k.
    // Every angle of the lattice is in degrees.
    static void computeLattice(double time, const Phases& phases, std::array<Cell, kCellCount>& cells);

    const Phases& phases() const { return m_phases; }
    const std::array<Cell, kCellCount>& cells() const { return m_cells; }
    const Bitmap& texture() const { return m_texture; }
    // Triangles drawn on the last frame.
    int32_t trianglesDrawn() const { return m_trianglesDrawn; }

private:
    Bitmap m_texture;
    Bitmap m_background;
    GridMap m_grid;
    std::unique_ptr<JMesh> m_mesh;
    Phases m_phases;
    std::array<Cell, kCellCount> m_cells;
    std::array<RadixRecord, kCellCount> m_order;
    std::array<RadixRecord, kCellCount> m_sortBuffer;
    TriangleParams m_triangle;
    int32_t m_trianglesDrawn = 0;

    void drawCell(const Cell& cell, Bitmap& view);
};
