#pragma once
// The pixel loops of the span buffer: a scalar reference set, an SSE2 set and an AVX2 set with identical
// results, one of them chosen once: AVX2 where the processor has it, else SSE2 (scalarKernelsOnly() picks
// the scalar set).

#include <algorithm>
#include <cstddef>
#include <cstdint>

// Gouraud colour along a span, per channel (red, green, blue): c x 128 at pixel 0 and its step per pixel.
// The channel value at pixel j is clamp(s + j x step, -32768, 32767) with s = clamp(start, -32768, 32767)
// (the signed 16-bit saturating walk of a constant step), and its byte is clamp(value >> 7, 0, 255).
// Steps are 16-bit values and counts < 32768, so no 32-bit sum overflows.
struct ShadeLine {
    int32_t start[3];
    int32_t step[3];
};

// Texture walk in 16.16: pixel j reads the texel at row ((v + j dv) >> 16) & 255 and column
// ((u + j du) >> 16) & 255 (32-bit wrapping sums) of a 256 x 256 texture whose rows are 256 texels apart.
struct TexelWalk {
    uint32_t u, du, v, dv;
};

// One perspective segment of a textured span: `count` pixels from `offset` (pixels from the span's start),
// with its own texture walk.
struct TexelSegment {
    int32_t offset;
    int32_t count;
    TexelWalk walk;
};

// The shade line moved on by `pixels`: its start becomes the unclamped line value there, which the kernels'
// clamping walks on exactly as the original.
inline ShadeLine shadeFrom(ShadeLine line, int32_t pixels)
{
    for (int c = 0; c < 3; ++c)
        line.start[c] = std::clamp(line.start[c], -32768, 32767) + pixels * line.step[c];
    return line;
}

struct SpanKernels {
    const char* name;
    // dst[j] = colour, j = 0 .. count - 1.
    void (*fill)(uint32_t* dst, int32_t count, uint32_t colour);
    // dst[j] = (red byte << 16) | (green byte << 8) | blue byte of the shade line at j.
    void (*gouraud)(uint32_t* dst, int32_t count, const ShadeLine& shade);
    // dst[j] = the texel of the walk at j, as stored.
    void (*textured)(uint32_t* dst, int32_t count, const uint32_t* texels, TexelWalk walk);
    // dst[j] = each byte t of the texel (blue, green, red) times the matching channel value c of the shade
    // line: clamp((2t x c) >> 16, 0, 255), the high half of a signed 16-bit product; the top byte is 0.
    void (*texturedShaded)(uint32_t* dst, int32_t count, const uint32_t* texels, TexelWalk walk,
                           const ShadeLine& shade);
    // texturedShaded over `count` segments in order (not overlapping) of one span starting at dst: pixel j
    // of the span takes the shade line's value at j, each segment its own walk.
    void (*texturedShadedSegments)(uint32_t* dst, const TexelSegment* segments, int32_t count, const uint32_t* texels,
                                   const ShadeLine& shade);
};

// texturedShadedSegments through a set's texturedShaded, one segment at a time.
template<auto TexturedShaded>
void texturedShadedBySegment(uint32_t* dst, const TexelSegment* segments, int32_t count, const uint32_t* texels,
                             const ShadeLine& shade)
{
    for (int32_t k = 0; k < count; ++k) {
        const TexelSegment& g = segments[k];
        TexturedShaded(dst + g.offset, g.count, texels, g.walk, shadeFrom(shade, g.offset));
    }
}

const SpanKernels& scalarSpanKernels();
// The SSE2 set, or null where the build has none.
const SpanKernels* sse2SpanKernels();
// The AVX2 set (the SSE2 one with its loops eight pixels wide), or null where the build or the
// processor has none.
const SpanKernels* avx2SpanKernels();
// The set in use: AVX2, else SSE2, unless forced to scalar.
const SpanKernels& spanKernels();
// Puts `set` in use (tests and benchmarks compare the sets); null restores the start-up choice.
void useSpanKernels(const SpanKernels* set);
