// One frame of the maze scene through the tool's render path: its hash, and what its span rows must be.

#include "SceneFiles.h"

#include "MazeScene.h"
#include "SceneTool.h"
#include "display/OfflineDisplay.h"
#include "render/RenderContext.h"
#include "render/Span.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

namespace {

constexpr int kWidth = 640, kHeight = 480;
// The scene band is rows 80..399; the frustum keeps polygons 4 pixels inside it on every side.
constexpr int kBandTop = 80, kBandBottom = 400, kInset = 4;
constexpr float kFartherThanAnyPolygon = 1e-9f; // the background span's depth lies below this

uint64_t frameHash(const Bitmap& frame)
{
    uint64_t h = 14695981039346656037ull;
    for (int32_t y = 0; y < frame.height(); ++y)
        for (int32_t x = 0; x < frame.width(); ++x) {
            h ^= frame.row32(y)[x];
            h *= 1099511628211ull;
        }
    return h;
}

} // namespace

TEST(SceneRender, MazeFrameTilesEveryRowAndCoversTheFrustumInsideTheBand)
{
    SceneFolder folder;
    std::string reason;
    ASSERT_EQ(writeMazeScene(folder.path().string(), reason), 1) << reason;
    OfflineDisplay display(kWidth, kHeight);
    RenderContext context(&display, kWidth, kHeight);
    const int drawn = renderSceneFrame(folder.path().string(), MazeSceneFiles::kScene, 45, context, stderr);
    EXPECT_EQ(drawn, 33);
    EXPECT_EQ(frameHash(display.backBuffer()), 0xecfe05f2cb08b214ull);

    EXPECT_LE(context.spansInUse(), context.spanCapacity());
    EXPECT_EQ(context.droppedPieces(), 0);
    for (int y = 0; y < kHeight; ++y) {
        const bool inside = y >= kBandTop + kInset && y < kBandBottom - kInset;
        int32_t next = 0;
        for (const Span* s = context.rowHead(y)->next; s; s = s->next) {
            ASSERT_EQ(s->x0, next) << "row " << y << ": spans tile the row";
            ASSERT_LE(s->x0, s->x1) << "row " << y;
            next = s->x1 + 1;
            const bool polygon = s->w > kFartherThanAnyPolygon;
            if (!inside)
                EXPECT_FALSE(polygon) << "row " << y << " lies outside the frustum";
            // A closed maze seen from inside: no background between the frustum's edges.
            else if (s->x1 > kInset && s->x0 < kWidth - kInset - 1)
                EXPECT_TRUE(polygon) << "row " << y << " columns " << s->x0 << ".." << s->x1;
        }
        ASSERT_EQ(next, kWidth) << "row " << y;
    }
    for (int y : {0, kBandTop - 1, kBandBottom, kHeight - 1})
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(display.backBuffer().row32(y)[x], 0u) << "black background at " << x << ", " << y;
}
