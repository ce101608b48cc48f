// The scene tool: an object's summary lines, and one frame of the maze scene through its render path (its
// hash, and what its span rows must be).

#include "SceneFiles.h"

#include "LwoBuilder.h"
#include "MazeScene.h"
#include "SceneTool.h"
#include "display/OfflineDisplay.h"
#include "render/RenderContext.h"
#include "render/Span.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

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

std::string captured(std::FILE* file)
{
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += char(c);
    return text;
}

} // namespace

TEST(SceneTool, ObjectSummaryComesFirstAndFailuresGiveOneLine)
{
    SceneFolder folder;
    LwoBuilder object;
    for (const JVector& p : {JVector{1, 2, 3}, JVector{4, 5, 6}, JVector{2, 3, 4}, JVector{9, 9, 9}})
        object.addPoint(p);
    object.addPolygon({0, 1, 2}, 1);
    object.addPolygon({0, 1, 7}, 1); // a corner past the points: dropped
    LwoBuilder::Surface skin;
    skin.name = "Skin";
    object.addSurface(skin);
    folder.write("t.lwo", object.bytes());
    folder.write("bad.lwo", std::string("FORM\0\0\0\4LWO2"));
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_EQ(sceneObject(folder.path().string(), "t.lwo", out, err), 0);
    // Bounds over every point, y turned over.
    const std::string summary = "points 4\npolygons 1\nsurfaces 1\nbounds 1 -9 3 9 -2 9\n";
    EXPECT_EQ(captured(out).substr(0, summary.size()), summary);
    EXPECT_EQ(sceneObject(folder.path().string(), "bad.lwo", out, err), 1);
    EXPECT_EQ(sceneObject(folder.path().string(), "none.lwo", out, err), 1);
    const std::string reasons = captured(err);
    EXPECT_EQ(std::count(reasons.begin(), reasons.end(), '\n'), 2) << reasons;
    std::fclose(out);
    std::fclose(err);
}

TEST(SceneTool, MazeFrameTilesEveryRowAndCoversTheFrustumInsideTheBand)
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
            if (!inside) {
                EXPECT_FALSE(polygon) << "row " << y << " lies outside the frustum";
            } else if (s->x1 > kInset && s->x0 < kWidth - kInset - 1) {
                // A closed maze seen from inside: no background between the frustum's edges.
                EXPECT_TRUE(polygon) << "row " << y << " columns " << s->x0 << ".." << s->x1;
            }
        }
        ASSERT_EQ(next, kWidth) << "row " << y;
    }
    for (int y : {0, kBandTop - 1, kBandBottom, kHeight - 1})
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(display.backBuffer().row32(y)[x], 0u) << "black background at " << x << ", " << y;
}
