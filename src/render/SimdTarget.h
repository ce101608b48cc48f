#pragma once
// The AVX2 kernels are compiled per function (the rest of the program keeps the baseline instruction set)
// and chosen at run time only when the processor and the operating system support AVX2.

// Not on Windows: there GCC keeps the stack 16-byte aligned, which 32-byte AVX spills cannot rely on.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define KALVORA_HAS_AVX2 1
#define KALVORA_AVX2 __attribute__((target("avx2")))
#else
#define KALVORA_HAS_AVX2 0
#define KALVORA_AVX2
#endif

#include <cstdint>

#if KALVORA_HAS_AVX2
#include <immintrin.h>

// Stores the first `count` (0..8) lanes of `v` at `p`, nothing after them.
KALVORA_AVX2 inline void storeFirst(void* p, __m256i v, int32_t count)
{
    const __m256i mask = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    _mm256_maskstore_epi32(static_cast<int*>(p), mask, v);
}
#endif

// True when the AVX2 kernels may run here.
inline bool processorHasAvx2()
{
#if KALVORA_HAS_AVX2
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}
