#include "data/PngWriter.h"
#include "data/Bitmap.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace {
uint32_t be32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// The IDAT chunk's data (the writer makes one), inflated by zlib.
std::vector<uint8_t> scanlines(const std::vector<uint8_t>& png, size_t rawSize)
{
    for (size_t at = 8; at + 8 <= png.size(); at += 12 + be32(png, at)) {
        if (std::equal(png.begin() + long(at) + 4, png.begin() + long(at) + 8, "IDAT")) {
            std::vector<uint8_t> raw(rawSize);
            uLongf size = uLongf(rawSize);
            if (uncompress(raw.data(), &size, png.data() + at + 8, be32(png, at)) != Z_OK || size != rawSize)
                return {};
            return raw;
        }
    }
    return {};
}
} // namespace

TEST(PngWriter, RowsAreSubFilteredAndDeflated)
{
    Bitmap b(2, 1, Bitmap::FormatXrgb32);
    b.row32(0)[0] = 0xAA112233;
    b.row32(0)[1] = 0x00445566;
    const std::vector<uint8_t> rgb = encodePng(b);
    ASSERT_GT(rgb.size(), 8u);
    EXPECT_EQ(rgb[1], 'P');
    EXPECT_EQ(rgb[16 + 3], 2); // width, big-endian
    EXPECT_EQ(rgb[25], 2);     // colour type RGB
    // Filter 1, then each byte less the same channel of the pixel to its left.
    EXPECT_EQ(scanlines(rgb, 7), (std::vector<uint8_t>{1, 0x11, 0x22, 0x33, 0x33, 0x33, 0x33}));

    const std::vector<uint8_t> rgba = encodePng(b, true);
    EXPECT_EQ(rgba[25], 6);
    EXPECT_EQ(scanlines(rgba, 9), (std::vector<uint8_t>{1, 0x11, 0x22, 0x33, 0xAA, 0x33, 0x33, 0x33, 0x56}));
}

TEST(PngWriter, AShowFrameIsCompressed)
{
    Bitmap frame(640, 480, Bitmap::FormatXrgb32);
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < 640; ++x)
            frame.row32(y)[x] = uint32_t(x / 3) << 16 | uint32_t(y / 2) << 8 | uint32_t((x + y) & 255);
    EXPECT_LT(encodePng(frame).size(), 640u * 480 * 3 / 20) << "a twentieth of the raw size at most";
}

TEST(PngWriter, RefusesEmptyAndNon32BitImages)
{
    EXPECT_TRUE(encodePng(Bitmap()).empty());
    EXPECT_TRUE(encodePng(Bitmap(2, 2, Bitmap::FormatGrey8)).empty());
}
