// Exact results of the whole-image, sprite, line, grid and water operations.
#include "render/PixelOps.h"
#include "data/Bitmap.h"
#include "render/GridMap.h"
#include "render/Random.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

namespace {

Bitmap filled(int32_t w, int32_t h, uint32_t value)
{
    Bitmap b(w, h, Bitmap::FormatXrgb32);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b.row32(y)[x] = value;
    return b;
}

uint32_t at(const Bitmap& b, int32_t x, int32_t y)
{
    return b.row32(y)[x];
}

int channel(uint32_t pixel, int shift)
{
    return int((pixel >> shift) & 255);
}

} // namespace

TEST(AddColor, SaturatesEachByteAndLeavesTopByteOfZeroAtZero)
{
    Bitmap b = filled(8, 2, 0x00f01080);
    addColor(b, 0x20, 0xf8, 0x90);
    EXPECT_EQ(at(b, 0, 0), 0x00ffffffu);
    Bitmap c = filled(8, 1, 0x00102030);
    addColor(c, 1, 2, 3);
    EXPECT_EQ(at(c, 7, 0), 0x00112233u);
    addColor(c, 0, 0, 0);
    EXPECT_EQ(at(c, 3, 0), 0x00112233u);
}

TEST(AddColor, WhiteTurnsEveryPixelWhiteButKeepsTopByte)
{
    Bitmap b = filled(4, 3, 0x7f000000);
    addColor(b, 255, 255, 255);
    for (int32_t y = 0; y < 3; ++y)
        EXPECT_EQ(at(b, 2, y), 0x7fffffffu);
}

TEST(AddColor, LeavesColumnsAfterLastGroupOfFourUntouched)
{
    Bitmap b = filled(642, 2, 0x00010101);
    addColor(b, 9, 9, 9);
    EXPECT_EQ(at(b, 639, 1), 0x000a0a0au);
    EXPECT_EQ(at(b, 640, 1), 0x00010101u);
    EXPECT_EQ(at(b, 641, 0), 0x00010101u);
    Bitmap narrow = filled(3, 1, 0x00010101);
    addColor(narrow, 9, 9, 9);
    EXPECT_EQ(at(narrow, 0, 0), 0x00010101u);
}

TEST(AddColor, IgnoresOtherFormats)
{
    Bitmap b(4, 1, Bitmap::FormatGrey8);
    addColor(b, 9, 9, 9);
    EXPECT_EQ(b.pixels()[0], 0);
    Bitmap empty;
    addColor(empty, 1, 1, 1); // nothing to do, no crash
}

TEST(SubtractColor, SaturatesAtZero)
{
    Bitmap b = filled(4, 1, 0x00801005);
    subtractColor(b, 0x10, 0x20, 0x05);
    EXPECT_EQ(at(b, 1, 0), 0x00700000u);
}

TEST(SubtractColor, WorksOnViewRowsByPitch)
{
    Bitmap parent = filled(12, 4, 0x00404040);
    Bitmap v = Bitmap::view(parent, 4, 1, 4, 2);
    subtractColor(v, 0x40, 0x40, 0x40);
    EXPECT_EQ(at(parent, 4, 1), 0u);
    EXPECT_EQ(at(parent, 7, 2), 0u);
    EXPECT_EQ(at(parent, 8, 1), 0x00404040u);
    EXPECT_EQ(at(parent, 4, 3), 0x00404040u);
    EXPECT_EQ(at(parent, 3, 1), 0x00404040u);
}

TEST(BlitAdd, ModulatesByColourAndAddsWithSaturation)
{
    Bitmap sprite = filled(2, 2, 0x00ff8040);
    Bitmap target = filled(6, 6, 0x00f00000);
    blitAdd(sprite, target, 1, 2, 255, 128, 0);
    // (255 x 255) >> 8 = 254 red; (0x80 x 128) >> 8 = 64 green; blue x 0 = 0.
    EXPECT_EQ(at(target, 1, 2), 0x00ff4000u);
    EXPECT_EQ(at(target, 2, 3), 0x00ff4000u);
    EXPECT_EQ(at(target, 0, 2), 0x00f00000u);
    EXPECT_EQ(at(target, 3, 2), 0x00f00000u);
    EXPECT_EQ(at(target, 1, 4), 0x00f00000u);
}

TEST(BlitAdd, ClipsLeftEdgeFromSpriteColumnTen)
{
    Bitmap sprite(16, 1, Bitmap::FormatXrgb32);
    for (int32_t x = 0; x < 16; ++x)
        sprite.row32(0)[x] = uint32_t(x + 1);
    Bitmap target = filled(8, 1, 0);
    blitAdd(sprite, target, -10.0f, 0, 0, 0, 255);
    // Blue byte times 255 >> 8: column 10 of the sprite holds 11, giving 10.
    EXPECT_EQ(at(target, 0, 0), (11u * 255) >> 8);
    EXPECT_EQ(at(target, 5, 0), (16u * 255) >> 8);
    EXPECT_EQ(at(target, 6, 0), 0u);
}

TEST(BlitAdd, AtRightEdgeOrBeyondDrawsNothing)
{
    Bitmap sprite = filled(4, 4, 0x00ffffff);
    Bitmap target = filled(8, 8, 0);
    blitAdd(sprite, target, 8.0f, 0, 255, 255, 255);
    blitAdd(sprite, target, 0, 8.0f, 255, 255, 255);
    blitAdd(sprite, target, -4.0f, 0, 255, 255, 255);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            ASSERT_EQ(at(target, x, y), 0u);
    blitAdd(sprite, target, 6.7f, -2.9f, 255, 255, 255); // truncated to (6, -2): clipped right and top
    EXPECT_EQ(at(target, 7, 1), 0x00fefefeu);
    EXPECT_EQ(at(target, 6, 0), 0x00fefefeu);
    EXPECT_EQ(at(target, 5, 0), 0u);
    EXPECT_EQ(at(target, 6, 2), 0u);
}

TEST(BlitAdd, RefusesEmptyImagesAndBadPositions)
{
    Bitmap empty;
    Bitmap target = filled(8, 8, 0);
    blitAdd(empty, target, 0, 0, 255, 255, 255);
    blitAdd(target, empty, 0, 0, 255, 255, 255);
    Bitmap sprite = filled(2, 2, 0x00ffffff);
    blitAdd(sprite, target, std::numeric_limits<float>::quiet_NaN(), 0, 255, 255, 255);
    blitAdd(sprite, target, -3e9f, 0, 255, 255, 255);
    blitScaledAdd(sprite, target, 0, 0, std::numeric_limits<float>::infinity(), 4, 255, 255, 255);
    blitScaledAdd(sprite, target, 0, 0, 4, 2e30f, 255, 255, 255);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            ASSERT_EQ(at(target, x, y), 0u);
}

TEST(BlitScaledAdd, BelowOnePixelDrawsNothing)
{
    Bitmap sprite = filled(4, 4, 0x00ffffff);
    Bitmap target = filled(8, 8, 0);
    blitScaledAdd(sprite, target, 0, 0, 0.5f, 4, 255, 255, 255);
    blitScaledAdd(sprite, target, 0, 0, 4, 0.99f, 255, 255, 255);
    blitScaledAdd(sprite, target, 0, 0, std::numeric_limits<float>::quiet_NaN(), 4, 255, 255, 255);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            ASSERT_EQ(at(target, x, y), 0u);
}

TEST(BlitScaledAdd, DoubleWidthRepeatsEverySourceColumnTwice)
{
    Bitmap sprite(4, 2, Bitmap::FormatXrgb32);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x)
            sprite.row32(y)[x] = uint32_t(16 * (x + 1) + 100 * y);
    Bitmap target = filled(10, 4, 0);
    blitScaledAdd(sprite, target, 1, 0, 8, 4, 0, 0, 255);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t k = 0; k < 8; ++k)
            EXPECT_EQ(at(target, 1 + k, y), ((16u * uint32_t(k / 2 + 1) + 100u * uint32_t(y / 2)) * 255) >> 8)
                << k << "," << y;
    EXPECT_EQ(at(target, 0, 0), 0u);
    EXPECT_EQ(at(target, 9, 0), 0u);
}

TEST(BlitScaledAdd, ClippedStartReadsTheColumnItWouldHaveHad)
{
    Bitmap sprite(4, 1, Bitmap::FormatXrgb32);
    for (int32_t x = 0; x < 4; ++x)
        sprite.row32(0)[x] = uint32_t(x + 1) * 40;
    Bitmap target = filled(4, 1, 0);
    // 12 pixels wide from x = -7: pixel 7 of the scaled sprite is source column 7 x 4 / 12 = 2.
    blitScaledAdd(sprite, target, -7, 0, 12, 1, 0, 0, 255);
    EXPECT_EQ(at(target, 0, 0), (120u * 255) >> 8);
    // The row then steps from there: 2 + floor(3 x 21845 / 65536) is still column 2.
    EXPECT_EQ(at(target, 3, 0), (120u * 255) >> 8);
}

TEST(DrawLine, HalfwayBetweenRowsGivesHalfTheColourToBoth)
{
    Bitmap target = filled(64, 200, 0);
    drawLine(target, 10, 100.5f, 50, 100.5f, 200, 100, 255);
    for (int32_t x = 11; x < 50; ++x) {
        const uint32_t a = at(target, x, 100), b = at(target, x, 101);
        EXPECT_NEAR(channel(a, 16), 100, 1);
        EXPECT_NEAR(channel(b, 16), 100, 1);
        EXPECT_NEAR(channel(a, 8), 50, 1);
        EXPECT_NEAR(channel(b, 0), 127, 1);
        EXPECT_EQ(at(target, x, 99), 0u);
        EXPECT_EQ(at(target, x, 102), 0u);
    }
}

TEST(DrawLine, SlopedLineSplitsEachColumnAndCoversItsEndColumnsInPart)
{
    Bitmap target = filled(16, 16, 0);
    // x-major from (4.5, 10) to (8.25, 11.5): slope trunc(0.4 x 65536) = 26214 per column; column 4 is
    // covered 32767 / 65536, column 8 16384 / 65536. Pixel += (255 x (w >> 1)) >> 15.
    drawLine(target, 4.5f, 10, 8.25f, 11.5f, 0, 0, 255);
    const uint32_t expected[][3] = {{4, 10, 127}, {5, 10, 152}, {5, 11, 101}, {6, 10, 50}, {6, 11, 203},
                                    {7, 11, 203}, {7, 12, 50},  {8, 11, 25},  {8, 12, 38}};
    Bitmap want = filled(16, 16, 0);
    for (const auto& [x, y, blue] : expected)
        want.row32(int32_t(y))[x] = blue;
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x)
            ASSERT_EQ(at(target, x, y), at(want, x, y)) << x << "," << y;
}

TEST(DrawLine, NeverDarkensAndSaturates)
{
    Bitmap target = filled(64, 64, 0x00f0f0f0);
    drawLine(target, 5, 20, 60, 20, 255, 255, 255);
    EXPECT_EQ(at(target, 30, 20), 0x00ffffffu);
    EXPECT_EQ(at(target, 30, 21), 0x00f0f0f0u); // weight 0 adds nothing
}

TEST(DrawLine, WithinTwoPixelsOfTheBorderDrawsNothing)
{
    Bitmap target = filled(32, 32, 0);
    drawLine(target, 0.5f, 3, 1.9f, 28, 255, 255, 255);
    drawLine(target, 3, 30.5f, 28, 31, 255, 255, 255);
    drawLine(target, std::numeric_limits<float>::quiet_NaN(), 3, 20, 20, 255, 255, 255);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x)
            ASSERT_EQ(at(target, x, y), 0u);
}

TEST(DrawLine, ClipsToTheBandAndStaysInside)
{
    Bitmap target = filled(40, 30, 0);
    drawLine(target, -100, -50, 200, 120, 255, 255, 255);
    drawLine(target, 20, -1000, 21, 1000, 255, 255, 255); // y-major through the middle
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x)
            if (x < 2 || y < 2 || x > 38 || y > 29) {
                ASSERT_EQ(at(target, x, y), 0u) << x << "," << y;
            }
    EXPECT_NE(at(target, 20, 15), 0u);
}

TEST(DrawLine, YMajorSplitsBetweenColumns)
{
    Bitmap target = filled(32, 32, 0);
    drawLine(target, 10.25f, 4, 10.25f, 20, 0, 0, 255);
    EXPECT_NEAR(channel(at(target, 10, 10), 0), 191, 1);
    EXPECT_NEAR(channel(at(target, 11, 10), 0), 63, 1);
}

namespace {

// A 256 x 256 texture whose texel (x, y) is (x, y, x ^ y).
Bitmap gradientTexture()
{
    Bitmap t(256, 256, Bitmap::FormatXrgb32);
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x)
            t.row32(y)[x] = (uint32_t(x) << 16) | (uint32_t(y) << 8) | uint32_t(x ^ y);
    return t;
}

} // namespace

TEST(DrawGrid, LightOf512DrawsTheTextureAtHalfBrightness)
{
    Bitmap texture = gradientTexture();
    GridMap grid(3, 2, 32, 16, &texture);
    for (int32_t gy = 0; gy < 2; ++gy)
        for (int32_t gx = 0; gx < 3; ++gx)
            grid.node(gx, gy) = GridNode{int16_t(gx * 64), int16_t(gy * 64), 512, 0};
    Bitmap target = filled(32, 16, 0);
    drawGrid(grid, target);
    // One texel per pixel: u = 4 per node step of 16 pixels -> 64 / 16 / 4 = 1 texel per pixel.
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 32; ++x) {
            const uint32_t t = texture.row32(y)[x];
            const uint32_t expect = (((t >> 16) & 255) / 2 << 16) | (((t >> 8) & 255) / 2 << 8) | ((t & 255) / 2);
            ASSERT_EQ(at(target, x, y), expect) << x << "," << y;
        }
}

TEST(DrawGrid, FullLightOf1020KeepsTexelScaledBy1020Over1024)
{
    Bitmap texture = filled(256, 256, 0x00ff8001);
    GridMap grid(2, 2, 16, 16, &texture);
    for (GridNode* n = grid.nodes(); n != grid.nodes() + 4; ++n)
        n->light = 1020;
    Bitmap target = filled(16, 16, 0);
    drawGrid(grid, target);
    EXPECT_EQ(at(target, 5, 5), (uint32_t(255 * 1020 / 1024) << 16) | (uint32_t(128 * 1020 / 1024) << 8) | 0u);
}

TEST(DrawGrid, WrapsTextureCoordinatesAt256)
{
    Bitmap texture = gradientTexture();
    GridMap grid(2, 2, 16, 16, &texture);
    // u = -4 texels at the left, v = 300 texels: texel column 252, row 44.
    for (GridNode* n = grid.nodes(); n != grid.nodes() + 4; ++n)
        *n = GridNode{int16_t(-16), int16_t(1200), 512, 0};
    Bitmap target = filled(16, 16, 0);
    drawGrid(grid, target);
    EXPECT_EQ(at(target, 0, 0), ((252u / 2) << 16) | ((44u / 2) << 8) | ((252u ^ 44u) / 2));
}

TEST(DrawGrid, FillsWithThreeGeneratorValuesWhereTheGridDoesNotReach)
{
    Bitmap texture = gradientTexture();
    GridMap grid(2, 2, 16, 16, &texture);
    Bitmap target = filled(20, 18, 0);
    Random::shared().seed(7);
    Random expect(7);
    const int r = expect.next() & 255, g = expect.next() & 255, b = expect.next() & 255;
    drawGrid(grid, target);
    const uint32_t fill = (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
    EXPECT_EQ(at(target, 16, 0), fill);
    EXPECT_EQ(at(target, 0, 16), fill);
    EXPECT_EQ(at(target, 0, 0), 0u); // light 0 in the grid
    EXPECT_EQ(Random::shared().next(), expect.next());
}

TEST(DrawGrid, MissingTextureDrawsOnlyTheFillAndStillDrawsThreeValues)
{
    Bitmap small = filled(128, 128, 0x00ffffff);
    GridMap grid(3, 3, 32, 32, &small);
    Bitmap target = filled(32, 32, 0);
    Random::shared().seed(3);
    drawGrid(grid, target);
    Random expect(3);
    const int r = expect.next() & 255, g = expect.next() & 255, b = expect.next() & 255;
    EXPECT_EQ(at(target, 9, 9), (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b));
    GridMap none(3, 3, 32, 32, nullptr);
    Bitmap empty;
    drawGrid(none, empty);
    for (int i = 0; i < 3; ++i)
        expect.next();
    EXPECT_EQ(Random::shared().next(), expect.next());
}

TEST(DrawGrid, InterpolatesLightAlongTheRow)
{
    Bitmap texture = filled(256, 256, 0x00808080);
    GridMap grid(2, 2, 16, 16, &texture);
    grid.node(0, 0).light = grid.node(0, 1).light = 0;
    grid.node(1, 0).light = grid.node(1, 1).light = 1024;
    Bitmap target = filled(16, 16, 0);
    drawGrid(grid, target);
    // Brightness steps by 1024 x 32 / 16 = 2048 per pixel: pixel 8 is at half light, 128 -> 64.
    EXPECT_EQ(channel(at(target, 8, 3), 0), 64);
    EXPECT_EQ(channel(at(target, 0, 3), 0), 0);
}

TEST(Water, FlatFieldCopiesThePictureExceptTheBorder)
{
    const int32_t w = 640, h = 6;
    Bitmap picture(w, h, Bitmap::FormatXrgb32);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            picture.row32(y)[x] = uint32_t(x * 7 + y * 1000);
    auto tables = std::make_unique<WaterTables>();
    buildWaterTables(*tables, w, h, picture);
    EXPECT_EQ(tables->rows[2048 + 3], 3 * w * 4);
    EXPECT_EQ(tables->rows[0], 0);
    EXPECT_EQ(tables->rows[4095], (h - 1) * w * 4);
    EXPECT_EQ(tables->columns[4095], (w - 1) * 4);
    std::vector<int16_t> heights(size_t(w * h), 0);
    Bitmap target = filled(w, h, 0x00abcdef);
    renderWater(*tables, picture, target, heights.data(), w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const bool written = y >= 1 && y <= h - 2 && x >= 1;
            ASSERT_EQ(at(target, x, y), written ? picture.row32(y)[x] : 0x00abcdefu) << x << "," << y;
        }
}

TEST(Water, SlopeShiftsDiagonallyAndHighlights)
{
    const int32_t w = 640, h = 5;
    Bitmap picture(w, h, Bitmap::FormatXrgb32);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            picture.row32(y)[x] = uint32_t(x) | (uint32_t(y) << 16);
    auto tables = std::make_unique<WaterTables>();
    buildWaterTables(*tables, w, h, picture);
    std::vector<int16_t> heights(size_t(w * h), 0);
    heights[3 * w + 9] = 100;  // below the sample of pixel (10, 2): d = 100, shift 3, highlight 25
    heights[1 * w + 20] = 200; // above the sample of pixel (21, 2): d = -200, shift -7, no highlight
    Bitmap target = filled(w, h, 0);
    renderWater(*tables, picture, target, heights.data(), w, h);
    EXPECT_EQ(at(target, 10, 2), (25u << 24) | ((4u + 25) << 16) | (25u << 8) | (13u + 25)); // top byte too
    EXPECT_EQ(at(target, 21, 2), (0u << 16) | 14u); // row 2 - 7 clamps to 0, column 14
}

TEST(Water, StepKeepsZeroAtZeroAndSpreadsARipple)
{
    const int32_t w = 640, h = 8;
    std::vector<int16_t> cur(size_t(w * h), 0), prev(size_t(w * h), 0);
    stepWater(cur.data(), prev.data(), w, h, 4);
    for (int16_t v : prev)
        ASSERT_EQ(v, 0);
    cur[4 * w + 100] = 1000;
    prev[4 * w + 100] = 50;
    stepWater(cur.data(), prev.data(), w, h, 4);
    // Neighbour of the drop: s = 1000, n = 250, damped 250 - 15 = 235.
    EXPECT_EQ(prev[3 * w + 101], 235);
    // The drop's own cell: s = 0, n = -50, -50 - (-4) = -46.
    EXPECT_EQ(prev[4 * w + 100], -46);
    EXPECT_EQ(prev[4 * w + 102], 0);
}

TEST(Water, StepKeepsLowSixteenBits)
{
    const int32_t w = 640, h = 3;
    std::vector<int16_t> cur(size_t(w * h), 32767), prev(size_t(w * h), -32768);
    stepWater(cur.data(), prev.data(), w, h, 31);
    // s = 8 x 32767, n = 65534 + 32768 = 98302; >> 31 is 0; low 16 bits of 98302 = 32766.
    EXPECT_EQ(prev[w + 5], int16_t(uint16_t(98302 & 0xffff)));
}

TEST(Random, FollowsTheLinearCongruentialSequenceFromSeedOne)
{
    Random r(1);
    EXPECT_EQ(r.next(), 41);
    EXPECT_EQ(r.next(), 18467);
    EXPECT_EQ(r.next(), 6334);
    EXPECT_EQ(r.next(), 26500);
}
