// The span buffer keeps every row a tiling, resolves depth per column like a brute-force nearest-depth
// reference, covers exactly the rows and columns its rounding rule names, and draws the Part's exact cases.
#include "render/RenderContext.h"

#include "display/OfflineDisplay.h"
#include "render/SpanDraw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

JScreenVertex corner(float x, float y, float depth, int red = 0, int green = 0, int blue = 0, float u = 0, float v = 0)
{
    JScreenVertex c;
    c.x = x;
    c.y = y;
    c.depth = depth;
    c.red = uint8_t(red);
    c.green = uint8_t(green);
    c.blue = uint8_t(blue);
    c.u = u;
    c.v = v;
    return c;
}

using Polygon = std::vector<JScreenVertex>;

int draw(RenderContext& context, const Polygon& polygon)
{
    std::vector<const JScreenVertex*> pointers;
    for (const JScreenVertex& c : polygon)
        pointers.push_back(&c);
    return context.drawPolygon(pointers.data(), int(pointers.size()));
}

Polygon rectangle(float x0, float y0, float x1, float y1, float depth, int red = 0, int green = 0)
{
    return {corner(x0, y0, depth, red, green), corner(x1, y0, depth, red, green), corner(x1, y1, depth, red, green),
            corner(x0, y1, depth, red, green)};
}

void untextured(RenderContext& context)
{
    context.setTextureMode(1);
    context.setShadeMode(1);
}

// I1 and I2: each row is the sentinel then spans tiling 0 .. width - 1 with consistent links, and the
// spans linked are exactly the spans in use, never more than the pool holds. Empty when all hold.
std::string rowFault(const RenderContext& context)
{
    int linked = 0;
    for (int y = 0; y < context.height(); ++y) {
        const Span* s = context.rowHead(y);
        if (s->x0 != -4 || s->x1 != -4 || s->previous)
            return "row " + std::to_string(y) + ": bad sentinel";
        int expect = 0;
        for (++linked; s->next; s = s->next, ++linked) {
            if (s->next->previous != s)
                return "row " + std::to_string(y) + ": broken back link";
            if (s->next->x0 != expect || s->next->x1 < s->next->x0)
                return "row " + std::to_string(y) + ": gap or overlap at " + std::to_string(expect);
            expect = s->next->x1 + 1;
        }
        if (expect != context.width())
            return "row " + std::to_string(y) + ": ends at " + std::to_string(expect - 1);
    }
    if (linked != context.spansInUse() || context.spansInUse() > context.spanCapacity())
        return "linked " + std::to_string(linked) + ", in use " + std::to_string(context.spansInUse());
    return {};
}

// A polygon's own span of each row (drawn alone, it wins its whole row span): columns, and the depth
// line evaluated in float from its start and step, as every span evaluates it.
struct RowSpan {
    int x0 = 0, x1 = -1, origin = 0;
    float w = 0, dw = 0;
    float depth(int x) const { return w + dw * float(x - origin); }
};

std::vector<RowSpan> ownSpans(const Polygon& polygon, int width, int height)
{
    RenderContext alone(nullptr, width, height);
    untextured(alone);
    alone.beginFrame();
    draw(alone, polygon);
    std::vector<RowSpan> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        for (const Span* s = alone.rowHead(y)->next; s; s = s->next)
            if (s->kind != SpanSkip)
                rows[size_t(y)] = {s->x0, s->x1, s->origin, s->w, s->dw};
    return rows;
}

// Random convex polygons partly outside the frame, either winding, depths varying across each polygon so
// that many cross; with `ties`, every third one lies flat at depth 4 (equal depths, the earlier wins).
// Polygon i has the constant colour red = i + 1, green = 40.
std::vector<Polygon> soup(std::mt19937& random, int count, int width, int height, bool ties)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<Polygon> polygons;
    for (int i = 0; i < count; ++i) {
        const float cx = -8 + unit(random) * (width + 16), cy = -8 + unit(random) * (height + 16);
        const float radius = 2 + unit(random) * 30, z = 1 + unit(random) * 9;
        const int corners = 3 + int(random() % 3);
        std::vector<float> angles;
        for (int k = 0; k < corners; ++k)
            angles.push_back(unit(random) * 6.2831853f);
        std::sort(angles.begin(), angles.end());
        if (random() % 2)
            std::reverse(angles.begin(), angles.end());
        Polygon p;
        for (float a : angles)
            p.push_back(corner(cx + radius * std::cos(a), cy + radius * std::sin(a),
                               ties && i % 3 == 0 ? 4.0f : z * (0.6f + unit(random) * 0.8f), i + 1, 40, 0,
                               unit(random) * 600 - 300, unit(random) * 600 - 300));
        polygons.push_back(p);
    }
    return polygons;
}

} // namespace

TEST(RenderContext, AfterEveryPolygonRowsTileTheNearestWinsAndOnlyVisibleSpansPaint)
{
    constexpr int kWidth = 64, kHeight = 48, kGuard = 6;
    std::mt19937 random(2024);
    for (int round = 0; round < 12; ++round) {
        OfflineDisplay display(kWidth + kGuard, kHeight + kGuard);
        Bitmap& frame = display.backBuffer();
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                frame.row32(y)[x] = random() & 0xffffff;
        const Bitmap before = [&] {
            Bitmap b(frame.width(), frame.height(), Bitmap::FormatXrgb32);
            std::memcpy(b.pixels(), frame.pixels(), size_t(frame.pitch()) * size_t(frame.height()));
            return b;
        }();

        RenderContext context(&display, kWidth, kHeight);
        untextured(context);
        context.beginFrame();
        ASSERT_EQ(context.spansInUse(), 2 * kHeight);
        const std::vector<Polygon> polygons = soup(random, 40, kWidth, kHeight, true);
        std::vector<std::vector<RowSpan>> own;
        for (const Polygon& p : polygons) {
            draw(context, p);
            own.push_back(ownSpans(p, kWidth, kHeight));
            ASSERT_EQ(rowFault(context), "") << "round " << round << " polygon " << own.size();
            ASSERT_EQ(context.droppedPieces(), 0);
            // I4: the largest w wins, the earlier polygon on a tie, the background (1e-12) below all.
            for (int y = 0; y < kHeight; ++y) {
                for (const Span* s = context.rowHead(y)->next; s; s = s->next) {
                    for (int x = s->x0; x <= s->x1; ++x) {
                        int owner = 0;
                        float best = 1e-12f;
                        for (size_t i = 0; i < own.size(); ++i) {
                            const RowSpan& r = own[i][size_t(y)];
                            if (x >= r.x0 && x <= r.x1 && r.depth(x) > best) {
                                best = r.depth(x);
                                owner = int(i) + 1;
                            }
                        }
                        ASSERT_EQ(s->kind == SpanSkip ? 0 : s->r, owner)
                            << "round " << round << " pixel " << x << "," << y << " after " << own.size();
                    }
                }
            }
            // I3: endFrame paints every visible span with its colour and leaves background pixels (kind
            // 0xffff) and everything outside the context's frame as they were.
            context.endFrame();
            for (int y = 0; y < frame.height(); ++y) {
                const Span* s = y < kHeight ? context.rowHead(y)->next : nullptr;
                for (int x = 0; x < frame.width(); ++x) {
                    while (s && s->x1 < x)
                        s = s->next;
                    const bool painted = s && x < kWidth && s->kind != SpanSkip;
                    const uint32_t expect = painted ? uint32_t(s->r << 16 | 40 << 8) : before.row32(y)[x];
                    ASSERT_EQ(frame.row32(y)[x], expect) << x << "," << y;
                }
            }
        }
    }
}

TEST(RenderContext, TexturedPictureDoesNotDependOnDrawingOrder)
{
    constexpr int kWidth = 96, kHeight = 64;
    std::mt19937 random(77);
    Bitmap picture(256, 256, Bitmap::FormatXrgb32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            picture.row32(y)[x] = random() & 0xffffff;
    for (int round = 0; round < 6; ++round) {
        std::vector<Polygon> polygons = soup(random, 30, kWidth, kHeight, false);
        for (Polygon& p : polygons)
            for (JScreenVertex& c : p)
                c.green = uint8_t(random()), c.blue = uint8_t(random()), c.red = uint8_t(random());
        uint32_t frames[2][kHeight][kWidth];
        for (int order = 0; order < 2; ++order) {
            OfflineDisplay display(kWidth, kHeight);
            RenderContext context(&display, kWidth, kHeight);
            context.setTexture(context.addTexture(picture));
            context.setTextureMode(2);
            context.setShadeMode(1);
            context.setTextureBlend(2);
            context.setClearBackground(1);
            context.beginFrame();
            for (size_t i = 0; i < polygons.size(); ++i)
                draw(context, polygons[order ? polygons.size() - 1 - i : i]);
            context.endFrame();
            for (int y = 0; y < kHeight; ++y)
                std::memcpy(frames[order][y], display.backBuffer().row32(y), sizeof frames[order][y]);
        }
        ASSERT_EQ(std::memcmp(frames[0], frames[1], sizeof frames[0]), 0) << "round " << round;
    }
}

TEST(RenderContext, RectanglesCoverRowsAndColumnsOfTheRoundingRule)
{
    // I6: row y is covered iff R(ymin - 1/2) <= y < R(ymax - 1/2), R rounding halves to even; with the
    // coordinates multiples of 1/8 that is nearbyint(ymin) <= y < nearbyint(ymax), and alike for columns.
    constexpr int kWidth = 40, kHeight = 30;
    std::mt19937 random(5);
    RenderContext context(nullptr, kWidth, kHeight);
    untextured(context);
    for (int i = 0; i < 300; ++i) {
        float c[4];
        for (float& v : c)
            v = float(int(random() % 400) - 40) / 8;
        const float x0 = std::min(c[0], c[1]), x1 = std::max(c[0], c[1]);
        const float y0 = std::min(c[2], c[3]), y1 = std::max(c[2], c[3]);
        context.beginFrame();
        Polygon p = rectangle(x0, y0, x1, y1, 2, 9);
        if (i % 2)
            std::reverse(p.begin(), p.end());
        draw(context, p);
        for (int y = 0; y < kHeight; ++y)
            for (const Span* s = context.rowHead(y)->next; s; s = s->next)
                for (int x = s->x0; x <= s->x1; ++x) {
                    const bool inside = std::nearbyint(y0) <= y && y < std::nearbyint(y1) && std::nearbyint(x0) <= x &&
                                        x < std::nearbyint(x1);
                    ASSERT_EQ(s->kind != SpanSkip, inside) << x0 << ".." << x1 << " x " << y0 << ".." << y1;
                }
    }
}

TEST(RenderContext, ExactCoverageAndPoolCounts)
{
    OfflineDisplay display(640, 480);
    RenderContext context(&display, 640, 480);
    untextured(context);
    context.setBackground(1, 2, 3);
    context.setClearBackground(1);
    context.beginFrame();
    EXPECT_EQ(context.spansInUse(), 960);
    draw(context, rectangle(10, 10, 20, 20, 1, 200));
    EXPECT_EQ(context.spansInUse(), 980); // ten rows, each gains the square and the background's right part
    // Farther than the background span (w below 1e-12): never visible, the pool stays as it was.
    draw(context, rectangle(200, 200, 300, 300, 2e12f, 50));
    EXPECT_EQ(context.spansInUse(), 980);
    // A triangle within rows 10.2 .. 10.4 rounds to no row and leaves the pool alone.
    draw(context, {corner(100, 10.2f, 1, 50), corner(150, 10.3f, 1, 50), corner(120, 10.4f, 1, 50)});
    EXPECT_EQ(context.spansInUse(), 980);
    // Half-pixel corners: 10.5 .. 12.5 covers 10, 11; 11.5 .. 13.5 covers 12, 13 (halves to even).
    draw(context, rectangle(300.5f, 300.5f, 302.5f, 302.5f, 1, 100));
    draw(context, rectangle(311.5f, 311.5f, 313.5f, 313.5f, 1, 101));
    context.endFrame();
    int square = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const uint32_t p = display.backBuffer().row32(y)[x];
            if (p == 200u << 16) {
                ++square;
                EXPECT_TRUE(x >= 10 && x <= 19 && y >= 10 && y <= 19) << x << "," << y;
            } else if (p == 100u << 16) {
                EXPECT_TRUE(x >= 300 && x <= 301 && y >= 300 && y <= 301) << x << "," << y;
            } else if (p == 101u << 16) {
                EXPECT_TRUE(x >= 312 && x <= 313 && y >= 312 && y <= 313) << x << "," << y;
            } else {
                ASSERT_EQ(p, 0x010203u) << x << "," << y;
            }
        }
    EXPECT_EQ(square, 100);
    EXPECT_EQ(display.backBuffer().row32(301)[301], 100u << 16);
    EXPECT_EQ(display.backBuffer().row32(313)[313], 101u << 16);
}

TEST(RenderContext, GouraudRampAndOneToOneTextureValues)
{
    OfflineDisplay display(128, 64);
    RenderContext context(&display, 128, 64);
    untextured(context);
    context.beginFrame();
    draw(context, {corner(0, 0, 1, 0), corner(64, 0, 1, 255), corner(64, 4, 1, 255), corner(0, 4, 1, 0)});
    context.endFrame();
    const int columns[] = {0, 1, 2, 31, 32, 62, 63}, reds[] = {1, 4, 8, 124, 128, 248, 252};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(display.backBuffer().row32(0)[columns[i]], uint32_t(reds[i]) << 16) << "x = " << columns[i];

    // u = x, v = y, kind 0x82: pixel (c, r) reads texel (c + 1, r + 1), the texels' half-texel shift.
    Bitmap picture(256, 256, Bitmap::FormatXrgb32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            picture.row32(y)[x] = uint32_t(y << 8 | x);
    context.setTexture(context.addTexture(picture));
    context.setTextureMode(2);
    context.setTextureBlend(1);
    ASSERT_EQ(context.spanKind(), SpanTextured);
    context.beginFrame();
    Polygon p;
    for (auto [x, y] : {std::pair{0.0f, 8.0f}, {120.0f, 8.0f}, {120.0f, 60.0f}, {0.0f, 60.0f}})
        p.push_back(corner(x, y, 3, 0, 0, 0, x, y));
    draw(context, p);
    context.endFrame();
    for (int r = 8; r < 60; ++r)
        for (int c = 0; c < 120; ++c)
            ASSERT_EQ(display.backBuffer().row32(r)[c], uint32_t((r + 1) << 8 | (c + 1))) << c << "," << r;
}

TEST(RenderContext, PerspectiveSegmentLengthsByDepthSpread)
{
    // |dw x n| = 2.0, 1.5, 1.0, 0.75, 0.5 (exact in float); > 1.5 gives 8, > 0.8 gives 16, else 64.
    EXPECT_EQ(perspectiveSegmentLength(0.25f, 8), 8);
    EXPECT_EQ(perspectiveSegmentLength(-0.1875f, 8), 16);
    EXPECT_EQ(perspectiveSegmentLength(0.125f, 8), 16);
    EXPECT_EQ(perspectiveSegmentLength(-0.09375f, 8), 64);
    EXPECT_EQ(perspectiveSegmentLength(0.0625f, 8), 64);
}

TEST(RenderContext, ModesDeriveKindAndAttributes)
{
    RenderContext context(nullptr, 8, 8);
    EXPECT_EQ(context.spanKind(), SpanSkip);
    EXPECT_EQ(context.spanAttributes(), 1);
    context.setTextureMode(1);
    context.setShadeMode(1);
    EXPECT_EQ(context.spanKind(), SpanGouraud);
    EXPECT_EQ(context.spanAttributes(), 0x3);
    context.setTextureMode(2);
    EXPECT_EQ(context.spanKind(), SpanSkip); // blend 0 draws nothing, the attributes stay
    EXPECT_EQ(context.spanAttributes(), 0x3);
    context.setTextureBlend(1);
    EXPECT_EQ(context.spanKind(), SpanTextured);
    EXPECT_EQ(context.spanAttributes(), 0x9);
    context.setTextureBlend(2);
    EXPECT_EQ(context.spanKind(), SpanTexturedShaded);
    EXPECT_EQ(context.spanAttributes(), 0xB);
    context.setShadeMode(2);
    EXPECT_EQ(context.spanKind(), SpanSkip);
}

TEST(RenderContext, TexturesAreToldApartByTheWholePicture)
{
    RenderContext context(nullptr, 8, 8);
    Bitmap a(16, 64, Bitmap::FormatRgb24), b(16, 64, Bitmap::FormatRgb24);
    b.row(63)[47] = 1; // differs only in the last byte
    const Bitmap* ta = context.addTexture(a);
    ASSERT_NE(ta, nullptr);
    EXPECT_EQ(ta->width(), 256);
    EXPECT_EQ(ta->format(), Bitmap::FormatXrgb32);
    EXPECT_EQ(context.addTexture(a), ta);
    EXPECT_NE(context.addTexture(b), ta);
    EXPECT_EQ(context.addTexture(Bitmap()), nullptr);
    for (int i = 2; i < RenderContext::kMaxTextures; ++i) {
        Bitmap c(4, 4, Bitmap::FormatGrey8);
        c.pixels()[0] = uint8_t(i), c.pixels()[1] = uint8_t(i >> 8);
        ASSERT_NE(context.addTexture(c), nullptr);
    }
    EXPECT_EQ(context.addTexture(Bitmap(5, 5, Bitmap::FormatGrey8)), nullptr); // the table is full
    context.freeTextures();
    EXPECT_EQ(context.textureCount(), 0);
}

TEST(RenderContext, FullPoolDropsPiecesAndRowsStayTiled)
{
    RenderContext context(nullptr, 640, 4);
    untextured(context);
    context.beginFrame();
    for (int i = 0; i < 100; ++i)
        draw(context, rectangle(6.0f * i, 0, 6.0f * i + 3, 4, 1, i));
    EXPECT_GT(context.droppedPieces(), 0);
    EXPECT_EQ(rowFault(context), "");
    context.beginFrame();
    EXPECT_EQ(context.droppedPieces(), 0);
    EXPECT_EQ(context.spansInUse(), 8);
}

TEST(RenderContext, UnusableCornersDrawNothingAndHugeOnesAreClipped)
{
    RenderContext context(nullptr, 64, 48);
    untextured(context);
    EXPECT_EQ(draw(context, rectangle(0, 0, 9, 9, 1)), 1); // before the first frame: nothing to draw into
    context.endFrame();
    context.beginFrame();
    EXPECT_EQ(draw(context, {corner(0, 0, 1), corner(10, 10, 1)}), 0);
    const float nan = std::nanf(""), inf = INFINITY;
    for (const Polygon& p : {Polygon{corner(nan, 0, 1), corner(40, 0, 1), corner(40, 40, 1)},
                             Polygon{corner(0, 0, 1), corner(40, inf, 1), corner(40, 40, 1)},
                             Polygon{corner(0, 0, 1), corner(40, 0, 0), corner(40, 40, 1)},
                             Polygon{corner(0, 0, 1), corner(40, 0, -2), corner(40, 40, 1)}}) {
        EXPECT_EQ(draw(context, p), 1);
        EXPECT_EQ(context.spansInUse(), 96);
    }
    draw(context, rectangle(-1e30f, -1e30f, 1e30f, 1e30f, 1, 7));
    EXPECT_EQ(rowFault(context), "");
    for (int y = 0; y < 48; ++y)
        EXPECT_EQ(context.rowHead(y)->next->r, 7);

    // Extreme but usable corners, textured: the rows stay tilings and drawing them reads nothing outside
    // the texture (the sanitizer build checks every conversion on the way).
    OfflineDisplay display(64, 48);
    RenderContext textured(&display, 64, 48);
    Bitmap picture(256, 256, Bitmap::FormatXrgb32);
    textured.setTexture(textured.addTexture(picture));
    textured.setTextureMode(2);
    textured.setShadeMode(1);
    textured.setTextureBlend(2);
    textured.beginFrame();
    const float values[] = {-1e30f, -1e9f, -3.5f, 0, 1e-30f, 0.5f, 20, 47.5f, 1e9f, 1e30f, nan};
    std::mt19937 random(1);
    for (int i = 0; i < 3000; ++i) {
        Polygon p;
        for (int k = 0; k < 3 + i % 3; ++k)
            p.push_back(corner(values[random() % 10], values[random() % 10], std::fabs(values[random() % 10]) + 1e-30f,
                               int(random() % 256), 0, 0, values[random() % 11], values[random() % 11]));
        draw(textured, p);
    }
    EXPECT_EQ(rowFault(textured), "");
    textured.endFrame();
}
