#pragma once
// Helpers of the effect tests: the effects' pictures made in code and stored in an archive in memory,
// pattern functions, frame hashes.

#include "Canvas.h"
#include "ImageEncoders.h"
#include "data/Bitmap.h"
#include "data/PackArchive.h"
#include "data/PackWriter.h"

#include <cstdint>
#include <cstring>
#include <string>

// Pictures for the archive the effects load from: each is stored under its name in the encoding that name's
// loader reads (".jpg": JPEG at quality 100, ".tga": 24-bit TGA). Greys that are constant over each 16 x 16
// block come back from JPEG exactly.
class TestArchive {
public:
    // Adds a w x h picture whose pixel (x, y) is 0xRRGGBB = f(x, y).
    template<class F>
    TestArchive& add(const char* name, int32_t w, int32_t h, F f)
    {
        Canvas canvas(w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                canvas.at(x, y) = hex(f(x, y));
        const size_t length = std::strlen(name);
        const bool tga = length > 4 && std::strcmp(name + length - 4, ".tga") == 0;
        m_writer.add(name, tga ? encodeTga(canvas) : encodeJpeg(canvas, 100));
        return *this;
    }
    // Makes the pictures added so far the archive's only entries (packArchive().clear() drops them).
    void open() const
    {
        packArchive().clear();
        packArchive().loadFromMemory(m_writer.bytes().data(), m_writer.bytes().size(), "test.dat");
    }

private:
    PackWriter m_writer;
};

// Every pixel `colour`.
inline auto uniform(uint32_t colour)
{
    return [colour](int32_t, int32_t) { return colour; };
}

// A 256 x 256 texture with coarse checks and gradients, easy to recognise by eye.
inline uint32_t testTexture(int32_t x, int32_t y)
{
    const uint32_t check = ((x >> 5) ^ (y >> 5)) & 1 ? 200u : 60u;
    return (check << 16) | (uint32_t(y) << 8) | uint32_t(255 - x);
}

// A round glow of radius w / 2 on black, as a pattern for a w x w picture.
inline auto testFlare(int32_t w)
{
    return [w](int32_t x, int32_t y) {
        const int32_t dx = 2 * x + 1 - w, dy = 2 * y + 1 - w;
        const int32_t d2 = dx * dx + dy * dy, r2 = w * w;
        if (d2 >= r2)
            return 0u;
        const uint32_t v = uint32_t(255 * (r2 - d2) / r2);
        return (v << 16) | (v << 8) | (v * 3 / 4);
    };
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
