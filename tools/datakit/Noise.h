#pragma once
// Seeded, tileable noise for the show's pictures: the same numbers on every build.

#include <cstdint>

// Hash of a lattice point to [0, 1).
float latticeValue(int32_t x, int32_t y, uint32_t seed);
// Smooth value noise in [0, 1) over lattice cells of `cell` pixels, repeating every `period` pixels
// (period a multiple of cell; 0 = no repeat).
float valueNoise(float x, float y, float cell, int32_t period, uint32_t seed);
// Sum of `octaves` value-noise layers, each half the cell and half the weight of the one before;
// normalised to [0, 1).
float fractalNoise(float x, float y, float cell, int32_t period, int32_t octaves, uint32_t seed);

// A small linear congruential generator for placing stars, sparks and tiles.
class Scatter {
public:
    explicit Scatter(uint32_t seed) : m_state(seed) {}
    // Uniform in [0, 1).
    float next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<float>(m_state >> 8) / 16777216.0f;
    }

private:
    uint32_t m_state;
};
