#pragma once
// Five blobs melting into one another, polygonised every frame by marching cubes over a 20 x 20 x 20 field
// and drawn environment-mapped over a background, inside a turning wire cage with flares running along
// its edges.

#include "data/Bitmap.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JMesh.h"
#include "render/Rasterizer.h"
#include "runner/Effect.h"
#include "runner/Ramp.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class Console;

class MetaballsEffect final : public Effect {
public:
    static constexpr int32_t kGrid = 20;
    static constexpr int32_t kBalls = 5;
    static constexpr int32_t kCapacity = 6000; // blob vertices and polygons
    static constexpr float kThreshold = 1.22101f;

    struct Ball {
        float x, y, z;
        float scale;
        float strength;
    };
    using Balls = std::array<Ball, kBalls>;

    explicit MetaballsEffect(Console& console);
    MetaballsEffect(const MetaballsEffect&) = delete;
    MetaballsEffect& operator=(const MetaballsEffect&) = delete;
    ~MetaballsEffect() override;

    int render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed) override;
    int prepare() override;

    // The five balls at `seconds`, in field-grid units.
    static Balls computeBalls(double seconds);
    // Field value at grid corner (x, y, z), x in 0 .. kGrid - 1: the sum of strength / (scale x squared
    // distance), leaving out balls with scale x squared distance not above 0.001.
    static float fieldValue(const Balls& balls, int32_t x, int32_t y, int32_t z);
    // The field values of the kGrid corners (0 .. kGrid - 1, y, z).
    static void fieldRow(const Balls& balls, int32_t y, int32_t z, float* row);

    // Rebuilds the blob mesh from the balls: the field, the edge vertices and the triangles.
    void buildSurface(const Balls& balls);
    const JMesh& blob() const { return *m_blob; }
    const JMesh& cage() const { return *m_cage; }
    float field(int32_t x, int32_t y, int32_t z) const { return m_field[index(x, y, z)]; }
    // Triangles drawn on the last frame.
    int32_t trianglesDrawn() const { return m_trianglesDrawn; }

private:
    // For each grid corner, the vertex on each edge towards x + 1, y + 1, z + 1, or -1.
    struct EdgeCell {
        int32_t vertex[3];
    };

    Bitmap m_environment;
    Bitmap m_background;
    Bitmap m_flare;
    std::unique_ptr<JMesh> m_blob;
    std::unique_ptr<JMesh> m_cage;
    std::unique_ptr<JFrustum> m_frustum;
    Ramp m_fadeOut{100, 0, 255, 1.2};
    std::vector<float> m_field;
    std::vector<uint8_t> m_inside; // 1 where the field is below the threshold
    std::vector<EdgeCell> m_cells;
    std::vector<RadixRecord> m_drawList;
    std::vector<RadixRecord> m_sortBuffer;
    TriangleParams m_triangle;
    int32_t m_trianglesDrawn = 0;

    static constexpr size_t index(int32_t x, int32_t y, int32_t z) { return size_t((z * kGrid + y) * kGrid + x); }
    int32_t edgeVertex(const Balls& balls, int32_t x, int32_t y, int32_t z, int32_t axis);
    int32_t cubeIndex(int32_t x, int32_t y, int32_t z) const;
    void addTriangles(int32_t x, int32_t y, int32_t z, int32_t cube);
    void drawCage(Bitmap& view, double t);
    void drawBlob(Bitmap& view, double t);
};
