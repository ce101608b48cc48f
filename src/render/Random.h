#pragma once
// The show's pseudo-random generator: one shared linear congruential sequence, so offline runs repeat.

#include <cstdint>

class Random {
public:
    // The one instance every effect draws from; it starts at seed 1.
    static Random& shared();

    explicit Random(uint32_t seed = 1) : m_state(seed) {}
    void seed(uint32_t seed) { m_state = seed; }
    // state = state x 214013 + 2531011 (mod 2^32); returns bits 16..30 of the new state (0..32767).
    int next()
    {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7fff);
    }

private:
    uint32_t m_state;
};
