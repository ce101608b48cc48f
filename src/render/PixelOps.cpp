#include "render/PixelOps.h"

#include "data/Bitmap.h"
#include "render/Fixed.h"
#include "render/GridMap.h"
#include "render/PixelKernels.h"
#include "render/Random.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool usable32(const Bitmap& image)
{
    return image.pixels() && image.format() == Bitmap::FormatXrgb32 && image.width() > 0 && image.height() > 0;
}

// Positions beyond this are refused: they would only clip away, and their products must stay in 64 bits.
constexpr double kMaxCoordinate = 1073741824.0;

bool sane(float value)
{
    return std::isfinite(value) && std::fabs(value) <= kMaxCoordinate;
}

// The routine shared by blitAdd (steps of exactly one texel) and blitScaledAdd.
void blitModulated(const Bitmap& source, Bitmap& target, int64_t x, int64_t y, int64_t w, int64_t h, uint64_t stepU,
                   uint64_t stepV, bool scaled, uint32_t colour)
{
    const int64_t targetWidth = target.width(), targetHeight = target.height();
    if (x >= targetWidth || y >= targetHeight)
        return;
    const int64_t skipX = x < 0 ? -x : 0, skipY = y < 0 ? -y : 0;
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min(x + w, targetWidth), y1 = std::min(y + h, targetHeight);
    if (x1 <= 0 || y1 <= 0 || x1 <= x0 || y1 <= y0)
        return;
    const int64_t sourceWidth = source.width(), sourceHeight = source.height();
    int64_t u = int64_t((stepU * uint64_t(skipX)) >> 16);
    int64_t v = int64_t((stepV * uint64_t(skipY)) >> 16);
    u %= sourceWidth; // non-negative already; the fractions are dropped
    v %= sourceHeight;
    uint64_t vFixed = uint64_t(v) << 16;
    const uint64_t vLimit = uint64_t(sourceHeight) << 16;
    const int32_t count = int32_t(x1 - x0);
    // The row reads consecutive source pixels from column u; with the steps above the last one read is
    // still inside the source row (sum of the floors <= floor of the sum < source width).
    const PixelKernels& kernels = pixelKernels();
    for (int64_t row = y0; row < y1; ++row) {
        const uint32_t* src = source.row32(int32_t(vFixed >> 16)) + u;
        uint32_t* dst = target.row32(int32_t(row)) + x0;
        if (scaled)
            kernels.blitScaledRow(dst, src, count, uint32_t(stepU), colour);
        else
            kernels.blitRow(dst, src, count, colour);
        vFixed += stepV;
        if (vFixed >= vLimit)
            vFixed -= vLimit;
    }
}

} // namespace

void addColor(Bitmap& image, int r, int g, int b)
{
    if (image.format() != Bitmap::FormatXrgb32 || !image.pixels() || image.height() <= 0)
        return;
    pixelKernels().addColor(image.pixels(), image.width() / 4, image.height(), image.pitch(), packColor(r, g, b));
}

void subtractColor(Bitmap& image, int r, int g, int b)
{
    if (image.format() != Bitmap::FormatXrgb32 || !image.pixels() || image.height() <= 0)
        return;
    pixelKernels().subtractColor(image.pixels(), image.width() / 4, image.height(), image.pitch(), packColor(r, g, b));
}

void blitAdd(const Bitmap& source, Bitmap& target, float x, float y, int r, int g, int b)
{
    if (!usable32(source) || !usable32(target) || !sane(x) || !sane(y))
        return;
    blitModulated(source, target, int64_t(x), int64_t(y), source.width(), source.height(), 65536, 65536, false,
                  packColor(r, g, b));
}

void blitScaledAdd(const Bitmap& source, Bitmap& target, float x, float y, float w, float h, int r, int g, int b)
{
    if (!(w >= 1.0f) || !(h >= 1.0f))
        return;
    if (!usable32(source) || !usable32(target) || !sane(x) || !sane(y) || !sane(w) || !sane(h))
        return;
    const int64_t wi = int64_t(w), hi = int64_t(h);
    const uint64_t stepU = (uint64_t(source.width()) << 16) / uint64_t(wi);
    const uint64_t stepV = (uint64_t(source.height()) << 16) / uint64_t(hi);
    blitModulated(source, target, int64_t(x), int64_t(y), wi, hi, stepU, stepV, true, packColor(r, g, b));
}

namespace {

// Adds the colour weighted by `a` (0..65535): each byte gets (c x (a >> 1)) >> 15, saturating.
inline void addWeighted(uint32_t* pixel, uint32_t colour, uint32_t a)
{
    const uint32_t half = a >> 1;
    uint32_t out = 0;
    for (int i = 0; i < 32; i += 8) {
        const uint32_t c = (((colour >> i) & 255) * half) >> 15;
        out |= std::min(((*pixel >> i) & 255) + c, 255u) << i;
    }
    *pixel = out;
}

// 16-bit fraction of a non-negative coordinate.
inline uint32_t frac16(double a)
{
    return uint32_t((a - std::floor(a)) * 65536.0) & 0xffff;
}

// Clips the segment to lo <= coordinate <= hi on the axis chosen by `axis`, moving the endpoints along the
// line. Returns false when nothing of it is left.
bool clipAxis(double& ax, double& ay, double& bx, double& by, bool onX, double lo, double hi)
{
    double& a = onX ? ax : ay;
    double& b = onX ? bx : by;
    double& oa = onX ? ay : ax;
    double& ob = onX ? by : bx;
    if ((a < lo && b < lo) || (a > hi && b > hi))
        return false;
    auto moveTo = [&](double& p, double& op, double edge) {
        const double t = (edge - a) / (b - a); // a != b here: one endpoint is inside, the other not
        op = oa + (ob - oa) * t;
        p = edge;
    };
    // Move the far endpoint first so that the interpolation uses the original other endpoint.
    if (b < lo)
        moveTo(b, ob, lo);
    else if (b > hi)
        moveTo(b, ob, hi);
    if (a < lo)
        moveTo(a, oa, lo);
    else if (a > hi)
        moveTo(a, oa, hi);
    return true;
}

} // namespace

void drawLine(Bitmap& target, float fx0, float fy0, float fx1, float fy1, int r, int g, int b)
{
    if (!usable32(target))
        return;
    double x0 = fx0, y0 = fy0, x1 = fx1, y1 = fy1;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return;
    const double right = double(target.width()) - 2.0, bottom = double(target.height()) - 2.0;
    if ((x0 < 2 && x1 < 2) || (x0 > right && x1 > right) || (y0 < 2 && y1 < 2) || (y0 > bottom && y1 > bottom))
        return;
    if (right < 2 || bottom < 2)
        return;
    const bool xMajor = std::fabs(x1 - x0) >= std::fabs(y1 - y0);
    if (!clipAxis(x0, y0, x1, y1, true, 2.0, right) || !clipAxis(x0, y0, x1, y1, false, 2.0, bottom))
        return;
    // A line that left the band on one axis may have been pushed out on the other: drop what is still out.
    if (x0 < 2 || x1 < 2 || x0 > right || x1 > right || y0 < 2 || y1 < 2 || y0 > bottom || y1 > bottom)
        return;
    const uint32_t colour = packColor(r, g, b);
    // Major coordinate m, minor coordinate n; pixel (m, n) is (x, y) or (y, x).
    double m0 = xMajor ? x0 : y0, n0 = xMajor ? y0 : x0, m1 = xMajor ? x1 : y1, n1 = xMajor ? y1 : x1;
    if (m1 < m0) {
        std::swap(m0, m1);
        std::swap(n0, n1);
    }
    const double span = m1 - m0;
    const int64_t slope = span > 0 ? int64_t((n1 - n0) / span * 65536.0) : 0;
    int64_t n = int64_t(n0 * 65536.0);
    const int32_t first = int32_t(std::floor(m0)), last = int32_t(std::floor(m1));
    const uint32_t startCover = 65535 - frac16(m0), endCover = frac16(m1);
    const int32_t limitM = xMajor ? target.width() : target.height();
    const int32_t limitN = xMajor ? target.height() : target.width();
    for (int32_t c = first; c <= last; ++c, n += slope) {
        const int32_t ni = int32_t(n >> 16);
        const uint32_t f = uint32_t(n & 0xffff);
        uint32_t wNear = 65535 - f, wFar = f;
        if (c == first) {
            wNear = (wNear * startCover) >> 16;
            wFar = (wFar * startCover) >> 16;
        }
        if (c == last) {
            wNear = (wNear * endCover) >> 16;
            wFar = (wFar * endCover) >> 16;
        }
        if (c < 0 || c >= limitM || ni < 0 || ni + 1 >= limitN)
            continue; // cannot happen after clipping; kept so a rounding surprise never writes outside
        if (xMajor) {
            addWeighted(target.row32(ni) + c, colour, wNear);
            addWeighted(target.row32(ni + 1) + c, colour, wFar);
        } else {
            addWeighted(target.row32(c) + ni, colour, wNear);
            addWeighted(target.row32(c) + ni + 1, colour, wFar);
        }
    }
}

void drawGrid(const GridMap& grid, Bitmap& target)
{
    // Always three calls, red first, so the shared sequence does not depend on what gets drawn.
    Random& random = Random::shared();
    const int red = random.next() & 255;
    const int green = random.next() & 255;
    const int blue = random.next() & 255;
    if (!usable32(target))
        return;
    const uint32_t fill = packColor(red, green, blue);
    const Bitmap* texture = grid.texture();
    const bool textured = texture && usable32(*texture) && texture->width() >= 256 && texture->height() >= 256;
    // The blocks overwrite every pixel they reach, so the fill goes only where they do not.
    const int32_t coveredWidth = textured ? std::clamp(16 * (grid.gridWidth() - 1), 0, target.width()) : 0;
    const int32_t coveredHeight =
        textured && coveredWidth > 0 ? std::clamp(16 * (grid.gridHeight() - 1), 0, target.height()) : 0;
    for (int32_t y = 0; y < target.height(); ++y) {
        const int32_t from = y < coveredHeight ? coveredWidth : 0;
        std::fill(target.row32(y) + from, target.row32(y) + target.width(), fill);
    }
    if (!textured)
        return;
    const auto* texels = reinterpret_cast<const uint32_t*>(texture->pixels());
    const ptrdiff_t texturePitch = texture->pitch() / 4;
    const PixelKernels& kernels = pixelKernels();
    const int32_t width = target.width(), height = target.height();
    for (int32_t by = 0; by + 1 < grid.gridHeight(); ++by) {
        const int32_t top = 16 * by;
        if (top >= height)
            break;
        const int32_t rows = std::min(16, height - top);
        for (int32_t bx = 0; bx + 1 < grid.gridWidth(); ++bx) {
            const int32_t leftX = 16 * bx;
            if (leftX >= width)
                break;
            const int32_t columns = std::min(16, width - leftX);
            const GridNode& n00 = grid.node(bx, by);
            const GridNode& n10 = grid.node(bx + 1, by);
            const GridNode& n01 = grid.node(bx, by + 1);
            const GridNode& n11 = grid.node(bx + 1, by + 1);
            // Node values in 16.16 (u, v in texels; light x 16384, so light >> 9 is light x 32).
            GridEdges e;
            e.lu = n00.u * 16384;
            e.lv = n00.v * 16384;
            e.ll = n00.light * 16384;
            e.ru = n10.u * 16384;
            e.rv = n10.v * 16384;
            e.rl = n10.light * 16384;
            e.dlu = (n01.u * 16384 - e.lu) >> 4;
            e.dlv = (n01.v * 16384 - e.lv) >> 4;
            e.dll = (n01.light * 16384 - e.ll) >> 4;
            e.dru = (n11.u * 16384 - e.ru) >> 4;
            e.drv = (n11.v * 16384 - e.rv) >> 4;
            e.drl = (n11.light * 16384 - e.rl) >> 4;
            kernels.gridBlock(target.row32(top) + leftX, target.pitch() / 4, texels, texturePitch, columns, rows, e);
        }
    }
}

void buildWaterTables(WaterTables& tables, int32_t width, int32_t height, const Bitmap& picture)
{
    tables.width = tables.height = tables.pitch = 0;
    if (!usable32(picture) || width <= 0 || height <= 0 || width > picture.width() || height > picture.height()) {
        std::fill_n(tables.rows, 4096, 0);
        std::fill_n(tables.columns, 4096, 0);
        return;
    }
    for (int32_t i = 0; i < 4096; ++i) {
        tables.rows[i] = picture.pitch() * std::clamp(i - 2048, 0, height - 1);
        tables.columns[i] = 4 * std::clamp(i - 2048, 0, width - 1);
    }
    tables.width = width;
    tables.height = height;
    tables.pitch = picture.pitch();
}

void renderWater(const WaterTables& tables, const Bitmap& picture, Bitmap& target, const int16_t* heights,
                 int32_t width, int32_t height)
{
    if (!heights || !usable32(picture) || !usable32(target) || tables.width != width || tables.height != height ||
        tables.pitch != picture.pitch() || width > picture.width() || height > picture.height() ||
        width > target.width() || height > target.height() || width < 2)
        return;
    const PixelKernels& kernels = pixelKernels();
    for (int32_t y = 1; y < height - 1; ++y)
        kernels.waterRow(tables, picture.pixels(), target.row32(y), heights, width, y);
}

void stepWater(const int16_t* current, int16_t* previous, int32_t width, int32_t height, int32_t shift)
{
    if (!current || !previous || width < 3 || height < 3)
        return;
    shift = std::clamp(shift, 0, 31);
    const PixelKernels& kernels = pixelKernels();
    for (int32_t y = 1; y < height - 1; ++y)
        kernels.stepRow(current, previous, ptrdiff_t(y) * width, width, shift);
}
