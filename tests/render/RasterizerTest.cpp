// Coverage, rounding, texture stepping and sorting of the triangle rasterizer.
#include "render/Rasterizer.h"
#include "render/Fixed.h"
#include "render/Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// A 256 x 256 texture whose texel (x, y) is 0x00yy00xx... plus a marker in the top byte.
std::vector<uint32_t> coordinateTexture()
{
    std::vector<uint32_t> t(256 * 256);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x)
            t[y * 256 + x] = 0x01000000u | (y << 8) | x;
    return t;
}

RasterVertex vertex(float x, float y, float u = 0, float v = 0)
{
    RasterVertex r;
    r.x = x;
    r.y = y;
    r.attributes[0] = u;
    r.attributes[1] = v;
    return r;
}

struct Target {
    int32_t width, height;
    std::vector<uint32_t> pixels;
    Target(int32_t w, int32_t h) : width(w), height(h), pixels(size_t(w * h), 0) { setupRasterizer(w, h, 32); }
    uint32_t at(int32_t x, int32_t y) const { return pixels[size_t(y * width + x)]; }
    void draw(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c, const uint32_t* texture,
              int32_t mode = TriangleParams::ModeTextured)
    {
        TriangleParams p;
        p.vertices[0] = a;
        p.vertices[1] = b;
        p.vertices[2] = c;
        p.mode = mode;
        p.destination = pixels.data();
        p.texture = texture;
        drawTriangle(p);
    }
    // First and one-past-last drawn column of row y, or (0, 0).
    std::pair<int32_t, int32_t> span(int32_t y) const
    {
        int32_t first = -1, last = -1;
        for (int32_t x = 0; x < width; ++x)
            if (at(x, y)) {
                if (first < 0)
                    first = x;
                last = x;
            }
        return first < 0 ? std::pair<int32_t, int32_t>{0, 0} : std::pair<int32_t, int32_t>{first, last + 1};
    }
    int64_t drawnCount() const
    {
        int64_t n = 0;
        for (uint32_t p : pixels)
            n += p != 0;
        return n;
    }
};

} // namespace

TEST(Rasterizer, RoundingPutsXOfTenAtColumnTenAndElevenAtTwelve)
{
    const auto texture = coordinateTexture();
    Target t(64, 32);
    t.draw(vertex(10.0f, 2), vertex(10.0f, 20), vertex(40, 20), texture.data());
    EXPECT_EQ(t.span(10).first, 10);
    Target t2(64, 32);
    t2.draw(vertex(11.0f, 2), vertex(11.0f, 20), vertex(40, 20), texture.data());
    EXPECT_EQ(t2.span(10).first, 12);
    // Rows: R(2.0) = 2 starts at row 2 (empty there: the corner), R(20.0) = 20 ends before row 20.
    EXPECT_EQ(t.span(1).second, 0);
    EXPECT_EQ(t.span(3), (std::pair<int32_t, int32_t>{10, 12}));
    EXPECT_NE(t.span(19).second, 0);
    EXPECT_EQ(t.span(20).second, 0);
}

TEST(Rasterizer, FlatTriangleDrawsNothing)
{
    const auto texture = coordinateTexture();
    Target t(64, 32);
    t.draw(vertex(1, 7.2f), vertex(50, 7.2f), vertex(30, 7.2f), texture.data());
    t.draw(vertex(1, 7.2f), vertex(50, 7.4f), vertex(30, 7.3f), texture.data()); // all round to row 7
    EXPECT_EQ(t.drawnCount(), 0);
}

TEST(Rasterizer, HorizontalTopEdgeStartsAtTheTopRow)
{
    const auto texture = coordinateTexture();
    Target t(64, 40);
    t.draw(vertex(10, 10), vertex(50, 10), vertex(30, 30), texture.data());
    EXPECT_EQ(t.span(10), (std::pair<int32_t, int32_t>{10, 50}));
    EXPECT_EQ(t.span(9).second, 0);
    EXPECT_EQ(t.span(20), (std::pair<int32_t, int32_t>{20, 40}));
    EXPECT_EQ(t.span(30).second, 0);
}

TEST(Rasterizer, RowZeroAndLastColumnAreNeverDrawn)
{
    const auto texture = coordinateTexture();
    Target t(640, 40);
    t.draw(vertex(-100, -30), vertex(900, -30), vertex(300, 200), texture.data());
    for (int32_t x = 0; x < 640; ++x)
        ASSERT_EQ(t.at(x, 0), 0u);
    EXPECT_EQ(t.span(1), (std::pair<int32_t, int32_t>{0, 639}));
    for (int32_t y = 1; y < 40; ++y)
        ASSERT_EQ(t.at(639, y), 0u);
}

TEST(Rasterizer, ClippedRowsMatchTheUnclippedTriangle)
{
    // The same triangle in a target tall enough to hold it, shifted down by a whole number of rows,
    // gives the same spans and texels: clipping at the top changes nothing below row 0.
    const auto texture = coordinateTexture();
    Target clipped(128, 64), whole(128, 128);
    clipped.draw(vertex(5.3f, -20.7f, 3, 9), vertex(100.6f, -4.2f, 250, 40), vertex(40.1f, 50.6f, 80, 300),
                 texture.data());
    whole.draw(vertex(5.3f, 43.3f, 3, 9), vertex(100.6f, 59.8f, 250, 40), vertex(40.1f, 114.6f, 80, 300),
               texture.data());
    for (int32_t y = 1; y < 64; ++y)
        for (int32_t x = 0; x < 128; ++x)
            ASSERT_EQ(clipped.at(x, y), whole.at(x, y + 64)) << x << "," << y;
}

TEST(Rasterizer, SpanLeftOfColumnZeroKeepsItsTextureCoordinate)
{
    const auto texture = coordinateTexture();
    Target t(64, 32);
    // u = x + 100.5 along every row: column c reads texel column c + 100.
    t.draw(vertex(-50, 2, 50.5f, 7), vertex(-50, 30, 50.5f, 7), vertex(60, 30, 160.5f, 7), texture.data());
    for (int32_t x = 0; x < 40; ++x)
        ASSERT_EQ(t.at(x, 29), 0x01000700u | uint32_t(x + 100)) << x;
}

TEST(Rasterizer, TextureCoordinatesWrapAt256)
{
    const auto texture = coordinateTexture();
    Target t(64, 32);
    t.draw(vertex(0, 2, 300.2f, -20.3f), vertex(0, 30, 300.2f, -20.3f), vertex(60, 30, 300.2f, -20.3f), texture.data());
    EXPECT_EQ(t.at(10, 20), 0x01000000u | (235u << 8) | 44u); // v = -20.3 lies in texel row 235
    Target t2(64, 32);
    t2.draw(vertex(0, 2, -20.0f, 300.0f), vertex(0, 30, -20.0f, 300.0f), vertex(60, 30, -20.0f, 300.0f),
            texture.data());
    EXPECT_EQ(t2.at(10, 20), 0x01000000u | (44u << 8) | 236u);
}

TEST(Rasterizer, SpanStartIsRoundedToTheNearestSixteenBitFraction)
{
    const auto texture = coordinateTexture();
    Target t(64, 32);
    // u = 7 - 2^-20: 458751.9375 in 16.16 rounds to 458752, texel column 7 (truncation would give 6).
    const float u = 7.0f - 1.0f / 1048576.0f;
    t.draw(vertex(0, 2, u, 3), vertex(0, 30, u, 3), vertex(60, 30, u, 3), texture.data());
    EXPECT_EQ(t.at(10, 20), 0x01000307u);
}

TEST(Rasterizer, LitModeModulatesThenAddsAmbientWithSaturation)
{
    std::vector<uint32_t> texture(256 * 256, 0x10ff8040u);
    Target t(32, 16);
    TriangleParams p;
    p.vertices[0] = vertex(0, 2);
    p.vertices[1] = vertex(30, 2);
    p.vertices[2] = vertex(0, 14);
    p.mode = TriangleParams::ModeTexturedLit;
    p.colour = 0x00808080u;
    p.ambient = 0x02900010u;
    p.destination = t.pixels.data();
    p.texture = texture.data();
    drawTriangle(p);
    // Bytes: (0x10 x 0) >> 8 + 2, min(255, 127 + 0x90), (0x80 x 0x80) >> 8 + 0, (0x40 x 0x80) >> 8 + 0x10.
    EXPECT_EQ(t.at(3, 4), 0x02ff4030u);
}

TEST(Rasterizer, SkipsBadTriangles)
{
    const auto texture = coordinateTexture();
    Target t(64, 32);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    t.draw(vertex(nan, 2), vertex(50, 20), vertex(10, 30), texture.data());
    t.draw(vertex(1, 2), vertex(50, inf), vertex(10, 30), texture.data());
    t.draw(vertex(1, 2, nan), vertex(50, 20), vertex(10, 30), texture.data());
    t.draw(vertex(1, 2), vertex(50, 20), vertex(10, 30), nullptr);
    t.draw(vertex(1, 2), vertex(50, 20), vertex(10, 30), texture.data(), 0x2);
    EXPECT_EQ(t.drawnCount(), 0);
    // Huge but finite coordinates are clipped, not looped over.
    t.draw(vertex(-3e12f, -1e12f), vertex(3e12f, -1e12f), vertex(10, 1e12f), texture.data());
    EXPECT_GT(t.drawnCount(), 0);
    EXPECT_EQ(setupRasterizer(640, 769, 32), 0);
    std::vector<uint32_t> tall(640 * 800, 0);
    TriangleParams p;
    p.vertices[0] = vertex(1, 1);
    p.vertices[1] = vertex(600, 700);
    p.vertices[2] = vertex(10, 790);
    p.destination = tall.data();
    p.texture = texture.data();
    drawTriangle(p); // refused setup: nothing drawn
    for (uint32_t v : tall)
        ASSERT_EQ(v, 0u);
}

TEST(Rasterizer, TriangleFanCoversItsPolygonWithNoGapAndNothingTwice)
{
    std::vector<uint32_t> texture(256 * 256, 1);
    Random random(99);
    for (int trial = 0; trial < 200; ++trial) {
        // Six corners on a circle (a convex polygon), each triangle from the centre to two neighbours.
        const float cx = float(random.next() % 9000) / 100.0f + 10.0f;
        const float cy = float(random.next() % 6000) / 100.0f + 5.0f;
        const float radius = float(random.next() % 5000) / 100.0f + 2.0f;
        RasterVertex corner[6];
        for (int i = 0; i < 6; ++i) {
            const float angle = 1.0471976f * float(i) + float(random.next() % 800 - 400) / 1000.0f;
            corner[i] = vertex(cx + radius * std::cos(angle), cy + radius * std::sin(angle), float(i), 0);
        }
        const RasterVertex centre = vertex(cx, cy);
        std::vector<int> count(128 * 96, 0);
        for (int i = 0; i < 6; ++i) {
            Target t(128, 96);
            // Corners in varying record order: the result must not depend on it.
            if (i % 2)
                t.draw(corner[(i + 1) % 6], centre, corner[i], texture.data());
            else
                t.draw(centre, corner[i], corner[(i + 1) % 6], texture.data());
            for (size_t k = 0; k < count.size(); ++k)
                count[k] += t.pixels[k] != 0;
        }
        for (int32_t y = 0; y < 96; ++y) {
            int32_t first = -1, last = -1;
            for (int32_t x = 0; x < 128; ++x) {
                const int c = count[size_t(y * 128 + x)];
                ASSERT_LE(c, 1) << "trial " << trial << " pixel " << x << "," << y << " drawn twice";
                if (c) {
                    if (first < 0)
                        first = x;
                    last = x;
                }
            }
            for (int32_t x = first; first >= 0 && x <= last; ++x)
                ASSERT_EQ(count[size_t(y * 128 + x)], 1) << "trial " << trial << " gap at " << x << "," << y;
        }
    }
}

TEST(RadixPass, EqualKeysKeepInputOrder)
{
    std::vector<RadixRecord> in, out(50);
    for (int32_t i = 0; i < 50; ++i)
        in.push_back({i, -i, 0x1234});
    radixPass(0, 50, in.data(), out.data());
    for (int32_t i = 0; i < 50; ++i)
        EXPECT_EQ(out[i].a, i);
}

TEST(RadixPass, PassesOverIncreasingShiftsSortNonNegativeKeysStably)
{
    Random random(4);
    std::vector<RadixRecord> a, b(500);
    for (int32_t i = 0; i < 500; ++i)
        a.push_back({i, 0, (random.next() << 16) ^ (random.next() % 7)});
    for (int32_t shift : {0, 8, 16, 20, 24, 28}) {
        radixPass(shift, 500, a.data(), b.data());
        std::swap(a, b);
    }
    for (size_t i = 1; i < a.size(); ++i) {
        ASSERT_LE(a[i - 1].key, a[i].key);
        if (a[i - 1].key == a[i].key) {
            ASSERT_LT(a[i - 1].a, a[i].a);
        }
    }
}

TEST(RadixPass, NegativeKeysSortAfterPositiveOnes)
{
    std::vector<RadixRecord> a = {{0, 0, -5}, {1, 0, 7}}, b(2);
    for (int32_t shift : {0, 8, 16, 24}) {
        radixPass(shift, 2, a.data(), b.data());
        std::swap(a, b);
    }
    EXPECT_EQ(a[0].key, 7);
    EXPECT_EQ(a[1].key, -5);
}

// The span set-up converts u and v in pairs; each lane must give the low 32 bits of its nearest integer
// (halves to even), inside and outside the range one 32-bit conversion covers, in either lane.
TEST(FixedLow32Pair, EachLaneIsTheLowWordOfItsNearestInteger)
{
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        uint32_t expected;
    } cases[] = {
        {1.5, 2u},
        {2.5, 2u},
        {-1.5, 0xFFFFFFFEu},
        {2147483647.5, 0x80000000u},     // rounds to 2^31
        {-2147483649.5, 0x7FFFFFFEu},    // -2^31 - 2: beyond the 32-bit conversion
        {4294967301.5, 6u},              // 2^32 + 6
        {1099511627776.0 * 3 + 7, 7u},   // 3 x 2^40 + 7
        {nan, 0u},
        {inf, 0u},
    };
    for (const auto& a : cases)
        for (const auto& b : cases) {
            uint32_t first = 1, second = 1;
            fixedLow32Pair(Double2{a.value, b.value}, first, second);
            EXPECT_EQ(first, a.expected) << a.value << " beside " << b.value;
            EXPECT_EQ(second, b.expected) << b.value << " beside " << a.value;
        }
}
