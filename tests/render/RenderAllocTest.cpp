// A span-buffer frame allocates nothing: every span comes from the pool made at creation.
#include "AllocationCounter.h"
#include "display/OfflineDisplay.h"
#include "render/RenderContext.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

TEST(RenderContextAllocations, FramesOfTexturedPolygonsAllocateNothing)
{
    OfflineDisplay display(320, 200);
    RenderContext context(&display, 320, 200);
    Bitmap picture(64, 64, Bitmap::FormatXrgb32);
    context.setTexture(context.addTexture(picture));
    std::mt19937 random(8);
    std::vector<JScreenVertex> corners(900);
    for (JScreenVertex& c : corners) {
        c.x = float(random() % 360) - 20;
        c.y = float(random() % 240) - 20;
        c.depth = 1 + float(random() % 100);
        c.u = float(random() % 256);
    }
    allocations::reset();
    allocations::count(true);
    for (int frame = 0; frame < 3; ++frame) {
        context.setTextureMode(1 + frame % 2);
        context.setShadeMode(1);
        context.setTextureBlend(2);
        context.beginFrame();
        for (size_t i = 0; i + 3 <= corners.size(); i += 3) {
            const JScreenVertex* p[3] = {&corners[i], &corners[i + 1], &corners[i + 2]};
            context.drawPolygon(p, 3);
        }
        context.endFrame();
    }
    allocations::count(false);
    EXPECT_EQ(allocations::counted(), 0);
    EXPECT_GT(context.spansInUse(), 400);
}
