#pragma once
// Exact rounding and narrowing helpers shared by the pixel operations, the rasterizer and the effects.

#include <cmath>
#include <cstdint>
#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#endif

// Rounds to the nearest integer, halves to even (the processor's default mode): 2.5 -> 2, 3.5 -> 4.
inline double roundHalfEven(double a)
{
    return std::nearbyint(a);
}

// The integer nearest to `a`, halves to even, for |a| < 2^62: on x86-64 one conversion instruction in the
// processor's default rounding mode (the same result as roundHalfEven, without the library call).
inline int64_t nearestInt64(double a)
{
#if defined(__x86_64__) || defined(_M_X64)
    return _mm_cvtsd_si64(_mm_set_sd(a));
#else
    return static_cast<int64_t>(std::nearbyint(a));
#endif
}

// The low 32 bits of the 64-bit integer nearest to `a` (halves to even). Reduces modulo 2^32 first, so any
// finite value is safe; the parity of the integer part survives the reduction, so the rounding is unchanged.
inline int32_t fixedLow32(double a)
{
    // Within the int64 range the conversion keeps the same low bits without the reduction.
    if (std::fabs(a) < 4611686018427387904.0)
        return static_cast<int32_t>(static_cast<uint32_t>(nearestInt64(a)));
    if (!std::isfinite(a))
        return 0;
    const double reduced = std::fmod(a, 4294967296.0);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(std::nearbyint(reduced))));
}

// Two doubles worked on together: element-wise IEEE arithmetic, the same results as one at a time.
typedef double Double2 __attribute__((vector_size(16)));

// fixedLow32 of both lanes. When both lie within +-2^31, one 32-bit conversion (nearest, halves to even)
// gives both: a value that rounds to 2^31 becomes 0x80000000 either way.
inline void fixedLow32Pair(Double2 a, uint32_t& first, uint32_t& second)
{
#if defined(__x86_64__) || defined(_M_X64)
    const __m128d v = reinterpret_cast<__m128d>(a);
    const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), v);
    if (_mm_movemask_pd(_mm_cmplt_pd(magnitude, _mm_set1_pd(2147483648.0))) == 3) {
        const __m128i both = _mm_cvtpd_epi32(v);
        first = static_cast<uint32_t>(_mm_cvtsi128_si32(both));
        second = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(both, 1)));
        return;
    }
#endif
    first = static_cast<uint32_t>(fixedLow32(a[0]));
    second = static_cast<uint32_t>(fixedLow32(a[1]));
}

// Truncation toward zero to int32, as the processor converts: values outside the int32 range (and NaN)
// give the "indefinite" integer 0x80000000 instead of undefined behaviour.
inline int32_t truncToInt32(double a)
{
    if (!(a > -2147483649.0 && a < 2147483648.0))
        return INT32_MIN;
    return static_cast<int32_t>(a);
}

// "Stored as 16 bits": the low 16 bits of the int32 truncation of `a`.
inline int16_t lowBits16(double a)
{
    return static_cast<int16_t>(static_cast<uint16_t>(truncToInt32(a)));
}

// Packs three colour values (low 8 bits each) as 0x00RRGGBB.
inline uint32_t packColor(int r, int g, int b)
{
    return (uint32_t(r & 255) << 16) | (uint32_t(g & 255) << 8) | uint32_t(b & 255);
}
