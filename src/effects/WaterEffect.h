#pragma once
// A background seen through rippling water, with a wireframe object tumbling through the surface: the part
// behind the surface ripples with the picture, the part in front is drawn over it. Raindrops and the points
// where the wireframe pierces the surface keep the water moving.

#include "data/Bitmap.h"
#include "engine3d/JMesh.h"
#include "engine3d/JVector.h"
#include "render/PixelOps.h"
#include "runner/Effect.h"
#include "runner/Ramp.h"

#include <cstdint>
#include <memory>
#include <vector>

class Console;

class WaterEffect final : public Effect {
public:
    static constexpr int32_t kWidth = 640;
    static constexpr int32_t kHeight = 320;
    static constexpr double kSurfaceDepth = 320; // the water plane z = 320, also the projection's zoom

    // Loads the background (the show cannot run without it: a failure ends the process) and the object.
    explicit WaterEffect(Console& console);
    WaterEffect(const WaterEffect&) = delete;
    WaterEffect& operator=(const WaterEffect&) = delete;

    int render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed) override;
    int prepare() override;

    // Which side of the surface a segment pass draws: behind it (into the picture that is refracted) or in
    // front (over the finished view).
    enum class Pass { Behind, InFront };
    // Draws the part of the camera-space segment c0..c1 on the pass's side of the surface into `target` in
    // grey `grey`, marking `marks` (kWidth x kHeight heights) where the segment pierces the surface.
    // Segments with an end at z <= 1 cannot be projected and are skipped.
    static void drawSegment(const JVector& c0, const JVector& c1, Pass pass, Bitmap& target, int grey, int16_t* marks);
    // The crossing mark: cell (row, col) gets 800 and its four neighbours 400, for a crossing projected to
    // (cx, cy) from the view centre, row = trunc(cy) + 160 and col = trunc(cx + 320). Marks whose
    // neighbours would leave the grid are dropped.
    static void markCrossing(int16_t* marks, double cx, double cy);

    // The height buffer that is first (current) now; the other one holds the previous step.
    const int16_t* firstHeights() const { return m_heights[m_first].data(); }
    const int16_t* secondHeights() const { return m_heights[1 - m_first].data(); }

private:
    Bitmap m_background;
    std::vector<int16_t> m_heights[2];
    int32_t m_first = 0;
    Bitmap m_work;
    std::unique_ptr<JMesh> m_object;
    std::unique_ptr<WaterTables> m_tables;
    Fade m_fade{Ramp(200, 255, 0, 1.0), Ramp(80, 0, 255, 1.5)};

    void transformObject(double t);
    void drawObject(Pass pass, Bitmap& target, int grey, int16_t* marks) const;
};
