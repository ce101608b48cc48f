#pragma once
// The mixer's inner loops: one template for 8/16-bit data x ramping x interpolation.
// A segment never crosses a loop point, the sample end or the ring end, so the loops test nothing.

#include <cstdint>
#include <type_traits>

namespace mixk {

// Clamps to the 16-bit range.
inline int32_t saturate16(int32_t v)
{
    return v < -32768 ? -32768 : (v > 32767 ? 32767 : v);
}

// Contribution of point s at volume 0..256: 8-bit s x vol; 16-bit floor(s x vol / 256).
template<int Bits>
inline int32_t contribution(int32_t s, int32_t vol)
{
    if constexpr (Bits == 8)
        return s * vol;
    else
        return (s * vol) >> 8; // arithmetic shift = floor
}

// One side's output between points s0 and s1 at fraction `frac`: the contribution of s0, or with
// interpolation the step towards s1 with m = floor(d x (frac >> 1) / 65536) added twice.
template<int Bits, bool Interp>
inline int32_t sideOutput(int32_t s0, int32_t s1, uint32_t frac, int32_t vol)
{
    int32_t a = contribution<Bits>(s0, vol);
    if constexpr (!Interp) {
        return a;
    } else {
        int32_t b = contribution<Bits>(s1, vol);
        int32_t d = saturate16(b - a);
        int32_t m = (d * int32_t(frac >> 1)) >> 16; // floor
        return saturate16(saturate16(a + m) + m);
    }
}

// Mixes `n` frames starting at the 16.16 position `pos` (moved by `step` per frame) into the
// interleaved stereo `out`. With Ramp the volumes move by dl/dr after every second frame and after
// an odd last frame.
template<int Bits, bool Ramp, bool Interp>
void mixSegment(const void* data, int64_t& pos, int64_t step, int16_t* __restrict out, int64_t n, int32_t& volL,
                int32_t& volR, int32_t dl, int32_t dr)
{
    using Point = std::conditional_t<Bits == 8, int8_t, int16_t>;
    const Point* __restrict points = static_cast<const Point*>(data);
    int64_t p = pos;
    int32_t vl = volL;
    int32_t vr = volR;
    for (int64_t k = 0; k < n; ++k) {
        int64_t i = p >> 16;
        uint32_t f = uint32_t(p & 0xFFFF);
        int32_t s0 = points[i];
        int32_t s1 = Interp ? int32_t(points[i + 1]) : 0;
        int32_t l = sideOutput<Bits, Interp>(s0, s1, f, vl);
        int32_t r = sideOutput<Bits, Interp>(s0, s1, f, vr);
        out[0] = int16_t(saturate16(out[0] + l));
        out[1] = int16_t(saturate16(out[1] + r));
        out += 2;
        p += step;
        if constexpr (Ramp) {
            if ((k & 1) || k == n - 1) {
                vl += dl;
                vr += dr;
            }
        }
    }
    pos = p;
    volL = vl;
    volR = vr;
}

using SegmentFn = void (*)(const void*, int64_t&, int64_t, int16_t*, int64_t, int32_t&, int32_t&, int32_t, int32_t);

// Index: (bits == 16) << 2 | ramp << 1 | interp.
inline constexpr SegmentFn kSegmentTable[8] = {
    mixSegment<8, false, false>,  mixSegment<8, false, true>,  mixSegment<8, true, false>,  mixSegment<8, true, true>,
    mixSegment<16, false, false>, mixSegment<16, false, true>, mixSegment<16, true, false>, mixSegment<16, true, true>,
};

// SIMD versions of the non-ramping variants (nullptr where none exists); same index, same results.
extern const SegmentFn kSse2Table[8];

} // namespace mixk
