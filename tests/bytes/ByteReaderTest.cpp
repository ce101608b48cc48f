#include "data/ByteReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

TEST(ByteReader, ReadsEachWidthInBothByteOrders)
{
    const uint8_t image[] = {0x12, 0x34, 0x56, 0x78, 0xFF, 0xFE, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F};
    ByteReader r(image, sizeof image);
    uint16_t u16;
    uint32_t u32;
    int16_t i16;
    int32_t i32;
    float f;
    EXPECT_TRUE(r.u16le(u16));
    EXPECT_EQ(u16, 0x3412u);
    r.seek(0);
    EXPECT_TRUE(r.u16be(u16));
    EXPECT_EQ(u16, 0x1234u);
    r.seek(0);
    EXPECT_TRUE(r.u32le(u32));
    EXPECT_EQ(u32, 0x78563412u);
    r.seek(0);
    EXPECT_TRUE(r.u32be(u32));
    EXPECT_EQ(u32, 0x12345678u);
    EXPECT_TRUE(r.i16be(i16));
    EXPECT_EQ(i16, -2); // FF FE
    r.seek(4);
    EXPECT_TRUE(r.i16le(i16));
    EXPECT_EQ(i16, -257); // FE FF
    EXPECT_TRUE(r.f32be(f));
    EXPECT_EQ(f, -2.0f); // C0 00 00 00
    EXPECT_TRUE(r.f32le(f));
    EXPECT_EQ(f, 1.0f); // 00 00 80 3F
    EXPECT_EQ(r.remaining(), 0u);
    r.seek(3);
    EXPECT_TRUE(r.i32be(i32));
    EXPECT_EQ(i32, 0x78FFFEC0);
    r.seek(2);
    EXPECT_TRUE(r.i32le(i32));
    EXPECT_EQ(i32, int32_t(0xFEFF7856u));
    EXPECT_TRUE(r.ok());
}

TEST(ByteReader, AReadPastTheEndFailsWritesZeroAndStopsEveryLaterRead)
{
    const uint8_t image[] = {1, 2, 3};
    ByteReader r(image, sizeof image);
    uint16_t u16 = 7;
    uint8_t u8 = 7;
    EXPECT_TRUE(r.u16le(u16));
    EXPECT_FALSE(r.u16le(u16));
    EXPECT_EQ(u16, 0u);
    EXPECT_EQ(r.position(), 2u) << "a failed read does not move the cursor";
    EXPECT_STREQ(r.failure(), "read past end");
    EXPECT_FALSE(r.u8(u8)) << "one byte is left, but the reader has stopped";
    EXPECT_EQ(u8, 0u);
    EXPECT_FALSE(r.seek(0));
    ByteReader none(nullptr, 5);
    EXPECT_TRUE(none.skip(0)) << "no image is an empty one";
    EXPECT_FALSE(none.u8(u8));
}

TEST(ByteReader, CountsNearTheTopOfTheRangeFailInsteadOfWrapping)
{
    const uint8_t image[] = {1, 2, 3, 4};
    ByteReader r(image, sizeof image);
    r.skip(2);
    EXPECT_FALSE(r.skip(UINT64_MAX));
    EXPECT_STREQ(r.failure(), "read past end");
    ByteReader s(image, sizeof image);
    EXPECT_TRUE(s.seek(4)) << "the end itself is a valid position";
    EXPECT_EQ(s.remaining(), 0u);
    EXPECT_FALSE(s.seek(UINT64_MAX));
    EXPECT_STREQ(s.failure(), "seek past end");
}

TEST(ByteReader, StringsStopAtTheirNulAndNeverReadPastWhatIsLeft)
{
    const char image[] = {'a', 'b', 0, 'x', 0, 0, 'y', 'c', 'd'};
    ByteReader r(reinterpret_cast<const uint8_t*>(image), sizeof image);
    std::string text;
    EXPECT_TRUE(r.cString(text));
    EXPECT_EQ(text, "ab");
    EXPECT_TRUE(r.fixedString(text, 4));
    EXPECT_EQ(text, "x") << "a fixed field keeps the bytes before its first NUL";
    EXPECT_EQ(r.position(), 7u) << "and always spans its whole length";
    EXPECT_FALSE(r.cString(text)) << "\"cd\" ends with the image, not with a NUL";
    EXPECT_STREQ(r.failure(), "string not terminated");
}
