#include "display/FrameConvert.h"
#include "data/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Three pixels per row, two rows, with padding after each source row.
constexpr int32_t kW = 3, kH = 2, kSrcPitch = 16;
const uint32_t kPixels[kH][kW] = {
    {0xAB123456u, 0x00FFFFFFu, 0xFF000000u},
    {0x00F80000u, 0x00070707u, 0x00080808u},
};

std::vector<uint8_t> source()
{
    std::vector<uint8_t> src(kSrcPitch * kH, 0x5A);
    for (int y = 0; y < kH; ++y)
        std::memcpy(&src[y * kSrcPitch], kPixels[y], sizeof kPixels[y]);
    return src;
}

uint16_t word16(const std::vector<uint8_t>& d, size_t at)
{
    uint16_t w;
    std::memcpy(&w, &d[at], 2);
    return w;
}

} // namespace

TEST(FrameConvert, Depth32ClearsTheTopByteAndKeepsBgrBytes)
{
    const std::vector<uint8_t> src = source();
    std::vector<uint8_t> dst(20 * kH, 0xEE);
    convertFrameXrgb32(src.data(), kSrcPitch, dst.data(), 20, kW, kH);
    const uint8_t row0[12] = {0x56, 0x34, 0x12, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(0, std::memcmp(dst.data(), row0, 12));
    const uint8_t row1[12] = {0x00, 0x00, 0xF8, 0x00, 0x07, 0x07, 0x07, 0x00, 0x08, 0x08, 0x08, 0x00};
    EXPECT_EQ(0, std::memcmp(&dst[20], row1, 12));
    for (int i = 12; i < 20; ++i)
        EXPECT_EQ(0xEE, dst[i]) << "row padding at " << i;
}

TEST(FrameConvert, Depth24WritesBlueGreenRedBytesAndLeavesRowPaddingAlone)
{
    const std::vector<uint8_t> src = source();
    std::vector<uint8_t> dst(12 * kH, 0xEE);
    convertFrameBgr24(src.data(), kSrcPitch, dst.data(), 12, kW, kH);
    const uint8_t expected[24] = {0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xEE, 0xEE, 0xEE,
                                  0x00, 0x00, 0xF8, 0x07, 0x07, 0x07, 0x08, 0x08, 0x08, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(0, std::memcmp(dst.data(), expected, sizeof expected));
}

TEST(FrameConvert, Depth16Is555WithBit15ClearAndTruncatedChannels)
{
    const std::vector<uint8_t> src = source();
    std::vector<uint8_t> dst(8 * kH, 0xEE);
    convertFrameXrgb1555(src.data(), kSrcPitch, dst.data(), 8, kW, kH);
    EXPECT_EQ(0x08CA, word16(dst, 0)); // R 0x12 -> 2, G 0x34 -> 6, B 0x56 -> 10
    EXPECT_EQ(0x7FFF, word16(dst, 2)); // white: bit 15 stays clear
    EXPECT_EQ(0x0000, word16(dst, 4)); // the top byte is ignored
    EXPECT_EQ(0xEEEE, word16(dst, 6)); // padding
    EXPECT_EQ(0x7C00, word16(dst, 8));
    EXPECT_EQ(0x0000, word16(dst, 10)); // the low three bits of each channel are dropped
    EXPECT_EQ(0x0421, word16(dst, 12));
    EXPECT_EQ(0xEEEE, word16(dst, 14));
}

TEST(FrameConvert, Depth16GreenDiffersFromBitmap565Conversion)
{
    EXPECT_EQ(0x03E0, xrgbTo1555(0x0000FF00u));
    Bitmap b(1, 1, Bitmap::FormatXrgb32);
    b.row32(0)[0] = 0x0000FF00u;
    ASSERT_EQ(1, b.convert(Bitmap::FormatRgb565));
    uint16_t w;
    std::memcpy(&w, b.pixels(), 2);
    EXPECT_EQ(0x07E0, w);
}

TEST(FrameConvert, EveryChannelValueMapsToItsTopFiveBits)
{
    for (uint32_t v = 0; v < 256; ++v) {
        ASSERT_EQ(v >> 3, xrgbTo1555(v)) << v;
        ASSERT_EQ((v >> 3) << 5, xrgbTo1555(v << 8)) << v;
        ASSERT_EQ((v >> 3) << 10, xrgbTo1555(v << 16)) << v;
    }
}

TEST(FrameConvert, MaskedDepth16With555MasksEqualsThe555Copy)
{
    const std::vector<uint8_t> src = source();
    std::vector<uint8_t> expected(8 * kH, 0xEE), dst(8 * kH, 0xEE);
    convertFrameXrgb1555(src.data(), kSrcPitch, expected.data(), 8, kW, kH);
    convertFrameMasked16(src.data(), kSrcPitch, dst.data(), 8, kW, kH, kMasks555);
    EXPECT_EQ(expected, dst);
}

TEST(FrameConvert, MaskedDepth16With565MasksKeepsSixGreenBits)
{
    const std::vector<uint8_t> src = source();
    std::vector<uint8_t> dst(8 * kH, 0xEE);
    convertFrameMasked16(src.data(), kSrcPitch, dst.data(), 8, kW, kH, kMasks565);
    EXPECT_EQ(0x11AA, word16(dst, 0)); // R 0x12 -> 2 << 11, G 0x34 -> 13 << 5, B 0x56 -> 10
    EXPECT_EQ(0xFFFF, word16(dst, 2));
    EXPECT_EQ(0x0000, word16(dst, 4));
    EXPECT_EQ(0xEEEE, word16(dst, 6));
    EXPECT_EQ(0xF800, word16(dst, 8));
    EXPECT_EQ(0x0020, word16(dst, 10)); // G 0x07 keeps one of its six bits
    EXPECT_EQ(0x0841, word16(dst, 12));
}
