#include "Noise.h"

#include <cmath>

float latticeValue(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) / 16777216.0f;
}

float valueNoise(float x, float y, float cell, int32_t period, uint32_t seed)
{
    const float fx = x / cell;
    const float fy = y / cell;
    const int32_t ix = static_cast<int32_t>(std::floor(fx));
    const int32_t iy = static_cast<int32_t>(std::floor(fy));
    const float tx = fx - static_cast<float>(ix);
    const float ty = fy - static_cast<float>(iy);
    const int32_t cells = period > 0 ? static_cast<int32_t>(std::lround(static_cast<float>(period) / cell)) : 0;
    auto corner = [&](int32_t cx, int32_t cy) {
        if (cells > 0) {
            cx = ((cx % cells) + cells) % cells;
            cy = ((cy % cells) + cells) % cells;
        }
        return latticeValue(cx, cy, seed);
    };
    const float sx = tx * tx * (3.0f - 2.0f * tx);
    const float sy = ty * ty * (3.0f - 2.0f * ty);
    const float top = corner(ix, iy) + (corner(ix + 1, iy) - corner(ix, iy)) * sx;
    const float bottom = corner(ix, iy + 1) + (corner(ix + 1, iy + 1) - corner(ix, iy + 1)) * sx;
    return top + (bottom - top) * sy;
}

float fractalNoise(float x, float y, float cell, int32_t period, int32_t octaves, uint32_t seed)
{
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    for (int32_t o = 0; o < octaves && cell >= 1.0f; ++o) {
        sum += valueNoise(x, y, cell, period, seed + static_cast<uint32_t>(o) * 101u) * weight;
        total += weight;
        weight *= 0.5f;
        cell *= 0.5f;
    }
    return total > 0.0f ? sum / total : 0.0f;
}
