// The LWOB object loader: points, polygons, surfaces, the console messages and malformed input.

#include "LwoBuilder.h"

#include "data/FileBytes.h"
#include "data/PackArchive.h"
#include "data/PackWriter.h"
#include "engine3d/JCamera.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JLwoLoader.h"
#include "engine3d/JMesh.h"
#include "engine3d/JSurfaceList.h"
#include "platform/OfflinePlatform.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = LwoBuilder::Bytes;
using B = LwoBuilder;

class RecordingConsole final : public Console {
public:
    std::vector<std::string> pieces;
    int columns() override { return 80; }
    int rows() override { return 50; }
    int setCursor(int, int) override { return 1; }
    int write(const char* text) override
    {
        pieces.emplace_back(text);
        return 1;
    }
    int clear() override { return 1; }
    int keyPressed() override { return 0; }
    bool fatalError() override { return false; }
};

Bytes fromHex(const std::string& hex)
{
    Bytes b;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        if (hex[i] == ' ') {
            --i;
            continue;
        }
        b.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return b;
}

// One triangle (0, 1, 0), (1, -1, 0), (-1, -1, 0) on surface "Skin", COLR 200, 100, 50, FLAG 0x104.
const Bytes kTriangle = fromHex("464f524d000000704c574f42 504e545300000024 000000003f80000000000000 "
                                "3f800000bf80000000000000 bf800000bf80000000000000 5352465300000006536b696e0000 "
                                "504f4c530000000a0003000000010002 0001 5355524600000018536b696e0000 "
                                "434f4c520004c8643200 464c414700020104");

struct Loaded {
    JMesh mesh;
    RecordingConsole console;
    int result = 0;
    Loaded(const Bytes& bytes, JSurfaceList& list)
    {
        JLwoLoader loader;
        result = loader.loadBytes(mesh, bytes.data(), bytes.size(), &list, console);
    }
};

Bytes polygons(const std::vector<std::pair<std::vector<uint32_t>, int>>& list)
{
    Bytes b;
    for (const auto& [indices, surface] : list)
        B::polygon(b, indices, surface);
    return B::chunk("POLS", b);
}

Bytes u16(uint32_t v)
{
    Bytes b;
    B::u16(b, v);
    return b;
}

Bytes vector3(float x, float y, float z)
{
    Bytes b;
    B::f32(b, x);
    B::f32(b, y);
    B::f32(b, z);
    return b;
}

Bytes nameField(const std::string& s)
{
    Bytes b;
    B::name(b, s);
    return b;
}

Bytes testObject(const char* name)
{
    Bytes bytes;
    EXPECT_TRUE(readWholeFile((std::string(KALVORA_TEST_DATA) + "/engine3d/" + name).c_str(), bytes)) << name;
    return bytes;
}

const std::vector<float> kThreePoints = {0, 0, 0, 1, 0, 0, 0, 1, 0};

// Every reference of a loaded mesh points at one of its vertices; counts stay within capacities.
void expectConsistent(const JMesh& mesh, const JSurfaceList& list)
{
    ASSERT_LE(mesh.vertexCount, mesh.vertexCapacity);
    ASSERT_LE(mesh.polygonCount, mesh.polygonCapacity);
    ASSERT_LE(mesh.referenceCount, mesh.referenceCapacity);
    for (int i = 0; i < mesh.polygonCount; ++i) {
        const JPolygon& p = mesh.polygons[i];
        ASSERT_LE(p.count, JLwoLoader::kMaxCorners);
        for (int k = 0; k < p.count; ++k) {
            ASSERT_GE(p.vertices[k], &mesh.vertices[0]);
            ASSERT_LT(p.vertices[k], &mesh.vertices[0] + mesh.vertexCount);
        }
        if (p.surface) {
            ASSERT_GE(p.surface, &list.entry(0));
            ASSERT_LT(p.surface, &list.entry(0) + list.capacity());
        }
    }
}

} // namespace

TEST(LwoLoader, SingleTriangleLoadsWithYTurnedOverAndItsSurface)
{
    JSurfaceList list(60);
    Loaded o(kTriangle, list);
    ASSERT_EQ(o.result, 1);
    EXPECT_EQ(o.mesh.loadResult, 1);
    ASSERT_EQ(o.mesh.vertexCount, 3);
    const JVector expected[3] = {{0, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(equal(o.mesh.vertices[i].position, expected[i])) << "point " << i;
    ASSERT_EQ(o.mesh.polygonCount, 1);
    const JPolygon& p = o.mesh.polygons[0];
    ASSERT_EQ(p.count, 3);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(p.vertices[k], &o.mesh.vertices[k]);
    ASSERT_NE(p.surface, nullptr);
    EXPECT_STREQ(p.surface->name, "Skin");
    EXPECT_EQ(p.surface->red, 200);
    EXPECT_EQ(p.surface->green, 100);
    EXPECT_EQ(p.surface->blue, 50);
    EXPECT_EQ(p.surface->smooth, 1);
    EXPECT_EQ(p.surface->doubleSided, 1);
    EXPECT_FLOAT_EQ(o.mesh.bounds->radius, std::sqrt(2.0f));
    EXPECT_EQ(o.console.pieces, (std::vector<std::string>{"Surface:", "Skin", "\n", "Read    1 polys\n"}));
}

TEST(LwoLoader, WithoutSurfaceNamesOneWhiteDefaultAndOnlyTheFirstPointsAndPolygons)
{
    JSurfaceList list(60);
    const Bytes bytes =
        B::object({B::points(kThreePoints), polygons({{{0, 1, 2}, 1}}), B::points({0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3}),
                   polygons({{{0, 1, 2}, 1}, {{2, 1, 3}, 1}})});
    Loaded o(bytes, list);
    ASSERT_EQ(o.result, 1);
    EXPECT_EQ(o.mesh.vertexCount, 3);
    ASSERT_EQ(o.mesh.polygonCount, 1);
    const JSurface* s = o.mesh.polygons[0].surface;
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->name, "Default");
    EXPECT_EQ(s->red + s->green + s->blue, 3 * 255);
    EXPECT_EQ(o.console.pieces, (std::vector<std::string>{"Read    1 polys\n"}));
}

TEST(LwoLoader, NegativeSurfaceNumberNamesSurfaceAndItsDetailPolygonsAreSkipped)
{
    JSurfaceList list(60);
    Bytes pols;
    B::polygon(pols, {0, 1, 2}, -2);
    B::u16(pols, 1);                 // one detail polygon ...
    B::polygon(pols, {2, 1, 0}, -1); // ... with one detail of its own
    B::u16(pols, 1);
    B::polygon(pols, {0, 2, 1}, 1);
    B::polygon(pols, {1, 2, 0}, 1);
    const Bytes bytes = B::object({B::points(kThreePoints), B::names({"One", "Two"}), B::chunk("POLS", pols)});
    Loaded o(bytes, list);
    ASSERT_EQ(o.mesh.polygonCount, 2);
    EXPECT_STREQ(o.mesh.polygons[0].surface->name, "Two");
    EXPECT_STREQ(o.mesh.polygons[1].surface->name, "One");
    EXPECT_TRUE(equal(o.mesh.polygons[1].vertices[0]->position, {1, 0, 0}));
}

TEST(LwoLoader, CornerBeyondThePointsDropsOnlyItsPolygon)
{
    JSurfaceList list(60);
    const Bytes bytes = B::object(
        {B::points(kThreePoints), B::names({"A"}), polygons({{{0, 1, 2}, 1}, {{0, 3, 2}, 1}, {{2, 1, 0}, 1}})});
    Loaded o(bytes, list);
    ASSERT_EQ(o.mesh.polygonCount, 2);
    EXPECT_EQ(o.mesh.polygons[1].vertices[0], &o.mesh.vertices[2]);
    EXPECT_EQ(o.console.pieces.back(), "Read    2 polys\n");
}

TEST(LwoLoader, PolygonsWithoutASurfaceShowOneMessageBoxPerLoad)
{
    OfflinePlatform platform;
    platform.setQuiet(true);
    PlatformScope scope(platform);
    JSurfaceList list(60);
    // Surface 0, one past the table, and an entry that no name filled.
    const Bytes bytes = B::object(
        {B::points(kThreePoints), B::names({"A"}), polygons({{{0, 1, 2}, 0}, {{0, 1, 2}, 300}, {{0, 1, 2}, 5}})});
    Loaded first(bytes, list);
    ASSERT_EQ(first.mesh.polygonCount, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(first.mesh.polygons[i].surface, nullptr);
    EXPECT_EQ(platform.messages(), (std::vector<std::string>{"sepe: asd"}));
    Loaded second(bytes, list);
    EXPECT_EQ(platform.messages().size(), 2u);
}

TEST(LwoLoader, SurfaceFieldsScaleAndTextureFieldsCountOnlyAfterTheColourTexture)
{
    JSurfaceList list(60);
    const Bytes bytes = B::object(
        {B::surface("Tex", {B::field("DIFF", u16(256)), B::field("SPEC", u16(128)), B::field("GLOS", u16(64)),
                            B::field("FLAG", u16(0)), B::field("TCTR", vector3(9, 9, 9)),
                            B::field("CTEX", nameField("Cylindrical Image Map")), B::field("TCTR", vector3(1, 2, 3)),
                            B::field("TSIZ", vector3(4, 5, 6)), B::field("TFLG", u16(0x6)),
                            B::field("TIMG", nameField("nothere.tga")), B::field("BTEX", nameField("Planar Image Map")),
                            B::field("TCTR", vector3(7, 7, 7)), B::field("TFLG", u16(0x1))})});
    Loaded o(bytes, list);
    const JSurface* s = list.find("Tex");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->diffuse, 1.0f);
    EXPECT_EQ(s->specular, 0.5f);
    EXPECT_EQ(s->glossiness, 64.0f);
    EXPECT_EQ(s->smooth + s->doubleSided, 0);
    EXPECT_EQ(s->mapping, JSurface::MappingCylindrical);
    EXPECT_TRUE(equal(s->textureCentre, {1, 2, 3}));
    EXPECT_TRUE(equal(s->textureSize, {4, 5, 6}));
    EXPECT_EQ(s->axis, JSurface::AxisZ);
    EXPECT_EQ(s->texture, nullptr);
    EXPECT_EQ(o.console.pieces, (std::vector<std::string>{"Could not find texture: \"", "nothere.tga", "\"\n"}));
}

TEST(LwoLoader, ObjectsNamingASurfaceAlikeShareOneRecord)
{
    JSurfaceList list(60);
    const Bytes first = B::object({B::points(kThreePoints), B::names({"Skins"}), polygons({{{0, 1, 2}, 1}})});
    Bytes colour = {10, 20, 30, 0};
    const Bytes second = B::object({B::points(kThreePoints), B::names({"Other", "Skins"}), polygons({{{0, 1, 2}, 2}}),
                                    B::surface("Skins", {B::field("COLR", colour)})});
    Loaded a(first, list), b(second, list);
    ASSERT_NE(a.mesh.polygons[0].surface, nullptr);
    EXPECT_EQ(a.mesh.polygons[0].surface, b.mesh.polygons[0].surface);
    EXPECT_EQ(a.mesh.polygons[0].surface->green, 20);
}

TEST(LwoLoader, OnlyFormLwobIsAnObject)
{
    JSurfaceList list(60);
    for (const Bytes& bytes : {B::object({B::points(kThreePoints)}, "LWO2"), Bytes{'F', 'O', 'R', 'M', 0}}) {
        Loaded o(bytes, list);
        EXPECT_EQ(o.result, 0);
        EXPECT_EQ(o.mesh.loadResult, 0);
        EXPECT_EQ(o.console.pieces, (std::vector<std::string>{"Not an LWOB object\n"}));
    }
}

TEST(LwoLoader, RealObjectsLoadWithEveryFaceTurnedOutward)
{
    JSurfaceList list(60);
    Loaded cage(testObject("cage.lwo"), list), spikes(testObject("spikes.lwo"), list);
    ASSERT_EQ(cage.result, 1);
    EXPECT_EQ(cage.mesh.vertexCount, 60);
    ASSERT_EQ(cage.mesh.polygonCount, 32);
    cage.mesh.computeNormals();
    int pentagons = 0;
    for (int i = 0; i < 32; ++i) {
        const JPolygon& p = cage.mesh.polygons[i];
        pentagons += p.count == 5;
        EXPECT_STREQ(p.surface->name, "Cage");
        // A convex solid about the origin, wound clockwise from outside: normals point away from the centre.
        EXPECT_GT(dot(p.normal, p.vertices[0]->position), 0) << "face " << i;
    }
    EXPECT_EQ(pentagons, 12);
    EXPECT_NEAR(cage.mesh.bounds->radius, 24.0f, 1e-4f);
    ASSERT_EQ(spikes.result, 1);
    EXPECT_EQ(spikes.mesh.vertexCount, 32);
    EXPECT_EQ(spikes.mesh.polygonCount, 90);
    for (int i = 0; i < 90; ++i)
        EXPECT_EQ(spikes.mesh.polygons[i].count, 2);
}

TEST(LwoLoader, MalformedInputLoadsWithinTheFileAndDrawsSafely)
{
    OfflinePlatform platform;
    platform.setQuiet(true);
    PlatformScope scope(platform);
    Bytes base = kTriangle; // and the chunks of a real object after the triangle's
    const Bytes cage = testObject("cage.lwo");
    base.insert(base.end(), cage.begin() + 12, cage.end());
    std::vector<Bytes> cases;
    for (int k = 0; k <= 16; ++k)
        cases.emplace_back(base.begin(), base.begin() + base.size() * k / 16);
    std::mt19937 random(3);
    for (int i = 0; i < 300; ++i) {
        Bytes b = base;
        for (int flips = 1 + i % 6; flips > 0; --flips)
            b[random() % b.size()] ^= uint8_t(1 + random() % 255);
        cases.push_back(b);
    }
    for (uint32_t size : {0x7fffffffu, 0xfffffff8u, 0xffffffffu, 7u})
        for (size_t at : {size_t(16), size_t(60)}) { // PNTS and POLS size fields
            Bytes b = base;
            for (int i = 0; i < 4; ++i)
                b[at + i] = uint8_t(size >> (24 - 8 * i));
            cases.push_back(b);
        }
    for (uint32_t count : {0u, 65535u}) {
        std::vector<float> xyz(size_t(count) * 3, 0.5f);
        cases.push_back(B::object({B::points(xyz), polygons({{{0, 1, 65534}, 1}, {{0, 0, 0}, 1}})}));
    }
    // Whatever loaded also goes through a frame: garbage points (NaN, infinities, huge values) must not
    // upset clipping, projection or the hand-over.
    RenderContext context(nullptr, 640, 480);
    JFrustum frustum;
    frustum.setUp(632, 312, 640);
    JCamera camera;
    camera.height = 320;
    for (const Bytes& bytes : cases) {
        JSurfaceList list(4);
        Loaded o(bytes, list);
        expectConsistent(o.mesh, list);
        o.mesh.world.translation({0, 0, 2});
        context.beginFrame();
        o.mesh.prepareFrame(127.5f, frustum);
        o.mesh.drawFrame(context, nullptr, 0, frustum, camera, 0, 80);
    }
}

TEST(LwoLoader, ObjectAndItsTextureComeFromTheArchive)
{
    Bytes tga(18, 0); // uncompressed true colour, 4 x 2, 24 bits
    tga[2] = 2;
    tga[12] = 4;
    tga[14] = 2;
    tga[16] = 24;
    tga.resize(tga.size() + 4 * 2 * 3, 0x40);
    const Bytes colour = {10, 20, 30, 0};
    const Bytes object =
        B::object({B::points(kThreePoints), B::names({"Wood"}), polygons({{{0, 1, 2}, 1}}),
                   B::surface("Wood", {B::field("COLR", colour), B::field("CTEX", nameField("Planar Image Map")),
                                       B::field("TIMG", nameField("pics\\wood.tga"))})});
    PackWriter writer;
    writer.add("objects\\thing.lwo", object);
    writer.add("pics\\wood.tga", tga);
    packArchive().loadFromMemory(writer.bytes().data(), writer.bytes().size(), "test.dat");
    JSurfaceList list(60);
    RecordingConsole console;
    JMesh mesh("OBJECTS\\Thing.lwo", &list, console);
    packArchive().clear();
    ASSERT_EQ(mesh.loadResult, 1);
    EXPECT_STREQ(mesh.name, "OBJECTS\\Thing.lwo");
    const JSurface* s = mesh.polygons[0].surface;
    ASSERT_NE(s->texture, nullptr);
    EXPECT_EQ(s->textureWidth * 10 + s->textureHeight, 42);
    EXPECT_EQ(s->red + s->green + s->blue, 3 * 255) << "a texture turns the colour white";
    EXPECT_EQ(console.pieces, (std::vector<std::string>{"Surface:", "Wood", "\n", "Read    1 polys\n",
                                                        "Loaded texture: \"", "pics\\wood.tga", "'\"\n"}));
}
