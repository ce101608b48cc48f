#include "display/FrameConvert.h"

#include <cstddef>
#include <cstring>

namespace {

inline uint32_t load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// One channel of a 16-bit mode: where its mask starts and how many bits it has (at most 8 are used).
struct Channel16 {
    int shift;
    int bits;
};

Channel16 channelOf(uint16_t mask)
{
    Channel16 c{0, 0};
    if (mask == 0)
        return c;
    while (!(mask & (1u << c.shift)))
        ++c.shift;
    while (c.shift + c.bits < 16 && (mask & (1u << (c.shift + c.bits))))
        ++c.bits;
    if (c.bits > 8) {
        c.shift += c.bits - 8;
        c.bits = 8;
    }
    return c;
}

inline uint32_t place(uint32_t value8, Channel16 c)
{
    return c.bits == 0 ? 0 : (value8 >> (8 - c.bits)) << c.shift;
}

} // namespace

void convertFrameXrgb32(const uint8_t* src, int32_t srcPitch, uint8_t* dst, int32_t dstPitch, int32_t width,
                        int32_t height)
{
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = src + ptrdiff_t(y) * srcPitch;
        uint8_t* d = dst + ptrdiff_t(y) * dstPitch;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = load32(s + 4 * x) & 0x00FFFFFFu;
            std::memcpy(d + 4 * x, &v, 4);
        }
    }
}

void convertFrameBgr24(const uint8_t* src, int32_t srcPitch, uint8_t* dst, int32_t dstPitch, int32_t width,
                       int32_t height)
{
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = src + ptrdiff_t(y) * srcPitch;
        uint8_t* d = dst + ptrdiff_t(y) * dstPitch;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = load32(s + 4 * x);
            d[3 * x + 0] = uint8_t(v);       // B
            d[3 * x + 1] = uint8_t(v >> 8);  // G
            d[3 * x + 2] = uint8_t(v >> 16); // R
        }
    }
}

void convertFrameXrgb1555(const uint8_t* src, int32_t srcPitch, uint8_t* dst, int32_t dstPitch, int32_t width,
                          int32_t height)
{
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = src + ptrdiff_t(y) * srcPitch;
        uint8_t* d = dst + ptrdiff_t(y) * dstPitch;
        for (int32_t x = 0; x < width; ++x) {
            const uint16_t w = xrgbTo1555(load32(s + 4 * x));
            std::memcpy(d + 2 * x, &w, 2);
        }
    }
}

void convertFrameMasked16(const uint8_t* src, int32_t srcPitch, uint8_t* dst, int32_t dstPitch, int32_t width,
                          int32_t height, PixelMasks16 masks)
{
    const Channel16 r = channelOf(masks.red), g = channelOf(masks.green), b = channelOf(masks.blue);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = src + ptrdiff_t(y) * srcPitch;
        uint8_t* d = dst + ptrdiff_t(y) * dstPitch;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = load32(s + 4 * x);
            const uint16_t w = uint16_t(place((v >> 16) & 0xFF, r) | place((v >> 8) & 0xFF, g) | place(v & 0xFF, b));
            std::memcpy(d + 2 * x, &w, 2);
        }
    }
}
