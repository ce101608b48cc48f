#include "data/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
Bitmap numbered(int w, int h)
{
    Bitmap b(w, h, Bitmap::FormatXrgb32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.row32(y)[x] = uint32_t(y * 1000 + x);
    return b;
}
} // namespace

TEST(Bitmap, CreateIsZeroedWithTightPitch)
{
    Bitmap b(5, 3, Bitmap::FormatRgb24);
    EXPECT_EQ(b.pitch(), 15);
    EXPECT_TRUE(b.ownsPixels());
    for (int i = 0; i < 45; ++i)
        EXPECT_EQ(b.pixels()[i], 0);
}

TEST(Bitmap, BadSizeOrFormatGivesAnEmptyBitmap)
{
    for (auto [w, h, f] : {std::tuple{0, 4, 1}, {4, -1, 1}, {4, 4, 7}, {1 << 20, 1 << 20, 1}}) {
        Bitmap b;
        EXPECT_EQ(b.create(w, h, f), 0);
        EXPECT_EQ(b.pixels(), nullptr);
        EXPECT_EQ(b.width() | b.height() | b.pitch() | b.format(), 0);
    }
}

TEST(Bitmap, ViewOfBackBufferBandStartsAtRow80WithParentPitch)
{
    Bitmap frame(640, 480, Bitmap::FormatXrgb32);
    const Bitmap band = Bitmap::view(frame, 0, 80, 640, 320);
    EXPECT_EQ(band.pixels(), frame.pixels() + 80 * 2560);
    EXPECT_EQ(band.pitch(), 2560);
    EXPECT_EQ(band.format(), 1);
    EXPECT_FALSE(band.ownsPixels());
}

TEST(Bitmap, FillOfViewCoversWholeParentRowsAndStopsAtItsHeight)
{
    Bitmap frame(8, 6, Bitmap::FormatXrgb32);
    Bitmap v = Bitmap::view(frame, 0, 2, 3, 2);
    v.fill(0x112, 0x34, 0x56); // only the low 8 bits of each count
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(frame.row32(y)[x], (y == 2 || y == 3) ? 0x123456u : 0u) << x << "," << y;
}

TEST(Bitmap, FillOfViewNeverWritesPastTheParentsBlock)
{
    Bitmap frame(8, 4, Bitmap::FormatXrgb32);
    Bitmap v = Bitmap::view(frame, 2, 2, 6, 2); // height x pitch from (2, 2) would run 8 bytes past the end
    v.fill(255, 255, 255);
    EXPECT_EQ(frame.row32(3)[7], 0xFFFFFFu);
    EXPECT_EQ(frame.row32(2)[1], 0u);
}

TEST(Bitmap, ViewIsClippedToItsParent)
{
    Bitmap frame(8, 4, Bitmap::FormatXrgb32);
    const Bitmap right = Bitmap::view(frame, 5, 1, 10, 10);
    EXPECT_EQ(right.pixels(), frame.pixels() + 1 * 32 + 5 * 4);
    EXPECT_EQ(right.width(), 3);
    EXPECT_EQ(right.height(), 3);
    Bitmap above = Bitmap::view(frame, -2, -2, 4, 3);
    EXPECT_EQ(above.pixels(), frame.pixels());
    EXPECT_EQ(above.width(), 2);
    EXPECT_EQ(above.height(), 1);
    above.fill(255, 255, 255);
    EXPECT_EQ(frame.row32(0)[7], 0xFFFFFFu) << "the one row left, as whole parent rows";
    EXPECT_EQ(frame.row32(1)[0], 0u);
    Bitmap gone[] = {Bitmap::view(frame, 0, 50, 8, 4), Bitmap::view(frame, 8, 0, 1, 1),
                     Bitmap::view(frame, 0, -4, 8, 4)};
    for (Bitmap& outside : gone) {
        EXPECT_EQ(outside.pixels(), nullptr);
        EXPECT_EQ(outside.width() | outside.height(), 0);
        outside.fill(255, 255, 255);
    }
}

TEST(Bitmap, FillLeavesOtherFormatsUnchanged)
{
    for (int f : {2, 3, 4}) {
        Bitmap b(4, 4, f);
        b.fill(255, 255, 255);
        for (int i = 0; i < b.pitch() * 4; ++i)
            ASSERT_EQ(b.pixels()[i], 0);
    }
}

TEST(Bitmap, ConvertGreyAndRgbTo32Bit)
{
    Bitmap grey(2, 1, Bitmap::FormatGrey8);
    grey.pixels()[0] = 0x7F;
    grey.pixels()[1] = 0xFF;
    ASSERT_EQ(grey.convert(1), 1);
    EXPECT_EQ(grey.pitch(), 8);
    EXPECT_EQ(grey.row32(0)[0], 0x7F7F7Fu);
    EXPECT_EQ(grey.row32(0)[1], 0xFFFFFFu);

    Bitmap rgb(1, 1, Bitmap::FormatRgb24);
    std::memcpy(rgb.pixels(), "\x12\x34\x56", 3);
    ASSERT_EQ(rgb.convert(1), 1);
    EXPECT_EQ(rgb.row32(0)[0], 0x123456u);
}

TEST(Bitmap, ConvertTo16BitIs565)
{
    Bitmap b(1, 1, Bitmap::FormatXrgb32);
    b.row32(0)[0] = 0xFF8040;
    ASSERT_EQ(b.convert(2), 1);
    EXPECT_EQ(b.pitch(), 2);
    uint16_t v;
    std::memcpy(&v, b.pixels(), 2);
    EXPECT_EQ(v, (31 << 11) | (32 << 5) | 8);
}

TEST(Bitmap, RefusedConversionsLeaveTheBitmapAsItWas)
{
    Bitmap b(2, 2, Bitmap::FormatRgb565);
    const uint8_t* before = b.pixels();
    EXPECT_EQ(b.convert(1), 0);
    EXPECT_EQ(b.format(), 2);
    EXPECT_EQ(b.pixels(), before);
    EXPECT_EQ(b.convert(5), 0);
    EXPECT_EQ(b.convert(2), 1); // already that format

    Bitmap frame(4, 4, Bitmap::FormatXrgb32);
    Bitmap v = Bitmap::view(frame, 0, 0, 4, 4);
    EXPECT_EQ(v.convert(2), 0);
    EXPECT_EQ(v.resize(8, 8), 0);
    Bitmap empty;
    EXPECT_EQ(empty.convert(1), 0);
}

TEST(Bitmap, ResizeTakesTruncatedSourceRowsAndColumns)
{
    Bitmap b = numbered(300, 200);
    ASSERT_EQ(b.resize(256, 256), 1);
    EXPECT_EQ(b.pitch(), 1024);
    for (int i : {0, 1, 100, 255})
        for (int j : {0, 1, 128, 255})
            EXPECT_EQ(b.row32(i)[j], uint32_t((i * 200 / 256) * 1000 + j * 300 / 256)) << i << "," << j;
    EXPECT_EQ(b.resize(256, 256), 0);
}

TEST(Bitmap, ResizeCopiesEveryByteOfWidePixels)
{
    Bitmap b(2, 1, Bitmap::FormatRgb24);
    std::memcpy(b.pixels(), "\x01\x02\x03\x04\x05\x06", 6);
    ASSERT_EQ(b.resize(4, 1), 1);
    EXPECT_EQ(std::memcmp(b.pixels(), "\x01\x02\x03\x01\x02\x03\x04\x05\x06\x04\x05\x06", 12), 0);
}

TEST(Bitmap, TouchReadsOnly32BitImages)
{
    Bitmap b = numbered(3, 2);
    EXPECT_EQ(b.touch(), 0u + 1 + 2 + 1000 + 1001 + 1002);
    Bitmap grey(3, 2, Bitmap::FormatGrey8);
    EXPECT_EQ(grey.touch(), 0u);
}

TEST(Bitmap, DestroyTwiceIsHarmlessAndMoveLeavesEmpty)
{
    Bitmap a = numbered(2, 2);
    Bitmap b = std::move(a);
    EXPECT_EQ(a.pixels(), nullptr);
    EXPECT_EQ(b.row32(1)[1], 1001u);
    b.destroy();
    b.destroy();
    EXPECT_EQ(b.pixels(), nullptr);
}
