#include "render/SpanDraw.h"

#include "data/Bitmap.h"
#include "render/Fixed.h"
#include "render/Span.h"
#include "render/SpanKernels.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kTextureSize = 256;
constexpr double kFixedOne = 65536.0; // 16.16
constexpr double kRoundable = 1e9;

double clamp16(double a)
{
    return std::clamp(a, -32768.0, 32767.0);
}

// The Gouraud line from column x0 on: each channel starts at c x 128 at the origin and steps by
// round(dc x 128) per column, both saturated to 16 bits in floating point before conversion; the start at
// x0 is left unclamped (the kernels clamp), which equals the saturating walk from the origin.
ShadeLine shadeLine(const Span& s, int32_t x0)
{
    const int32_t colour[3] = {s.r, s.g, s.b};
    const float change[3] = {s.dr, s.dg, s.db};
    ShadeLine line{};
    for (int c = 0; c < 3; ++c) {
        const int32_t start = int32_t(clamp16(double(colour[c]) * 128.0));
        const double scaled = double(change[c]) * 128.0;
        // Far beyond 16 bits the rounding cannot change the clamped value, so only near ones are rounded.
        const double step = std::fabs(scaled) < kRoundable ? double(nearestInt64(scaled)) : scaled;
        line.step[c] = std::isnan(step) ? 0 : int32_t(clamp16(step));
        line.start[c] = start + (x0 - s.origin) * line.step[c];
    }
    return line;
}

// Texture coordinates of a textured span at a column.
struct TexturePoint {
    float w, u, v;
};

TexturePoint textureAt(const Span& s, int32_t x)
{
    const float k = float(x - s.origin);
    const float w = s.w + s.dw * k;
    const float z = 1.0f / w;
    return {w, (s.uw + s.duw * k) * z, (s.vw + s.dvw * k) * z};
}

bool usableEnd(const TexturePoint& p)
{
    return std::isfinite(p.w) && p.w > 0;
}

// Round half to even of a value already known to lie within int32.
int32_t roundToInt32(double d)
{
    return int32_t(nearestInt64(d));
}

// round((b - a) / m x 65536) when it fits int32. For the usual power-of-two m the division is a multiplication
// by the exact 65536 / m (the same value).
bool fixedStep(float a, float b, int32_t m, int32_t& step)
{
    const double difference = double(b) - double(a);
    const double d = (m & (m - 1)) == 0 ? difference * (kFixedOne / m) : difference / m * kFixedOne;
    if (!(d >= -2147483648.5 && d < 2147483647.5)) // the rounded value fits int32
        return false;
    step = roundToInt32(d);
    return true;
}

// A texture coordinate in 16.16: round(value x 65536), the low 32 bits of the 64-bit integer.
inline uint32_t fixed16(float value)
{
    return uint32_t(fixedLow32(double(value) * kFixedOne));
}

// The walk of one segment starting at column x (texture point a) with at most m pixels; m shrinks while
// the far end is not drawable (w <= 0 or not finite, or a step outside int32); a one-pixel segment uses
// its start values. `end` receives the point at x + m when the segment reached one.
TexelWalk segmentWalk(const Span& s, const TexturePoint& a, int32_t x, int32_t& m, TexturePoint& end, bool& hasEnd)
{
    TexelWalk walk{fixed16(a.u), 0, fixed16(a.v), 0};
    hasEnd = false;
    for (; m > 1; --m) {
        end = textureAt(s, x + m);
        int32_t du = 0, dv = 0;
        if (usableEnd(end) && fixedStep(a.u, end.u, m, du) && fixedStep(a.v, end.v, m, dv)) {
            walk.du = uint32_t(du);
            walk.dv = uint32_t(dv);
            hasEnd = true;
            break;
        }
    }
    return walk;
}

bool drawableTexture(const Bitmap* t)
{
    return t && t->pixels() && t->format() == Bitmap::FormatXrgb32 && t->width() == kTextureSize &&
           t->height() == kTextureSize && t->pitch() == kTextureSize * 4;
}

// Shaded segments are handed to the kernels in batches, so the shade is set up once per batch.
constexpr int32_t kSegmentBatch = 16;

void drawTextured(const Span& s, int32_t x1, uint32_t* row, const SpanKernels& kernels)
{
    if (!drawableTexture(s.texture))
        return;
    const auto* texels = reinterpret_cast<const uint32_t*>(s.texture->pixels());
    const bool shaded = s.kind == SpanTexturedShaded;
    const int32_t n = x1 - s.x0 + 1;
    const int32_t length = perspectiveSegmentLength(s.dw, n);
    TexturePoint start = textureAt(s, s.x0), end{};
    TexelSegment batch[kSegmentBatch];
    int32_t batched = 0, batchStart = 0;
    for (int32_t a = 0; a < n;) {
        int32_t m = std::min(length, n - a);
        bool hasEnd = false;
        const TexelWalk walk = segmentWalk(s, start, s.x0 + a, m, end, hasEnd);
        if (shaded) {
            batch[batched++] = {a - batchStart, m, walk};
        } else {
            kernels.textured(row + s.x0 + a, m, texels, walk);
        }
        a += m;
        if (batched == kSegmentBatch || (batched > 0 && a == n)) {
            const int32_t x = s.x0 + batchStart;
            kernels.texturedShadedSegments(row + x, batch, batched, texels, shadeLine(s, x));
            batched = 0;
            batchStart = a;
        }
        start = hasEnd ? end : textureAt(s, s.x0 + a); // one division per segment end
    }
}

} // namespace

int32_t perspectiveSegmentLength(float dw, int32_t n)
{
    const float spread = std::fabs(dw * float(n));
    if (spread > 1.5)
        return 8;
    if (spread > 0.8)
        return 16;
    return 64;
}

void drawSpan(const Span& span, int32_t x1, uint32_t* row, const SpanKernels& kernels)
{
    const int32_t count = x1 - span.x0 + 1;
    if (count <= 0)
        return;
    switch (span.kind) {
    case SpanFlat: kernels.fill(row + span.x0, count, span.colour); break;
    case SpanGouraud: kernels.gouraud(row + span.x0, count, shadeLine(span, span.x0)); break;
    case SpanTextured:
    case SpanTexturedShaded: drawTextured(span, x1, row, kernels); break;
    default: break; // SpanSkip and anything else: the pixels stay
    }
}
