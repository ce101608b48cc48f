#pragma once
// The per-pixel and per-cell rules of the pixel kernels, shared by the scalar loops and the SIMD loops' tails.

#include "render/PixelOps.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Per byte: min(a + b, 255).
inline uint32_t addBytes(uint32_t a, uint32_t b)
{
    uint32_t out = 0;
    for (int i = 0; i < 32; i += 8) {
        const uint32_t s = ((a >> i) & 255) + ((b >> i) & 255);
        out |= std::min(s, 255u) << i;
    }
    return out;
}

// Per byte: max(a - b, 0).
inline uint32_t subtractBytes(uint32_t a, uint32_t b)
{
    uint32_t out = 0;
    for (int i = 0; i < 32; i += 8) {
        const int32_t s = int32_t((a >> i) & 255) - int32_t((b >> i) & 255);
        out |= uint32_t(std::max(s, 0)) << i;
    }
    return out;
}

// The refraction tables hold 4096 entries around 2048.
inline int32_t tableIndex(int32_t i)
{
    return std::clamp(i, 0, 4095);
}

// One refracted pixel of water cell i (column x, row y): the picture shifted by the height difference
// between the cells below and above, brightened where that difference is positive.
inline uint32_t waterCell(const WaterTables& tables, const uint8_t* picture, const int16_t* heights, ptrdiff_t i,
                          int32_t width, int32_t x, int32_t y)
{
    const int32_t d = int32_t(heights[i + width]) - int32_t(heights[i - width]);
    const int32_t shift = d >> 5;
    const int32_t offset = tables.rows[tableIndex(2048 + shift + y)] + tables.columns[tableIndex(2048 + shift + x)];
    uint32_t source;
    std::memcpy(&source, picture + offset, 4);
    const uint32_t h = d <= 0 ? 0u : uint32_t(std::min(255, d >> 2));
    return addBytes(source, h * 0x01010101u);
}

// One step of water cell i: the sum of its eight neighbours >> 2, less its previous height, damped by
// n - (n >> shift).
// The result keeps its low 16 bits.
inline int16_t stepCell(const int16_t* current, const int16_t* previous, ptrdiff_t i, int32_t width, int32_t shift)
{
    const int32_t s = current[i - width - 1] + current[i - width] + current[i - width + 1] + current[i - 1] +
                      current[i + 1] + current[i + width - 1] + current[i + width] + current[i + width + 1];
    int32_t n = (s >> 2) - previous[i];
    n = n - (n >> shift);
    return int16_t(uint16_t(uint32_t(n)));
}
