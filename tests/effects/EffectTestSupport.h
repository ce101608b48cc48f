#pragma once
// Helpers of the effect tests: a scripted trigger source, pictures made in code, frame hashes.

#include "data/Bitmap.h"
#include "music/TriggerSource.h"

#include <cstdint>
#include <map>

// Triggers posted by the test; each `trigger` consumes one, like the player.
class FakeTriggers final : public TriggerSource {
public:
    void post(int index, int count = 1) { m_pending[index] += count; }
    int trigger(int index) override
    {
        const int pending = m_pending[index];
        if (pending > 0)
            m_pending[index] = pending - 1;
        ++m_asked[index];
        return pending;
    }
    int pending(int index) { return m_pending[index]; }
    int asked(int index) { return m_asked[index]; }

private:
    std::map<int, int> m_pending;
    std::map<int, int> m_asked;
};

// A w x h 32-bit picture whose pixel (x, y) is f(x, y).
template<class F>
Bitmap makePicture(int32_t w, int32_t h, F f)
{
    Bitmap b(w, h, Bitmap::FormatXrgb32);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b.row32(y)[x] = f(x, y);
    return b;
}

// A 256 x 256 texture with coarse checks and gradients, easy to recognise by eye.
inline Bitmap testTexture()
{
    return makePicture(256, 256, [](int32_t x, int32_t y) {
        const uint32_t check = ((x >> 5) ^ (y >> 5)) & 1 ? 200u : 60u;
        return (check << 16) | (uint32_t(y) << 8) | uint32_t(255 - x);
    });
}

// A round glow of radius w / 2 on black.
inline Bitmap testFlare(int32_t w)
{
    return makePicture(w, w, [w](int32_t x, int32_t y) {
        const int32_t dx = 2 * x + 1 - w, dy = 2 * y + 1 - w;
        const int32_t d2 = dx * dx + dy * dy, r2 = w * w;
        if (d2 >= r2)
            return 0u;
        const uint32_t v = uint32_t(255 * (r2 - d2) / r2);
        return (v << 16) | (v << 8) | (v * 3 / 4);
    });
}

// FNV-1a over the visible bytes of every row.
inline uint64_t frameHash(const Bitmap& b)
{
    uint64_t h = 1469598103934665603ull;
    for (int32_t y = 0; y < b.height(); ++y) {
        const uint8_t* p = b.row(y);
        for (int32_t i = 0; i < b.width() * 4; ++i) {
            h ^= p[i];
            h *= 1099511628211ull;
        }
    }
    return h;
}
