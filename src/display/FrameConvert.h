#pragma once
// Copies of a 32-bit 0x00RRGGBB frame into the pixel layouts of the fullscreen output's depths.

#include <cstdint>

// Each function converts `height` rows of `width` pixels; rows start `srcPitch` and `dstPitch` bytes
// apart. The top byte of a source pixel (a picture's alpha, if any) is ignored.

// 32 bits: bytes B, G, R, 0 (the top byte is cleared).
void convertFrameXrgb32(const uint8_t* src, int32_t srcPitch, uint8_t* dst, int32_t dstPitch, int32_t width,
                        int32_t height);
// 24 bits: the three bytes B, G, R per pixel.
void convertFrameBgr24(const uint8_t* src, int32_t srcPitch, uint8_t* dst, int32_t dstPitch, int32_t width,
                       int32_t height);
// 16 bits: the native-endian word (R >> 3) << 10 | (G >> 3) << 5 | (B >> 3), bit 15 clear. This is
// 5-5-5 whatever the screen's 16-bit layout, and not Bitmap's 5-6-5 conversion.
void convertFrameXrgb1555(const uint8_t* src, int32_t srcPitch, uint8_t* dst, int32_t dstPitch, int32_t width,
                          int32_t height);

// One pixel of the 16-bit copy.
inline uint16_t xrgbTo1555(uint32_t pixel)
{
    return uint16_t(((pixel >> 19) & 0x1F) << 10 | ((pixel >> 11) & 0x1F) << 5 | ((pixel >> 3) & 0x1F));
}

// The red, green and blue bits of a 16-bit display mode, as its pixel format reports them.
struct PixelMasks16 {
    uint16_t red, green, blue;
};
inline constexpr PixelMasks16 kMasks555 = {0x7C00, 0x03E0, 0x001F};
inline constexpr PixelMasks16 kMasks565 = {0xF800, 0x07E0, 0x001F};

// 16 bits in the mode's own layout: each of R, G, B keeps its top (mask width) bits, placed at the mask;
// bits outside the masks are 0. With kMasks555 this is exactly convertFrameXrgb1555.
void convertFrameMasked16(const uint8_t* src, int32_t srcPitch, uint8_t* dst, int32_t dstPitch, int32_t width,
                          int32_t height, PixelMasks16 masks);
