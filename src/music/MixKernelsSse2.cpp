// SSE2 versions of the mixer's non-ramping loops: four frames (eight 16-bit lanes) per step with
// saturating adds, bit for bit the scalar template's arithmetic.

#include "music/MixKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mixk {

#if defined(__SSE2__)
namespace {

// floor(s x vol / 256) in 16 bits (exact: |result| <= 32768 for vol <= 256), or s x vol for 8-bit points.
template<int Bits>
inline __m128i contribution4(__m128i s, __m128i vol)
{
    if constexpr (Bits == 8) {
        return _mm_mullo_epi16(s, vol);
    } else {
        __m128i lo = _mm_mullo_epi16(s, vol);
        __m128i hi = _mm_mulhi_epi16(s, vol);
        return _mm_or_si128(_mm_slli_epi16(hi, 8), _mm_srli_epi16(lo, 8));
    }
}

// Two copies of a 16-bit value in one 32-bit lane (left and right of one frame).
inline int32_t pair(int32_t v)
{
    return int32_t(uint32_t(uint16_t(v)) * 0x10001u);
}

template<int Bits, bool Interp>
void mixSegmentSse2(const void* data, int64_t& pos, int64_t step, int16_t* __restrict out, int64_t n, int32_t& volL,
                    int32_t& volR, int32_t dl, int32_t dr)
{
    using Point = std::conditional_t<Bits == 8, int8_t, int16_t>;
    const Point* __restrict points = static_cast<const Point*>(data);
    const int16_t vl = int16_t(volL);
    const int16_t vr = int16_t(volR);
    const __m128i vol = _mm_set_epi16(vr, vl, vr, vl, vr, vl, vr, vl);
    int64_t p = pos;
    int64_t k = 0;
    for (; k + 4 <= n; k += 4) {
        int64_t p0 = p, p1 = p + step, p2 = p + 2 * step, p3 = p + 3 * step;
        int64_t i0 = p0 >> 16, i1 = p1 >> 16, i2 = p2 >> 16, i3 = p3 >> 16;
        __m128i c = contribution4<Bits>(
            _mm_set_epi32(pair(points[i3]), pair(points[i2]), pair(points[i1]), pair(points[i0])), vol);
        if constexpr (Interp) {
            __m128i cb = contribution4<Bits>(
                _mm_set_epi32(pair(points[i3 + 1]), pair(points[i2 + 1]), pair(points[i1 + 1]), pair(points[i0 + 1])),
                vol);
            __m128i half = _mm_set_epi32(pair(int32_t((p3 & 0xFFFF) >> 1)), pair(int32_t((p2 & 0xFFFF) >> 1)),
                                         pair(int32_t((p1 & 0xFFFF) >> 1)), pair(int32_t((p0 & 0xFFFF) >> 1)));
            __m128i d = _mm_subs_epi16(cb, c);
            __m128i m = _mm_mulhi_epi16(d, half); // floor(d x half / 65536)
            c = _mm_adds_epi16(_mm_adds_epi16(c, m), m);
        }
        __m128i* o = reinterpret_cast<__m128i*>(out + k * 2);
        _mm_storeu_si128(o, _mm_adds_epi16(_mm_loadu_si128(o), c));
        p += 4 * step;
    }
    // The last 0..3 frames with the scalar loop.
    mixSegment<Bits, false, Interp>(data, p, step, out + k * 2, n - k, volL, volR, dl, dr);
    pos = p;
}

} // namespace

const SegmentFn kSse2Table[8] = {
    mixSegmentSse2<8, false>,  mixSegmentSse2<8, true>,  nullptr, nullptr,
    mixSegmentSse2<16, false>, mixSegmentSse2<16, true>, nullptr, nullptr,
};
#else
const SegmentFn kSse2Table[8] = {};
#endif

} // namespace mixk
