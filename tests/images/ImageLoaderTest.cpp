// Picture loading: decoder choice, real pictures against reference decodes, TGA and BMP layouts.

#include "ImageTestSupport.h"

#include "data/Bitmap.h"
#include "data/PackArchive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

class ImageLoader : public PictureTest {};
class TgaLoader : public PictureTest {};
class BmpLoader : public PictureTest {};
class JpegLoader : public PictureTest {};

void expectEmpty(const Bitmap& b)
{
    EXPECT_EQ(b.pixels(), nullptr);
    EXPECT_EQ(b.width(), 0);
    EXPECT_EQ(b.height(), 0);
    EXPECT_EQ(b.pitch(), 0);
    EXPECT_EQ(b.format(), 0);
}

// Every pixel of `b` against the reference: RGB (grey spread to all three), and the top byte against
// the reference alpha, or 0 when the reference has none.
void expectMatches(const Bitmap& b, const std::string& reference)
{
    ReferenceImage ref;
    ASSERT_TRUE(readReference(reference, ref)) << reference;
    ASSERT_EQ(b.format(), Bitmap::FormatXrgb32);
    ASSERT_EQ(b.width(), ref.width);
    ASSERT_EQ(b.height(), ref.height);
    ASSERT_EQ(b.pitch(), 4 * b.width());
    int mismatches = 0;
    for (int32_t y = 0; y < ref.height; ++y) {
        for (int32_t x = 0; x < ref.width; ++x) {
            const uint8_t* s = &ref.samples[(size_t(y) * size_t(ref.width) + size_t(x)) * size_t(ref.channels)];
            uint32_t expected =
                ref.channels == 1 ? uint32_t(s[0]) * 0x010101u : uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
            if (ref.channels == 4)
                expected |= uint32_t(s[3]) << 24;
            if (b.row32(y)[x] != expected && ++mismatches <= 3)
                ADD_FAILURE() << reference << " at " << x << "," << y << ": " << std::hex << b.row32(y)[x]
                              << " != " << expected;
        }
    }
    EXPECT_EQ(mismatches, 0) << reference;
}

std::vector<uint8_t> makeTga(uint8_t type, int16_t width, int16_t height, uint8_t depth, int16_t mapFirst,
                             int16_t mapLength, uint8_t entryBits, const std::vector<uint8_t>& map,
                             const std::vector<uint8_t>& pixels, uint8_t descriptor = 0, const std::string& id = "")
{
    std::vector<uint8_t> f;
    f.push_back(uint8_t(id.size()));
    f.push_back(mapLength ? 1 : 0);
    f.push_back(type);
    put16(f, uint16_t(mapFirst));
    put16(f, uint16_t(mapLength));
    f.push_back(entryBits);
    put16(f, 0);
    put16(f, 0);
    put16(f, uint16_t(width));
    put16(f, uint16_t(height));
    f.push_back(depth);
    f.push_back(descriptor);
    f.insert(f.end(), id.begin(), id.end());
    f.insert(f.end(), map.begin(), map.end());
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

struct BmpSpec {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    uint32_t infoSize = 40;
    std::vector<uint8_t> extra; // masks or palette right after the info header
    size_t gap = 0;             // bytes between those and the pixel data
    std::vector<uint8_t> pixels;
};

std::vector<uint8_t> makeBmp(const BmpSpec& s)
{
    std::vector<uint8_t> f = {'B', 'M'};
    const uint32_t dataOffset = uint32_t(14 + 40 + s.extra.size() + s.gap);
    put32(f, uint32_t(dataOffset + s.pixels.size()));
    put32(f, 0);
    put32(f, dataOffset);
    put32(f, s.infoSize);
    put32(f, uint32_t(s.width));
    put32(f, uint32_t(s.height));
    put16(f, 1);
    put16(f, s.bits);
    put32(f, s.compression);
    put32(f, uint32_t(s.pixels.size()));
    put32(f, 2835);
    put32(f, 2835);
    put32(f, s.coloursUsed);
    put32(f, 0);
    f.insert(f.end(), s.extra.begin(), s.extra.end());
    f.insert(f.end(), s.gap, uint8_t(0xEE)); // garbage that must not be read as pixels
    f.insert(f.end(), s.pixels.begin(), s.pixels.end());
    return f;
}

} // namespace

TEST_F(ImageLoader, DecoderIsChosenByTheLastLetterWithoutRegardToCase)
{
    const std::vector<uint8_t> tga = makeTga(2, 1, 1, 24, 0, 0, 0, {}, {1, 2, 3});
    serve({{"pic.tga", tga},
           {"pic.xya", tga},
           {"pic.tgx", tga},
           {"data\\endpic.jpg", fixtureBytes("images/colour.jpg")},
           {"long.jpeg", fixtureBytes("images/colour.jpg")},
           {"pic.bmp", fixtureBytes("images/rgb24.bmp")}});
    Bitmap b;
    EXPECT_EQ(b.load("PIC.TGA"), 1);
    EXPECT_EQ(b.row32(0)[0], 0x030201u);
    EXPECT_EQ(b.load("pic.xya"), 1);
    EXPECT_EQ(b.load("pic.tgx"), 0);
    expectEmpty(b);
    EXPECT_EQ(b.load("DATA\\ENDPIC.JPG"), 1);
    EXPECT_EQ(b.width(), 37);
    EXPECT_EQ(b.load("long.jpeg"), 1);
    EXPECT_EQ(b.load("Pic.Bmp"), 1);
    EXPECT_EQ(b.load("missing.jpg"), 0);
    expectEmpty(b);
    EXPECT_EQ(b.load(""), 0);
    EXPECT_EQ(b.load(nullptr), 0);
    Bitmap constructed("data\\endpic.jpg");
    EXPECT_EQ(constructed.width(), 37);
    EXPECT_TRUE(m_platform.messages().empty());
}

TEST_F(ImageLoader, PlainFilesServeWhenNoArchiveIsOpen)
{
    packArchive().clear();
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(KALVORA_TEST_DATA);
    Bitmap b("IMAGES\\RGB24.TGA");
    std::filesystem::current_path(old);
    expectMatches(b, "images/rgb24.tga.ppm");
}

TEST_F(ImageLoader, RealPicturesMatchTheirReferenceDecodesPixelForPixel)
{
    const char* names[] = {"colour.jpg", "grey.jpg", "progressive.jpg", "mapped8.tga", "rgb24.tga",
                           "rgba32.tga", "pal8.bmp", "rgb24.bmp",       "rgb32.bmp"};
    std::vector<std::pair<std::string, std::vector<uint8_t>>> entries;
    for (const char* n : names)
        entries.push_back({std::string("images\\") + n, fixtureBytes(std::string("images/") + n)});
    serve(entries);
    for (const char* n : names) {
        Bitmap b;
        ASSERT_EQ(b.load((std::string("images\\") + n).c_str()), 1) << n;
        const std::string base = std::string("images/") + n;
        const char* suffix = std::strstr(n, "32") ? ".pam" : std::strstr(n, "grey") ? ".pgm" : ".ppm";
        expectMatches(b, base + suffix);
    }
    EXPECT_TRUE(m_platform.messages().empty());
}

TEST_F(JpegLoader, ThirdPartyProgressivePictureMatchesTheReferenceHash)
{
    serve("stripe.jpg", fixtureBytes("images/stripe.jpg"));
    Bitmap b("stripe.jpg");
    ASSERT_EQ(b.width(), 493);
    ASSERT_EQ(b.height(), 58);
    uint64_t hash = 0xcbf29ce484222325u; // FNV-1a over R, G, B of every pixel, rows top to bottom
    for (int32_t y = 0; y < b.height(); ++y) {
        for (int32_t x = 0; x < b.width(); ++x) {
            const uint32_t p = b.row32(y)[x];
            ASSERT_EQ(p >> 24, 0u);
            for (int shift = 16; shift >= 0; shift -= 8)
                hash = (hash ^ ((p >> shift) & 255)) * 0x100000001b3u;
        }
    }
    EXPECT_EQ(hash, 0xd892e61bdadc9218u);
}

TEST_F(JpegLoader, TruncatedPictureWarnsOnceAndEndsWhereTheDataEnds)
{
    std::vector<uint8_t> jpeg = fixtureBytes("images/colour.jpg");
    jpeg.resize(700);
    serve("cut.jpg", jpeg);
    Bitmap b("cut.jpg");
    expectMatches(b, "images/colour-cut700.ppm");
    const std::vector<std::string> messages = m_platform.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "JPEG Error: Premature end of JPEG file");
}

TEST_F(JpegLoader, EmptyOrCorruptFileGivesAnEmptyBitmapWithoutMessage)
{
    std::vector<uint8_t> notJpeg = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
    serve({{"empty.jpg", {}}, {"gif.jpg", notJpeg}});
    Bitmap b;
    EXPECT_EQ(b.load("empty.jpg"), 0);
    expectEmpty(b);
    EXPECT_EQ(b.load("gif.jpg"), 0);
    expectEmpty(b);
    EXPECT_TRUE(m_platform.messages().empty());
}

TEST_F(JpegLoader, GreyPictureHasEqualRedGreenAndBlue)
{
    serve("grey.jpg", fixtureBytes("images/grey.jpg"));
    Bitmap b("grey.jpg");
    ASSERT_NE(b.pixels(), nullptr);
    for (int32_t y = 0; y < b.height(); ++y)
        for (int32_t x = 0; x < b.width(); ++x)
            ASSERT_EQ(b.row32(y)[x], (b.row32(y)[x] & 255) * 0x010101u);
}

TEST_F(JpegLoader, FourComponentPictureIsRefused)
{
    serve("cmyk.jpg", fixtureBytes("images/cmyk.jpg"));
    Bitmap b;
    EXPECT_EQ(b.load("cmyk.jpg"), 0);
    expectEmpty(b);
}

TEST_F(JpegLoader, DeclaredSizeBeyond16MegapixelsIsRefusedBeforeDecoding)
{
    std::vector<uint8_t> jpeg = fixtureBytes("images/colour.jpg");
    // The frame header (FF C0): length (2), precision (1), height (2), width (2).
    size_t sof = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    ASSERT_NE(sof, 0u);
    jpeg[sof + 5] = 0xFF; // height 65535 and up
    jpeg[sof + 7] = 0xFF; // width 65535 and up
    serve("huge.jpg", jpeg);
    Bitmap b;
    EXPECT_EQ(b.load("huge.jpg"), 0);
    expectEmpty(b);
}

TEST_F(TgaLoader, ColourMapFillsFromItsFirstIndexAndUnsetEntriesAreBlack)
{
    // Four entries from index 16; pixels use indices 16, 19, 0 and 20 (never set).
    const std::vector<uint8_t> map = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const std::vector<uint8_t> tga = makeTga(1, 4, 1, 8, 16, 4, 24, map, {16, 19, 0, 20});
    serve("m.tga", tga);
    Bitmap b("m.tga");
    ASSERT_EQ(b.width(), 4);
    EXPECT_EQ(b.row32(0)[0], 0x030201u);
    EXPECT_EQ(b.row32(0)[1], 0x0C0B0Au);
    EXPECT_EQ(b.row32(0)[2], 0u);
    EXPECT_EQ(b.row32(0)[3], 0u);
}

TEST_F(TgaLoader, MapEntriesOutsideThePaletteAreReadAndDropped)
{
    // 32-bit entries from index 254: 254 and 255 land, 256 and 257 are dropped, pixels follow after them.
    std::vector<uint8_t> map;
    for (uint8_t i = 0; i < 4; ++i)
        map.insert(map.end(), {uint8_t(10 * i), uint8_t(10 * i + 1), uint8_t(10 * i + 2), 0x77});
    serve("m.tga", makeTga(1, 3, 1, 8, 254, 4, 32, map, {254, 255, 0}));
    Bitmap b("m.tga");
    ASSERT_EQ(b.width(), 3);
    EXPECT_EQ(b.row32(0)[0], 0x020100u);
    EXPECT_EQ(b.row32(0)[1], 0x0C0B0Au);
    EXPECT_EQ(b.row32(0)[2], 0u);

    // A negative first index: only entries reaching 0..255 land; 16-bit entries are skipped whole.
    serve({{"n.tga", makeTga(1, 1, 1, 8, -1, 2, 24, {9, 9, 9, 1, 2, 3}, {0})},
           {"s.tga", makeTga(1, 1, 1, 8, 0, 2, 16, {0xFF, 0xFF, 0xFF, 0xFF}, {0})}});
    EXPECT_EQ(Bitmap("n.tga").row32(0)[0], 0x030201u);
    Bitmap s("s.tga");
    ASSERT_EQ(s.width(), 1);
    EXPECT_EQ(s.row32(0)[0], 0u);
}

TEST_F(TgaLoader, RowsAreBottomUpWhateverTheDescriptorSaysAndIdFieldIsSkipped)
{
    const std::vector<uint8_t> px = {1, 1, 1, 2, 2, 2}; // 1 x 2, bottom row first
    serve({{"a.tga", makeTga(2, 1, 2, 24, 0, 0, 0, {}, px)},
           {"b.tga", makeTga(2, 1, 2, 24, 0, 0, 0, {}, px, 0x20, "hello")}});
    for (const char* n : {"a.tga", "b.tga"}) {
        Bitmap b(n);
        ASSERT_EQ(b.height(), 2) << n;
        EXPECT_EQ(b.row32(0)[0], 0x020202u) << n;
        EXPECT_EQ(b.row32(1)[0], 0x010101u) << n;
    }
}

TEST_F(TgaLoader, AlphaOf32BitPixelsLandsInTheTopByteAnd24BitLeavesItZero)
{
    serve({{"a.tga", makeTga(2, 1, 1, 32, 0, 0, 0, {}, {0x10, 0x20, 0x30, 0x80})},
           {"b.tga", makeTga(2, 1, 1, 24, 0, 0, 0, {}, {0x10, 0x20, 0x30})}});
    EXPECT_EQ(Bitmap("a.tga").row32(0)[0], 0x80302010u);
    EXPECT_EQ(Bitmap("b.tga").row32(0)[0], 0x00302010u);
}

TEST_F(TgaLoader, OtherDepthsAndShortPixelDataLeaveZeros)
{
    serve({{"d16.tga", makeTga(2, 2, 1, 16, 0, 0, 0, {}, {0xFF, 0xFF, 0xFF, 0xFF})},
           {"short.tga", makeTga(2, 2, 2, 24, 0, 0, 0, {}, {9, 9, 9, 9, 9, 9, 7})}});
    Bitmap d("d16.tga");
    ASSERT_EQ(d.width(), 2);
    EXPECT_EQ(d.row32(0)[0], 0u);
    EXPECT_EQ(d.row32(0)[1], 0u);
    Bitmap s("short.tga");
    ASSERT_EQ(s.height(), 2);
    EXPECT_EQ(s.row32(1)[0], 0x090909u); // the bottom row is complete
    EXPECT_EQ(s.row32(1)[1], 0x090909u);
    EXPECT_EQ(s.row32(0)[0], 0x000007u); // the top row got one byte
    EXPECT_EQ(s.row32(0)[1], 0u);
}

TEST_F(TgaLoader, BadTypeSizeOrHeaderFails)
{
    serve({{"rle.tga", makeTga(10, 1, 1, 24, 0, 0, 0, {}, {1, 2, 3})},
           {"grey.tga", makeTga(3, 1, 1, 8, 0, 0, 0, {}, {1})},
           {"zero.tga", makeTga(2, 0, 1, 24, 0, 0, 0, {}, {})},
           {"neg.tga", makeTga(2, 1, -4, 24, 0, 0, 0, {}, {})},
           {"huge.tga", makeTga(2, 32767, 32767, 24, 0, 0, 0, {}, {})},
           {"head.tga", {0, 0, 2, 0, 0, 0, 0, 0}}});
    for (const char* n : {"rle.tga", "grey.tga", "zero.tga", "neg.tga", "huge.tga", "head.tga"}) {
        Bitmap b;
        EXPECT_EQ(b.load(n), 0) << n;
        expectEmpty(b);
    }
}

TEST_F(BmpLoader, RowsArePaddedToFourBytes)
{
    // 3 x 2, 24-bit: 9 bytes of pixels and 3 of padding per row, bottom row first.
    BmpSpec s;
    s.width = 3;
    s.height = 2;
    s.pixels = {1, 1, 1, 2, 2, 2, 3, 3, 3, 0, 0, 0, 4, 4, 4, 5, 5, 5, 6, 6, 6, 0, 0, 0};
    serve("p.bmp", makeBmp(s));
    Bitmap b("p.bmp");
    ASSERT_EQ(b.width(), 3);
    EXPECT_EQ(b.row32(1)[0], 0x010101u);
    EXPECT_EQ(b.row32(1)[2], 0x030303u);
    EXPECT_EQ(b.row32(0)[0], 0x040404u);
    EXPECT_EQ(b.row32(0)[2], 0x060606u);
}

TEST_F(BmpLoader, PixelsStartAtTheStoredOffsetAndPaletteHoldsTheStoredCount)
{
    // 8-bit, 2 colours, a gap before the pixels; index 2 was never set and reads black.
    BmpSpec s;
    s.width = 3;
    s.height = 1;
    s.bits = 8;
    s.coloursUsed = 2;
    s.extra = {0x30, 0x20, 0x10, 0, 0x60, 0x50, 0x40, 0};
    s.gap = 5;
    s.pixels = {1, 0, 2, 0};
    serve("p.bmp", makeBmp(s));
    Bitmap b("p.bmp");
    ASSERT_EQ(b.width(), 3);
    EXPECT_EQ(b.row32(0)[0], 0x405060u);
    EXPECT_EQ(b.row32(0)[1], 0x102030u);
    EXPECT_EQ(b.row32(0)[2], 0u);
}

TEST_F(BmpLoader, ThirtyTwoBitPixelsAreTakenAsStoredAndUsualMasksAreAccepted)
{
    BmpSpec s;
    s.bits = 32;
    s.pixels = {0x10, 0x20, 0x30, 0x40};
    serve("plain.bmp", makeBmp(s));
    EXPECT_EQ(Bitmap("plain.bmp").row32(0)[0], 0x40302010u);
    s.compression = 3;
    s.extra.clear();
    put32(s.extra, 0x00FF0000);
    put32(s.extra, 0x0000FF00);
    put32(s.extra, 0x000000FF);
    serve("masks.bmp", makeBmp(s));
    EXPECT_EQ(Bitmap("masks.bmp").row32(0)[0], 0x40302010u);
    s.extra[0] = 0xFF; // masks of another layout
    serve("other.bmp", makeBmp(s));
    EXPECT_EQ(Bitmap("other.bmp").pixels(), nullptr);
}

TEST_F(BmpLoader, UnsupportedHeadersEncodingsAndSizesFail)
{
    BmpSpec base;
    base.pixels = {1, 2, 3, 0};
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    BmpSpec s = base;
    s.infoSize = 108;
    files.push_back({"v4.bmp", makeBmp(s)});
    s = base;
    s.bits = 16;
    files.push_back({"b16.bmp", makeBmp(s)});
    s = base;
    s.bits = 8;
    s.compression = 1;
    files.push_back({"rle8.bmp", makeBmp(s)});
    s = base;
    s.compression = 2;
    files.push_back({"rle4.bmp", makeBmp(s)});
    s = base;
    s.height = -1;
    files.push_back({"topdown.bmp", makeBmp(s)});
    s = base;
    s.width = 0;
    files.push_back({"zero.bmp", makeBmp(s)});
    s = base;
    s.width = 5000;
    s.height = 5000;
    files.push_back({"huge.bmp", makeBmp(s)});
    files.push_back({"head.bmp", {'B', 'M', 0, 0}});
    serve(files);
    for (const auto& [name, bytes] : files) {
        Bitmap b;
        EXPECT_EQ(b.load(name.c_str()), 0) << name;
        expectEmpty(b);
    }
}

TEST_F(BmpLoader, ShortPixelDataLeavesTheMissingRowsZero)
{
    BmpSpec s;
    s.width = 1;
    s.height = 3;
    s.pixels = {7, 7, 7, 0, 8};
    serve("s.bmp", makeBmp(s));
    Bitmap b("s.bmp");
    ASSERT_EQ(b.height(), 3);
    EXPECT_EQ(b.row32(2)[0], 0x070707u);
    EXPECT_EQ(b.row32(1)[0], 0x000008u);
    EXPECT_EQ(b.row32(0)[0], 0u);
}
