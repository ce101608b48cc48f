// AVX2 versions of the span loops: eight pixels a step, texels fetched by one gather. Each gives
// exactly the scalar reference's pixels; steep shades go to the SSE2 set.
#include "render/SpanKernels.h"

#include "render/SimdTarget.h"

#include <algorithm>

#if KALVORA_HAS_AVX2
#include <immintrin.h>

namespace {

const SpanKernels* g_sse2 = nullptr; // the set this one falls back to

// Where eight steps fit 16 bits, the clamped shade of eight pixels advances by saturating 16-bit adds (the
// walk only moves one way, so a saturated lane stays where the line is).
constexpr int32_t kNarrowStep = 4095;

// Texel indices of eight pixels of a walk over a 256 x 256 texture.
struct TexelLanes8 {
    __m256i u, v, du8, dv8;

    KALVORA_AVX2 explicit TexelLanes8(const TexelWalk& w)
    {
        const __m256i ramp = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        u = _mm256_add_epi32(_mm256_set1_epi32(int32_t(w.u)),
                             _mm256_mullo_epi32(_mm256_set1_epi32(int32_t(w.du)), ramp));
        v = _mm256_add_epi32(_mm256_set1_epi32(int32_t(w.v)),
                             _mm256_mullo_epi32(_mm256_set1_epi32(int32_t(w.dv)), ramp));
        du8 = _mm256_set1_epi32(int32_t(8 * w.du));
        dv8 = _mm256_set1_epi32(int32_t(8 * w.dv));
    }
    KALVORA_AVX2 __m256i fetch(const uint32_t* texels)
    {
        const __m256i index = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(v, 8), _mm256_set1_epi32(0xff00)),
                                              _mm256_and_si256(_mm256_srli_epi32(u, 16), _mm256_set1_epi32(0xff)));
        u = _mm256_add_epi32(u, du8);
        v = _mm256_add_epi32(v, dv8);
        return _mm256_i32gather_epi32(reinterpret_cast<const int*>(texels), index, 4);
    }
};

KALVORA_AVX2 void texturedAvx2(uint32_t* dst, int32_t count, const uint32_t* texels, TexelWalk walk)
{
    // The last group is stored in part; its extra lanes read texels within the texture, harmlessly.
    TexelLanes8 lanes(walk);
    int32_t j = 0;
    for (; j + 8 <= count; j += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + j), lanes.fetch(texels));
    if (j < count)
        storeFirst(dst + j, lanes.fetch(texels), count - j);
}

// The clamped shade of pixels j .. j + 7 as 16-bit lanes (blue, green, red, 0 per pixel), in the order the
// texel unpacking gives: pixels 0, 1 | 4, 5 in `low`, 2, 3 | 6, 7 in `high`.
struct ShadeLanes8 {
    __m256i low, high, step8;

    KALVORA_AVX2 explicit ShadeLanes8(const ShadeLine& shade)
    {
        const __m128i step = _mm_setr_epi32(shade.step[2], shade.step[1], shade.step[0], 0);
        __m128i p[8];
        p[0] = _mm_setr_epi32(std::clamp(shade.start[2], -32768, 32767), std::clamp(shade.start[1], -32768, 32767),
                              std::clamp(shade.start[0], -32768, 32767), 0);
        for (int j = 1; j < 8; ++j)
            p[j] = _mm_add_epi32(p[j - 1], step);
        low = _mm256_set_m128i(_mm_packs_epi32(p[4], p[5]), _mm_packs_epi32(p[0], p[1]));
        high = _mm256_set_m128i(_mm_packs_epi32(p[6], p[7]), _mm_packs_epi32(p[2], p[3]));
        const __m128i step8x16 = _mm_packs_epi32(_mm_slli_epi32(step, 3), _mm_slli_epi32(step, 3));
        step8 = _mm256_set_m128i(step8x16, step8x16);
    }
    KALVORA_AVX2 void advance()
    {
        low = _mm256_adds_epi16(low, step8);
        high = _mm256_adds_epi16(high, step8);
    }
};

bool narrowShade(const ShadeLine& shade)
{
    for (int c = 0; c < 3; ++c)
        if (shade.step[c] < -kNarrowStep || shade.step[c] > kNarrowStep)
            return false;
    return true;
}

// Eight texels of the walk modulated by the shade lanes' current eight pixels.
KALVORA_AVX2 inline __m256i shadedTexels(TexelLanes8& texels, const uint32_t* texture, const ShadeLanes8& shade)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i t = texels.fetch(texture);
    const __m256i a = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_unpacklo_epi8(t, zero), 1), shade.low);
    const __m256i b = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_unpackhi_epi8(t, zero), 1), shade.high);
    return _mm256_packus_epi16(a, b);
}

KALVORA_AVX2 void texturedShadedAvx2(uint32_t* dst, int32_t count, const uint32_t* texels, TexelWalk walk,
                                     const ShadeLine& shade)
{
    if (!narrowShade(shade)) {
        g_sse2->texturedShaded(dst, count, texels, walk, shade);
        return;
    }
    TexelLanes8 texelLanes(walk);
    ShadeLanes8 shadeLanes(shade);
    for (int32_t j = 0; j < count; j += 8, shadeLanes.advance()) {
        const __m256i lit = shadedTexels(texelLanes, texels, shadeLanes);
        if (j + 8 <= count)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + j), lit);
        else
            storeFirst(dst + j, lit, count - j); // the last group in part
    }
}

KALVORA_AVX2 void fillAvx2(uint32_t* dst, int32_t count, uint32_t colour)
{
    const __m256i c = _mm256_set1_epi32(int32_t(colour));
    int32_t j = 0;
    for (; j + 8 <= count; j += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + j), c);
    if (j < count)
        storeFirst(dst + j, c, count - j);
}

KALVORA_AVX2 void gouraudAvx2(uint32_t* dst, int32_t count, const ShadeLine& shade)
{
    if (!narrowShade(shade)) {
        g_sse2->gouraud(dst, count, shade);
        return;
    }
    ShadeLanes8 lanes(shade);
    for (int32_t j = 0; j < count; j += 8, lanes.advance()) {
        // Packing within 128-bit halves puts pixels 0, 1 (low) before 2, 3 (high): the order survives.
        const __m256i bytes = _mm256_packus_epi16(_mm256_srai_epi16(lanes.low, 7), _mm256_srai_epi16(lanes.high, 7));
        if (j + 8 <= count)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + j), bytes);
        else
            storeFirst(dst + j, bytes, count - j);
    }
}

// The shade lanes are built once per span and carried from segment to segment; they are rebuilt only where
// a segment does not start where the previous one's groups of eight ended.
KALVORA_AVX2 void texturedShadedSegmentsAvx2(uint32_t* dst, const TexelSegment* segments, int32_t count,
                                             const uint32_t* texels, const ShadeLine& shade)
{
    if (!narrowShade(shade)) {
        g_sse2->texturedShadedSegments(dst, segments, count, texels, shade);
        return;
    }
    ShadeLanes8 shadeLanes(shade);
    int32_t at = 0; // the pixel the shade lanes start at
    for (int32_t k = 0; k < count; ++k) {
        const TexelSegment& g = segments[k];
        if (g.offset != at) {
            shadeLanes = ShadeLanes8(shadeFrom(shade, g.offset));
            at = g.offset;
        }
        TexelLanes8 texelLanes(g.walk);
        uint32_t* out = dst + g.offset;
        for (int32_t j = 0; j < g.count; j += 8, at += 8, shadeLanes.advance()) {
            const __m256i lit = shadedTexels(texelLanes, texels, shadeLanes);
            if (j + 8 <= g.count)
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), lit);
            else
                storeFirst(out + j, lit, g.count - j);
        }
    }
}

SpanKernels makeAvx2()
{
    SpanKernels k = *g_sse2;
    k.name = "avx2";
    k.fill = fillAvx2;
    k.gouraud = gouraudAvx2;
    k.textured = texturedAvx2;
    k.texturedShaded = texturedShadedAvx2;
    k.texturedShadedSegments = texturedShadedSegmentsAvx2;
    return k;
}

} // namespace

const SpanKernels* avx2SpanKernels()
{
    g_sse2 = sse2SpanKernels();
    if (!g_sse2 || !processorHasAvx2())
        return nullptr;
    static const SpanKernels kAvx2 = makeAvx2();
    return &kAvx2;
}

#else

const SpanKernels* avx2SpanKernels()
{
    return nullptr;
}

#endif
