#include "render/Rasterizer.h"

#include "render/Fixed.h"
#include "render/PixelKernels.h"
#include "render/SpanKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int32_t kMaxRows = 768;

struct RasterTarget {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    int32_t rowOffset[kMaxRows] = {}; // first pixel of each row, in pixels
};

RasterTarget g_target;

// R(a): a + 0.5 rounded to the nearest integer, halves to even.
inline int64_t roundRow(double a)
{
    return nearestInt64(a + 0.5);
}

// Beyond this a coordinate cannot matter to a 768-row target; it keeps the row arithmetic in 64 bits.
constexpr double kMaxScreen = 1e15;

// An edge's x, and its u and v as one pair.
struct Edge {
    double x, dx;
    Double2 uv, duv;

    // The edge from `a` to `b` positioned at row `row`; an edge without height gets zero slopes.
    void start(const RasterVertex& a, const RasterVertex& b, int64_t row)
    {
        const Double2 from = {a.attributes[0], a.attributes[1]};
        const double height = double(b.y) - double(a.y);
        if (height != 0) {
            dx = (double(b.x) - a.x) / height;
            const Double2 to = {b.attributes[0], b.attributes[1]};
            duv = (to - from) / height;
        } else {
            dx = 0;
            duv = Double2{0, 0};
        }
        const double pre = double(row) - a.y;
        x = a.x + dx * pre;
        uv = from + duv * pre;
    }
    void step()
    {
        x += dx;
        uv += duv;
    }
};

// R(x) for a span end; far-off values are pinned where they cannot reach the target.
inline int64_t toColumn(double x)
{
    return nearestInt64(std::clamp(x + 0.5, -kMaxScreen, kMaxScreen)); // the bounds are whole numbers
}

// One row's span, ready for the span loop.
struct RowSpan {
    uint32_t* dst;
    int32_t count;
    uint32_t u, du, v, dv;
};

// The span of row y between edges a and b, or false when the row draws nothing.
bool rowSpan(const TriangleParams& p, int64_t y, const Edge& a, const Edge& b, RowSpan& out)
{
    // Left and right picked by value, so the edges can stay in registers from row to row.
    const bool ordered = a.x <= b.x;
    const double leftX = ordered ? a.x : b.x, rightX = ordered ? b.x : a.x;
    const Double2 leftUv = ordered ? a.uv : b.uv, rightUv = ordered ? b.uv : a.uv;
    if (!std::isfinite(leftX) || !std::isfinite(rightX))
        return false;
    const double wf = rightX - leftX;
    int64_t il = toColumn(leftX), ir = toColumn(rightX);
    double pre = double(il) - leftX;
    const int32_t width = g_target.width;
    if (il >= width || ir <= 0)
        return false;
    if (il < 0) {
        pre -= double(il);
        il = 0;
    }
    if (ir >= width - 1)
        ir = width - 1;
    const int64_t n = ir - il;
    if (n <= 0)
        return false;
    const Double2 duv = (rightUv - leftUv) / wf;
    fixedLow32Pair((leftUv + duv * pre) * 65536.0, out.u, out.v);
    fixedLow32Pair(duv * 65536.0, out.du, out.dv);
    out.dst = p.destination + g_target.rowOffset[y] + il;
    out.count = int32_t(n);
    return true;
}

// The rows of the triangle being drawn: all spans are worked out first, then drawn in one go, so the
// arithmetic of consecutive rows overlaps instead of waiting on each span loop.
RowSpan g_rows[kMaxRows];

void drawRows(const TriangleParams& p, int32_t rows)
{
    if (p.mode == TriangleParams::ModeTextured) {
        const auto textured = spanKernels().textured;
        for (int32_t r = 0; r < rows; ++r)
            textured(g_rows[r].dst, g_rows[r].count, p.texture, {g_rows[r].u, g_rows[r].du, g_rows[r].v, g_rows[r].dv});
        return;
    }
    const auto lit = pixelKernels().litSpan;
    for (int32_t r = 0; r < rows; ++r) {
        const RowSpan& s = g_rows[r];
        lit(s.dst, p.texture, s.count, s.u, s.du, s.v, s.dv, p.colour, p.ambient);
    }
}

} // namespace

int setupRasterizer(int32_t width, int32_t height, int32_t bitsPerPixel)
{
    if (width < 1 || height < 1 || height > kMaxRows) {
        g_target.width = g_target.height = 0;
        return 0;
    }
    g_target.width = width;
    g_target.height = height;
    g_target.bitsPerPixel = bitsPerPixel;
    for (int32_t y = 0; y < height; ++y)
        g_target.rowOffset[y] = y * width;
    return 1;
}

void drawTriangle(const TriangleParams& p)
{
    if (!p.destination || !p.texture || p.textureDepth != 32 || g_target.height <= 0)
        return;
    if (p.mode != TriangleParams::ModeTextured && p.mode != TriangleParams::ModeTexturedLit)
        return;
    for (const RasterVertex& c : p.vertices) {
        if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.attributes[0]) ||
            !std::isfinite(c.attributes[1]) || std::fabs(c.y) > kMaxScreen || std::fabs(c.x) > kMaxScreen)
            return;
    }
    const RasterVertex* v = p.vertices;
    int top = 0;
    if (v[1].y < v[top].y)
        top = 1;
    if (v[2].y < v[top].y)
        top = 2;
    int bottom = 2;
    if (v[0].y > v[bottom].y)
        bottom = 0;
    if (v[1].y > v[bottom].y)
        bottom = 1;
    const int middle = 3 - top - bottom;
    const RasterVertex& t = v[top];
    const RasterVertex& m = v[middle];
    const RasterVertex& b = v[bottom];
    const int64_t yTop = roundRow(t.y), yMid = roundRow(m.y), yBot = roundRow(b.y);
    if (yTop == yBot)
        return;
    const int64_t end = std::min<int64_t>(yBot, g_target.height);
    if (end <= 1)
        return; // row 0 is never drawn
    // Rows above row 1 are never drawn: the edges start at the first drawn row, placed there directly.
    const int64_t first = std::max<int64_t>(yTop, 1);
    Edge longEdge, shortEdge;
    longEdge.start(t, b, first);
    if (first < yMid)
        shortEdge.start(t, m, first);
    else
        shortEdge.start(m, b, first);
    int32_t rows = 0;
    for (int64_t y = first; y < end; ++y) {
        if (y == yMid && y != first)
            shortEdge.start(m, b, yMid);
        rows += rowSpan(p, y, longEdge, shortEdge, g_rows[rows]);
        longEdge.step();
        shortEdge.step();
    }
    drawRows(p, rows);
}

void radixPass(int32_t shift, int32_t count, const RadixRecord* input, RadixRecord* output)
{
    if (count <= 0 || !input || !output)
        return;
    shift = std::clamp(shift, 0, 31);
    int32_t start[256] = {};
    for (int32_t i = 0; i < count; ++i)
        ++start[(input[i].key >> shift) & 255];
    int32_t sum = 0;
    for (int32_t& s : start) {
        const int32_t c = s;
        s = sum;
        sum += c;
    }
    for (int32_t i = 0; i < count; ++i)
        output[start[(input[i].key >> shift) & 255]++] = input[i];
}
