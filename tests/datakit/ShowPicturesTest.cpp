#include "Canvas.h"
#include "DataKit.h"
#include "FontRenderer.h"
#include "ImageEncoders.h"
#include "Noise.h"
#include "data/Bitmap.h"
#include "data/FileBytes.h"
#include "data/PackArchive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

namespace {

const std::vector<uint8_t>& showPack()
{
    static const std::vector<uint8_t> bytes = [] {
        DataKit kit(KALVORA_ASSETS_DIR);
        std::vector<uint8_t> pack = kit.buildPack();
        EXPECT_FALSE(pack.empty()) << kit.error();
        return pack;
    }();
    return bytes;
}

enum class Kind { Texture, Background, Overlay, Greeting, Flare, BigFlare };

// Every picture the effects load, with the size rule its effect's constants need.
const std::map<std::string, Kind>& expectedPictures()
{
    static const std::map<std::string, Kind> pictures = [] {
        std::map<std::string, Kind> p;
        for (const char* t : {"tunnel_tmap", "flirp_tmap", "klam_tmap", "cube_tmap", "cube_bkgr", "meta_emap"}) {
            p[std::string("data\\") + t + ".jpg"] = Kind::Texture;
        }
        for (const char* t : {"maze_wall1", "maze_wall2", "maze_floor", "maze_ceil"}) {
            p[std::string("data\\scen\\") + t + ".jpg"] = Kind::Texture;
        }
        for (const char* b : {"water_bkgr", "meta_bkgr", "endpic"}) {
            p[std::string("data\\") + b + ".jpg"] = Kind::Background;
        }
        for (int i = 1; i <= 4; ++i) {
            p["data\\obj_map" + std::to_string(i) + ".jpg"] = Kind::Texture;
            p["data\\obj_bkgr" + std::to_string(i) + ".jpg"] = Kind::Background;
        }
        for (int i = 1; i <= 3; ++i) {
            p["data\\flirp_fp" + std::to_string(i) + ".jpg"] = Kind::Overlay;
        }
        for (int i = 1; i <= 8; ++i) {
            p["data\\zelvo_greet" + std::to_string(i) + ".jpg"] = Kind::Greeting;
        }
        for (const char* f : {"tunnel_flare1", "tunnel_flare2", "meta_flare", "klam_flare"}) {
            p[std::string("data\\") + f + ".tga"] = Kind::Flare;
        }
        p["data\\tunnel_bigflare.tga"] = Kind::BigFlare;
        return p;
    }();
    return pictures;
}

// Loads a picture through the show's own archive and picture loader, as 32-bit.
Bitmap loadFromPack(const std::string& name)
{
    packArchive().clear();
    packArchive().loadFromMemory(showPack().data(), showPack().size(), "glimmerok.dat");
    Bitmap picture(name.c_str());
    packArchive().clear();
    picture.convert(Bitmap::FormatXrgb32);
    return picture;
}

int channelMax(uint32_t pixel)
{
    return std::max({static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                     static_cast<int>(pixel & 0xFF)});
}

double brightness(uint32_t pixel)
{
    return (((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF)) / 3.0;
}

// The frame type of a JPEG: 0xC0 baseline, 0xC2 progressive, ...; -1 if none before the scan.
int jpegFrameType(const std::vector<uint8_t>& bytes)
{
    size_t at = 2;
    while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
        const int marker = bytes[at + 1];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            return marker;
        }
        if (marker == 0xDA) {
            return -1;
        }
        at += 2 + (static_cast<size_t>(bytes[at + 2]) << 8 | bytes[at + 3]);
    }
    return -1;
}

} // namespace

TEST(ShowPictures, ArchiveHoldsExactlyThePicturesTheEffectsLoad)
{
    PackArchive archive;
    archive.loadFromMemory(showPack().data(), showPack().size(), "glimmerok.dat");
    std::map<std::string, int> names;
    size_t pictures = 0;
    for (int32_t i = 0; i < archive.count(); ++i) {
        const std::string name = archive.entry(i).storedName;
        ++names[name];
        pictures += name.ends_with(".jpg") || name.ends_with(".tga") ? 1 : 0;
    }
    for (const auto& [name, kind] : expectedPictures()) {
        EXPECT_EQ(names[name], 1) << name;
    }
    EXPECT_EQ(pictures, expectedPictures().size());
}

TEST(ShowPictures, EveryPictureHasTheSizeItsEffectNeeds)
{
    for (const auto& [name, kind] : expectedPictures()) {
        const Bitmap p = loadFromPack(name);
        ASSERT_NE(p.pixels(), nullptr) << name;
        switch (kind) {
        case Kind::Texture:
            EXPECT_EQ(p.width(), 256) << name;
            EXPECT_EQ(p.height(), 256) << name;
            break;
        case Kind::Background:
            EXPECT_EQ(p.width(), 640) << name;
            EXPECT_EQ(p.height(), 320) << name;
            break;
        case Kind::Overlay:
            EXPECT_LE(p.width(), 640) << name;
            EXPECT_LE(p.height(), 320) << name;
            break;
        case Kind::Greeting:
            EXPECT_LE(p.width(), 640) << name;
            EXPECT_LE(p.height(), 319) << name;
            EXPECT_GE(p.width(), 320) << name;
            EXPECT_GE(p.height(), 64) << name;
            break;
        case Kind::Flare:
            EXPECT_EQ(p.width(), p.height()) << name;
            EXPECT_GE(p.width(), 16) << name;
            EXPECT_LE(p.width(), 32) << name;
            break;
        case Kind::BigFlare:
            EXPECT_EQ(p.width(), p.height()) << name;
            EXPECT_GT(p.width(), 32) << name;
            EXPECT_LE(p.width(), 128) << name;
            break;
        }
    }
}

TEST(ShowPictures, PicturesAreNotFlat)
{
    for (const auto& [name, kind] : expectedPictures()) {
        const Bitmap p = loadFromPack(name);
        ASSERT_NE(p.pixels(), nullptr) << name;
        double sum = 0.0;
        double squares = 0.0;
        const double count = static_cast<double>(p.width()) * p.height();
        for (int32_t y = 0; y < p.height(); ++y) {
            for (int32_t x = 0; x < p.width(); ++x) {
                const double v = brightness(p.row32(y)[x]);
                sum += v;
                squares += v * v;
            }
        }
        const double deviation = std::sqrt(std::max(0.0, squares / count - (sum / count) * (sum / count)));
        EXPECT_GT(deviation, 12.0) << name;
        EXPECT_GT(sum / count, 8.0) << name;
    }
}

// Additive pictures must leave their surround black, or the whole frame would brighten.
TEST(ShowPictures, AdditivePicturesHaveABlackSurround)
{
    for (const auto& [name, kind] : expectedPictures()) {
        if (kind == Kind::Texture || kind == Kind::Background) {
            continue;
        }
        const Bitmap p = loadFromPack(name);
        ASSERT_NE(p.pixels(), nullptr) << name;
        // JPEG may ring a little; TGA is exact.
        const int limit = name.ends_with(".tga") ? 0 : 12;
        for (int32_t x = 0; x < p.width(); ++x) {
            EXPECT_LE(channelMax(p.row32(0)[x]), limit) << name << " top row, x " << x;
            EXPECT_LE(channelMax(p.row32(p.height() - 1)[x]), limit) << name << " bottom row, x " << x;
        }
        for (int32_t y = 0; y < p.height(); ++y) {
            EXPECT_LE(channelMax(p.row32(y)[p.width() - 1]), limit) << name << " right column, y " << y;
        }
    }
}

// The metaballs see their map mirrored: it must look the same turned about its centre.
TEST(ShowPictures, MetaballsMapIsRadiallySymmetric)
{
    const Bitmap p = loadFromPack("data\\meta_emap.jpg");
    ASSERT_NE(p.pixels(), nullptr);
    int worst = 0;
    for (int32_t dy = -100; dy <= 100; dy += 7) {
        for (int32_t dx = -100; dx <= 100; dx += 7) {
            const double a = brightness(p.row32(128 + dy)[128 + dx]);
            const double mirrored = brightness(p.row32(128 - dy)[128 - dx]);
            const double turned = brightness(p.row32(128 + dx)[128 - dy]);
            worst =
                std::max({worst, static_cast<int>(std::fabs(a - mirrored)), static_cast<int>(std::fabs(a - turned))});
        }
    }
    EXPECT_LE(worst, 16);
}

TEST(ShowPictures, JpegsAreBaselineAndFlaresUncompressed24Bit)
{
    PackArchive archive;
    archive.loadFromMemory(showPack().data(), showPack().size(), "glimmerok.dat");
    for (int32_t i = 0; i < archive.count(); ++i) {
        const PackArchive::Entry& e = archive.entry(i);
        const std::vector<uint8_t> bytes(e.data, e.data + e.length);
        const std::string name = e.storedName;
        if (name.ends_with(".jpg")) {
            ASSERT_GE(bytes.size(), 4u);
            EXPECT_EQ(bytes[0], 0xFF);
            EXPECT_EQ(bytes[1], 0xD8);
            EXPECT_EQ(jpegFrameType(bytes), 0xC0) << name;
        } else if (name.ends_with(".tga")) {
            ASSERT_GE(bytes.size(), 18u) << name;
            EXPECT_EQ(bytes[2], 2) << name; // uncompressed true colour
            EXPECT_EQ(bytes[16], 24) << name;
            EXPECT_EQ(bytes[17] & 0x20, 0) << name; // bottom-up
            const size_t w = bytes[12] | bytes[13] << 8;
            const size_t h = bytes[14] | bytes[15] << 8;
            EXPECT_EQ(bytes.size(), 18 + w * h * 3) << name;
        }
    }
}

TEST(ShowPictures, ArchiveBuildsToTheSameBytesEveryTime)
{
    DataKit kit(KALVORA_ASSETS_DIR);
    const std::vector<uint8_t> again = kit.buildPack();
    ASSERT_FALSE(again.empty()) << kit.error();
    EXPECT_TRUE(again == showPack());
    std::vector<uint8_t> built;
    if (readWholeFile(KALVORA_BINARY_DIR "/glimmerok.dat", built)) {
        EXPECT_TRUE(built == again) << "the build's glimmerok.dat differs from a fresh one";
    }
}

TEST(PictureTools, WrappedBlurKeepsTheTotalAndSpreadsAcrossTheEdges)
{
    Mask m(32, 16);
    m.at(0, 0) = 7.0f;
    m.blur(3, true);
    double total = 0.0;
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 32; ++x) {
            total += m.at(x, y);
        }
    }
    EXPECT_NEAR(total, 7.0, 1e-4);
    // The corner's light reaches round the edges, the same distance either way.
    EXPECT_GT(m.at(31, 15), 0.0f);
    EXPECT_FLOAT_EQ(m.at(1, 0), m.at(31, 0));
    EXPECT_FLOAT_EQ(m.at(0, 2), m.at(0, 14));
    EXPECT_GT(m.at(0, 0), m.at(2, 0));

    Mask edge(8, 1);
    edge.at(0, 0) = 1.0f;
    edge.blur(1, false);
    EXPECT_NEAR(edge.at(7, 0), 0.0f, 1e-6f); // without wrap nothing crosses
}

TEST(PictureTools, NoiseRepeatsWithItsPeriod)
{
    for (float x : {0.0f, 13.5f, 100.25f, 255.0f}) {
        for (float y : {0.0f, 77.0f, 200.5f}) {
            EXPECT_FLOAT_EQ(valueNoise(x, y, 32.0f, 256, 5), valueNoise(x + 256.0f, y, 32.0f, 256, 5));
            EXPECT_FLOAT_EQ(valueNoise(x, y, 32.0f, 256, 5), valueNoise(x, y - 256.0f, 32.0f, 256, 5));
            const float f = fractalNoise(x, y, 64.0f, 256, 4, 9);
            EXPECT_FLOAT_EQ(f, fractalNoise(x + 512.0f, y + 256.0f, 64.0f, 256, 4, 9));
            EXPECT_GE(f, 0.0f);
            EXPECT_LT(f, 1.0f);
        }
    }
}

TEST(PictureTools, TgaIsBottomUpBgr)
{
    Canvas c(2, 2);
    c.at(0, 0) = {1.0f, 0.0f, 0.0f}; // top left red
    c.at(1, 1) = {0.0f, 0.0f, 1.0f}; // bottom right blue
    const std::vector<uint8_t> tga = encodeTga(c);
    ASSERT_EQ(tga.size(), 18u + 12u);
    EXPECT_EQ(tga[12], 2);
    EXPECT_EQ(tga[14], 2);
    // First stored row is the bottom one: black, then blue as B, G, R.
    EXPECT_EQ(std::vector<uint8_t>(tga.begin() + 18, tga.begin() + 24), (std::vector<uint8_t>{0, 0, 0, 255, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(tga.begin() + 24, tga.end()), (std::vector<uint8_t>{0, 0, 255, 0, 0, 0}));
}

TEST(PictureTools, FontRendersTheShowsName)
{
    FontRenderer font;
    ASSERT_TRUE(font.open(kFontBold));
    const Mask mask = font.render("KALVORA", 40);
    EXPECT_GT(mask.width(), 4 * mask.height());
    EXPECT_GE(mask.height(), 25);
    EXPECT_LE(mask.height(), 45);
    float ink = 0.0f;
    for (int32_t y = 0; y < mask.height(); ++y) {
        for (int32_t x = 0; x < mask.width(); ++x) {
            ink += mask.at(x, y);
        }
    }
    EXPECT_GT(ink, 0.2f * static_cast<float>(mask.width() * mask.height()));
    EXPECT_EQ(FontRenderer().render("x", 10).width(), 0); // not opened: empty
}
