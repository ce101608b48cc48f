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

// The saturating walk with a constant step equals the straight line clamped to 16 bits, so each pixel's
// channel values are computed directly in 32-bit lanes (blue, green, red, 0) and packed with signed
// saturation.
struct ShadeLanes {
    __m128i p[4];  // pixels j .. j + 3 of the line, unclamped, one per register
    __m128i step4; // four steps

    explicit ShadeLanes(const ShadeLine& shade)
    {
        const int32_t s[3] = {std::clamp(shade.start[0], -32768, 32767), std::clamp(shade.start[1], -32768, 32767),
                              std::clamp(shade.start[2], -32768, 32767)};
        const __m128i start = _mm_setr_epi32(s[2], s[1], s[0], 0);
        const __m128i step = _mm_setr_epi32(shade.step[2], shade.step[1], shade.step[0], 0);
        p[0] = start;
        for (int j = 1; j < 4; ++j)
            p[j] = _mm_add_epi32(p[j - 1], step);
        step4 = _mm_slli_epi32(step, 2);
    }
    // The four pixels' values, clamped, as 16-bit lanes: pixels 0, 1 in `low`, 2, 3 in `high`.
    void values(__m128i& low, __m128i& high) const
    {
        low = _mm_packs_epi32(p[0], p[1]);
        high = _mm_packs_epi32(p[2], p[3]);
    }
    void advance()
    {
        for (__m128i& lane : p)
            lane = _mm_add_epi32(lane, step4);
    }
    // The value of pixel 0 for the scalar tail: lanes blue, green, red, 0 clamped to 16 bits.
    __m128i first16() const { return _mm_packs_epi32(p[0], p[0]); }
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
        alignas(16) uint32_t at[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
        u = _mm_add_epi32(u, du4);
        v = _mm_add_epi32(v, dv4);
        return _mm_setr_epi32(int32_t(texels[at[0]]), int32_t(texels[at[1]]), int32_t(texels[at[2]]),
                              int32_t(texels[at[3]]));
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
        lanes.p[0] = _mm_add_epi32(lanes.p[0], _mm_srai_epi32(lanes.step4, 2));
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
        shadeLanes.p[0] = _mm_add_epi32(shadeLanes.p[0], _mm_srai_epi32(shadeLanes.step4, 2));
    }
}

const SpanKernels kSse2 = {"sse2", fillSse2, gouraudSse2, texturedSse2, texturedShadedSse2};

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
