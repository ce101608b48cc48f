// SSE2 versions of the span loops; each gives exactly the scalar reference's pixels.
#include "render/SpanKernels.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

inline void store128(void* p, __m128i v)
{
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

// The saturating walk with a constant step equals the straight line clamped to 16 bits. Where four steps
// fit 16 bits, the clamped values of four pixels advance by saturating 16-bit adds of four steps (the walk
// only moves one way, so a saturated lane stays where the line is); otherwise each pixel's values are kept
// unclamped in 32-bit lanes and packed with signed saturation. Lanes per pixel: blue, green, red, 0.
struct ShadeLanes {
    bool narrow;
    __m128i low, high; // narrow: pixels j, j + 1 and j + 2, j + 3 as clamped 16-bit lanes
    __m128i step4x16;  // narrow: four steps per 16-bit lane
    __m128i p[4];      // wide: pixels j .. j + 3, unclamped 32-bit lanes
    __m128i step1x32, step4x32;

    explicit ShadeLanes(const ShadeLine& shade)
    {
        const int32_t s[3] = {std::clamp(shade.start[0], -32768, 32767), std::clamp(shade.start[1], -32768, 32767),
                              std::clamp(shade.start[2], -32768, 32767)};
        const __m128i start = _mm_setr_epi32(s[2], s[1], s[0], 0);
        step1x32 = _mm_setr_epi32(shade.step[2], shade.step[1], shade.step[0], 0);
        step4x32 = _mm_slli_epi32(step1x32, 2);
        p[0] = start;
        for (int j = 1; j < 4; ++j)
            p[j] = _mm_add_epi32(p[j - 1], step1x32);
        narrow = true;
        for (int c = 0; c < 3; ++c)
            narrow = narrow && shade.step[c] >= -8192 && shade.step[c] <= 8191;
        low = _mm_packs_epi32(p[0], p[1]);
        high = _mm_packs_epi32(p[2], p[3]);
        step4x16 = _mm_packs_epi32(step4x32, step4x32);
    }
    // The four pixels' values, clamped, as 16-bit lanes: pixels 0, 1 in `lo`, 2, 3 in `hi`.
    void values(__m128i& lo, __m128i& hi) const
    {
        lo = narrow ? low : _mm_packs_epi32(p[0], p[1]);
        hi = narrow ? high : _mm_packs_epi32(p[2], p[3]);
    }
    void advance()
    {
        if (narrow) {
            low = _mm_adds_epi16(low, step4x16);
            high = _mm_adds_epi16(high, step4x16);
            return;
        }
        for (__m128i& lane : p)
            lane = _mm_add_epi32(lane, step4x32);
    }
    // The tail, one pixel at a time: the current pixel's clamped values, then a step.
    __m128i first16() const { return narrow ? low : _mm_packs_epi32(p[0], p[0]); }
    void advanceOne()
    {
        if (narrow)
            low = _mm_adds_epi16(low, _mm_packs_epi32(step1x32, step1x32));
        else
            p[0] = _mm_add_epi32(p[0], step1x32);
    }
};

// Texel indices ((v >> 8) & 0xff00) | ((u >> 16) & 0xff) of four pixels.
struct TexelLanes {
    __m128i u, v, du4, dv4;

    explicit TexelLanes(const TexelWalk& w)
    {
        u = _mm_setr_epi32(int32_t(w.u), int32_t(w.u + w.du), int32_t(w.u + 2 * w.du), int32_t(w.u + 3 * w.du));
        v = _mm_setr_epi32(int32_t(w.v), int32_t(w.v + w.dv), int32_t(w.v + 2 * w.dv), int32_t(w.v + 3 * w.dv));
        du4 = _mm_set1_epi32(int32_t(4 * w.du));
        dv4 = _mm_set1_epi32(int32_t(4 * w.dv));
    }
    __m128i fetch(const uint32_t* texels)
    {
        const __m128i index = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 8), _mm_set1_epi32(0xff00)),
                                           _mm_and_si128(_mm_srli_epi32(u, 16), _mm_set1_epi32(0xff)));
        const uint32_t i0 = uint32_t(_mm_cvtsi128_si32(index));
        const uint32_t i1 = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 0x55)));
        const uint32_t i2 = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 0xaa)));
        const uint32_t i3 = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 0xff)));
        u = _mm_add_epi32(u, du4);
        v = _mm_add_epi32(v, dv4);
        return _mm_setr_epi32(int32_t(texels[i0]), int32_t(texels[i1]), int32_t(texels[i2]), int32_t(texels[i3]));
    }
};

uint32_t texelAt(const uint32_t* texels, const TexelWalk& walk, int32_t j)
{
    const uint32_t u = walk.u + uint32_t(j) * walk.du, v = walk.v + uint32_t(j) * walk.dv;
    return texels[((v >> 16) & 255) * 256 + ((u >> 16) & 255)];
}

// Texel bytes widened, doubled and multiplied by 16-bit channel values, high halves packed to bytes
// (0..255 by unsigned saturation); the top byte's lane is multiplied by 0.
inline __m128i modulate(__m128i texels, __m128i low, __m128i high)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpacklo_epi8(texels, zero), 1), low);
    const __m128i b = _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpackhi_epi8(texels, zero), 1), high);
    return _mm_packus_epi16(a, b);
}

void fillSse2(uint32_t* dst, int32_t count, uint32_t colour)
{
    const __m128i c = _mm_set1_epi32(int32_t(colour));
    int32_t j = 0;
    for (; j + 4 <= count; j += 4)
        store128(dst + j, c);
    for (; j < count; ++j)
        dst[j] = colour;
}

void gouraudSse2(uint32_t* dst, int32_t count, const ShadeLine& shade)
{
    ShadeLanes lanes(shade);
    int32_t j = 0;
    for (; j + 4 <= count; j += 4, lanes.advance()) {
        __m128i low, high;
        lanes.values(low, high);
        store128(dst + j, _mm_packus_epi16(_mm_srai_epi16(low, 7), _mm_srai_epi16(high, 7)));
    }
    for (; j < count; ++j) {
        const __m128i one = _mm_srai_epi16(lanes.first16(), 7);
        dst[j] = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(one, one)));
        lanes.advanceOne();
    }
}

void texturedSse2(uint32_t* dst, int32_t count, const uint32_t* texels, TexelWalk walk)
{
    TexelLanes lanes(walk);
    int32_t j = 0;
    for (; j + 4 <= count; j += 4)
        store128(dst + j, lanes.fetch(texels));
    for (; j < count; ++j)
        dst[j] = texelAt(texels, walk, j);
}

void texturedShadedSse2(uint32_t* dst, int32_t count, const uint32_t* texels, TexelWalk walk, const ShadeLine& shade)
{
    TexelLanes texelLanes(walk);
    ShadeLanes shadeLanes(shade);
    int32_t j = 0;
    for (; j + 4 <= count; j += 4, shadeLanes.advance()) {
        __m128i low, high;
        shadeLanes.values(low, high);
        store128(dst + j, modulate(texelLanes.fetch(texels), low, high));
    }
    for (; j < count; ++j) {
        const __m128i one = shadeLanes.first16();
        const __m128i texel = _mm_cvtsi32_si128(int32_t(texelAt(texels, walk, j)));
        dst[j] = uint32_t(_mm_cvtsi128_si32(modulate(texel, one, one)));
        shadeLanes.advanceOne();
    }
}

const SpanKernels kSse2 = {"sse2",       fillSse2,           gouraudSse2,
                           texturedSse2, texturedShadedSse2, texturedShadedBySegment<texturedShadedSse2>};

} // namespace

const SpanKernels* sse2SpanKernels()
{
    return &kSse2;
}

#else

const SpanKernels* sse2SpanKernels()
{
    return nullptr;
}

#endif
