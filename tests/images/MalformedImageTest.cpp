// Damaged pictures: cut short at every sixteenth, random byte flips. A load never crashes or hangs,
// and ends either empty or as a well-formed 32-bit picture.

#include "ImageTestSupport.h"

#include "data/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class MalformedPicture : public PictureTest {};

const char* const kFixtures[] = {"colour.jpg", "grey.jpg", "progressive.jpg", "mapped8.tga", "rgb24.tga",
                                 "rgba32.tga", "pal8.bmp", "rgb24.bmp",       "rgb32.bmp",   "stripe.jpg"};

void expectWellFormed(const Bitmap& b, const std::string& what)
{
    if (!b.pixels()) {
        EXPECT_EQ(b.width() | b.height() | b.pitch() | b.format(), 0) << what;
        return;
    }
    EXPECT_EQ(b.format(), Bitmap::FormatXrgb32) << what;
    EXPECT_GT(b.width(), 0) << what;
    EXPECT_GT(b.height(), 0) << what;
    EXPECT_EQ(b.pitch(), 4 * b.width()) << what;
    b.touch(); // every pixel readable (the sanitizer build checks)
}

// Small deterministic generator, so a failure repeats.
uint32_t nextRandom(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

} // namespace

TEST_F(MalformedPicture, CutAtEverySixteenthGivesAWellFormedResult)
{
    for (const char* n : kFixtures) {
        const std::vector<uint8_t> whole = fixtureBytes(std::string("images/") + n);
        serve("whole" + std::string(n).substr(std::string(n).size() - 4), whole);
        Bitmap full(("whole" + std::string(n).substr(std::string(n).size() - 4)).c_str());
        ASSERT_NE(full.pixels(), nullptr) << n;
        const size_t messagesBefore = m_platform.messages().size();
        for (size_t k = 0; k < 16; ++k) {
            std::vector<uint8_t> cut(whole.begin(), whole.begin() + ptrdiff_t(whole.size() * k / 16));
            const std::string name = std::string("cut") + n;
            serve(name, cut);
            Bitmap b(name.c_str());
            const std::string what = std::string(n) + " cut at " + std::to_string(k) + "/16";
            expectWellFormed(b, what);
            const bool isJpeg = std::string(n).find(".jpg") != std::string::npos;
            const size_t headerSize = std::string(n).find(".bmp") != std::string::npos ? 54 : 18;
            if (!isJpeg && cut.size() >= headerSize + 1100) {
                // TGA and BMP: the rows that were complete come out as in the whole picture.
                ASSERT_NE(b.pixels(), nullptr) << what;
                ASSERT_EQ(b.width(), full.width());
                EXPECT_EQ(std::memcmp(b.row32(b.height() - 1), full.row32(full.height() - 1), size_t(b.width()) * 4), 0)
                    << what;
            }
            if (!isJpeg && cut.size() < headerSize) {
                EXPECT_EQ(b.pixels(), nullptr) << what;
            }
        }
        EXPECT_LE(m_platform.messages().size() - messagesBefore, 16u) << n; // at most one per picture
    }
}

TEST_F(MalformedPicture, RandomByteFlipsGiveAWellFormedResult)
{
    uint32_t state = 12345;
    for (const char* n : kFixtures) {
        const std::vector<uint8_t> whole = fixtureBytes(std::string("images/") + n);
        const std::string name = std::string("flip") + n;
        for (int round = 0; round < 150; ++round) {
            std::vector<uint8_t> bytes = whole;
            const uint32_t flips = 1 + nextRandom(state) % 8;
            for (uint32_t i = 0; i < flips; ++i) {
                // Half the flips hit the first 64 bytes, where the headers are.
                const size_t limit = (nextRandom(state) & 1) ? std::min<size_t>(64, bytes.size()) : bytes.size();
                bytes[nextRandom(state) % limit] ^= uint8_t(1 + nextRandom(state) % 255);
            }
            serve(name, bytes);
            const size_t before = m_platform.messages().size();
            Bitmap b(name.c_str());
            expectWellFormed(b, std::string(n) + " round " + std::to_string(round));
            EXPECT_LE(m_platform.messages().size(), before + 1) << n << " round " << round;
        }
    }
}

TEST_F(MalformedPicture, HugeDeclaredSizesAreRefusedWithoutAllocating)
{
    // Width and height fields set to their largest values in each format's header.
    std::vector<uint8_t> tga = fixtureBytes("images/rgb24.tga");
    tga[12] = tga[13] = 0xFF; // -1 as signed 16 bits
    tga[14] = 0xFF;
    tga[15] = 0x7F;
    std::vector<uint8_t> tgaWide = fixtureBytes("images/rgb24.tga");
    tgaWide[12] = tgaWide[14] = 0xFF;
    tgaWide[13] = tgaWide[15] = 0x7F; // 32767 x 32767
    std::vector<uint8_t> bmp = fixtureBytes("images/rgb24.bmp");
    for (int i = 18; i < 26; ++i)
        bmp[size_t(i)] = i == 21 || i == 25 ? 0x7F : 0xFF; // INT32_MAX x INT32_MAX
    std::vector<uint8_t> bmpPalette = fixtureBytes("images/pal8.bmp");
    bmpPalette[46] = bmpPalette[47] = bmpPalette[48] = 0xFF; // colour count far beyond 256
    serve({{"a.tga", tga}, {"b.tga", tgaWide}, {"c.bmp", bmp}, {"d.bmp", bmpPalette}});
    EXPECT_EQ(Bitmap("a.tga").pixels(), nullptr);
    EXPECT_EQ(Bitmap("b.tga").pixels(), nullptr);
    EXPECT_EQ(Bitmap("c.bmp").pixels(), nullptr);
    Bitmap d("d.bmp"); // the palette is capped at 256 entries
    expectWellFormed(d, "d.bmp");
    EXPECT_NE(d.pixels(), nullptr);
}
