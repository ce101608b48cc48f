#include "data/PngWriter.h"
#include "data/Bitmap.h"

#include <gtest/gtest.h>

TEST(PngWriter, WritesSignatureHeaderAndRawRows)
{
    Bitmap b(2, 1, Bitmap::FormatXrgb32);
    b.row32(0)[0] = 0xAA112233;
    b.row32(0)[1] = 0x00445566;
    const std::vector<uint8_t> rgb = encodePng(b);
    ASSERT_GT(rgb.size(), 8u);
    EXPECT_EQ(rgb[1], 'P');
    EXPECT_EQ(rgb[16 + 3], 2); // width, big-endian
    EXPECT_EQ(rgb[25], 2);     // colour type RGB
    // The stored block holds the scanline: filter 0, then R, G, B per pixel.
    const uint8_t row[] = {0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    EXPECT_NE(std::search(rgb.begin(), rgb.end(), row, row + 7), rgb.end());

    const std::vector<uint8_t> rgba = encodePng(b, true);
    const uint8_t rowA[] = {0, 0x11, 0x22, 0x33, 0xAA, 0x44, 0x55, 0x66, 0x00};
    EXPECT_EQ(rgba[25], 6);
    EXPECT_NE(std::search(rgba.begin(), rgba.end(), rowA, rowA + 9), rgba.end());
}

TEST(PngWriter, RefusesEmptyAndNon32BitImages)
{
    EXPECT_TRUE(encodePng(Bitmap()).empty());
    EXPECT_TRUE(encodePng(Bitmap(2, 2, Bitmap::FormatGrey8)).empty());
}
