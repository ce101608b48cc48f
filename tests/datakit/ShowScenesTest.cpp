#include "DataKit.h"
#include "LwoObject.h"
#include "MazeBuilder.h"
#include "ShowCheck.h"
#include "data/FileBytes.h"
#include "data/PackArchive.h"
#include "data/PackWriter.h"
#include "display/OfflineDisplay.h"
#include "engine3d/JBone.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JMesh.h"
#include "engine3d/JScene.h"
#include "engine3d/JSurfaceList.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::vector<DataKitEntry>& showEntries()
{
    static const std::vector<DataKitEntry> entries = [] {
        DataKit kit(KALVORA_ASSETS_DIR);
        std::vector<DataKitEntry> e;
        EXPECT_TRUE(kit.buildEntries(e)) << kit.error();
        return e;
    }();
    return entries;
}

std::vector<uint8_t>& bytesOf(std::vector<DataKitEntry>& entries, const std::string& name)
{
    for (DataKitEntry& e : entries) {
        if (e.name == name) {
            return e.bytes;
        }
    }
    static std::vector<uint8_t> none;
    ADD_FAILURE() << name << " is not in the data set";
    return none;
}

// The archive of the show's entries, mounted while the scope lives.
class MountedShow {
public:
    MountedShow()
    {
        for (const DataKitEntry& e : showEntries()) {
            m_pack.add(e.name, e.bytes);
        }
        packArchive().clear();
        packArchive().loadFromMemory(m_pack.bytes().data(), m_pack.bytes().size(), "glimmerok.dat");
    }
    ~MountedShow() { packArchive().clear(); }

private:
    PackWriter m_pack;
};

std::string readAsset(const std::string& relative)
{
    std::ifstream in(std::string(KALVORA_ASSETS_DIR) + "/" + relative);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Keeps what the loaders write, to look for their failure messages.
class RecordingConsole final : public Console {
public:
    std::string text;
    int columns() override { return 80; }
    int rows() override { return 50; }
    int setCursor(int, int) override { return 1; }
    int write(const char* t) override
    {
        text += t;
        return 1;
    }
    int clear() override { return 1; }
    int keyPressed() override { return 0; }
    bool fatalError() override { return false; }

    bool clean() const
    {
        return text.find("failed") == std::string::npos && text.find("Could not find") == std::string::npos;
    }
};

JVector engine(double x, double y, double z)
{
    return {x, -y, z};
}

} // namespace

TEST(ShowObjects, ObjectFileLayoutIsBigEndianWithEvenChunks)
{
    LwoObject o;
    o.addPoint({0, 0, 0});
    o.addPoint({1, 0, 0});
    o.addPoint({0, 1, 0});
    o.addPolygon({0, 2, 1});
    LwoSurface s;
    s.name = "Ab";
    s.red = 255;
    s.green = 128;
    s.blue = 0;
    s.flags = LwoSurface::kSmooth;
    o.surfaces = {s};
    // Worked out by hand: 4 + PNTS (8 + 36) + SRFS (8 + 4) + POLS (8 + 10) + SURF (8 + 46) = 132.
    const std::vector<uint8_t> expected = {
        'F',  'O',  'R', 'M', 0, 0, 0,   132, 'L', 'W', 'O', 'B',                                           //
        'P',  'N',  'T', 'S', 0, 0, 0,   36,  0,   0,   0,   0,   0, 0, 0, 0, 0,    0,    0, 0,             //
        0x3F, 0x80, 0,   0,   0, 0, 0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0x3F, 0x80, 0, 0, 0, 0, 0, 0, //
        'S',  'R',  'F', 'S', 0, 0, 0,   4,   'A', 'b', 0,   0,                                             //
        'P',  'O',  'L', 'S', 0, 0, 0,   10,  0,   3,   0,   0,   0, 2, 0, 1, 0,    1,                      //
        'S',  'U',  'R', 'F', 0, 0, 0,   46,  'A', 'b', 0,   0,                                             //
        'C',  'O',  'L', 'R', 0, 4, 255, 128, 0,   0,                                                       //
        'F',  'L',  'A', 'G', 0, 2, 0,   4,   'D', 'I', 'F', 'F', 0, 2, 1, 0,                               //
        'S',  'P',  'E', 'C', 0, 2, 0,   0,   'G', 'L', 'O', 'S', 0, 2, 0, 0};
    EXPECT_EQ(o.bytes(), expected);
}

TEST(ShowObjects, MazeWallsFaceTheirCorridorCellFloorsUpCeilingsDown)
{
    // Two corridor cells side by side: six wall quads around them.
    const MazeBuilder maze({"####", "#..#", "####"}, 2.0, 3.0);
    const LwoObject walls = maze.walls();
    ASSERT_EQ(walls.polygons.size(), 6u);
    for (const LwoPolygon& p : walls.polygons) {
        const JVector a = walls.points[p.corners[0]];
        const JVector n = cross(walls.points[p.corners[1]] - a, walls.points[p.corners[2]] - a);
        JVector centre{0, 0, 0};
        for (uint16_t c : p.corners) {
            centre = centre + walls.points[c] * 0.25;
        }
        // Just in front of the wall lies an open cell (cells 1 and 2 of row 1, x and z in 2..6 and 2..4).
        const JVector front = centre + n * (0.1 / length(n));
        EXPECT_TRUE(front.x > 2 && front.x < 6 && front.z > 2 && front.z < 4 && std::fabs(n.y) < 1e-12)
            << "a wall at " << centre.x << " " << centre.z << " faces away from the corridor";
    }
    const LwoObject floor = maze.floorAndCeiling();
    ASSERT_EQ(floor.polygons.size(), 4u);
    for (const LwoPolygon& p : floor.polygons) {
        const JVector a = floor.points[p.corners[0]];
        const JVector n = cross(floor.points[p.corners[1]] - a, floor.points[p.corners[2]] - a);
        EXPECT_GT(n.y * (a.y == 0.0 ? 1.0 : -1.0), 0.0) << (a.y == 0.0 ? "floor" : "ceiling");
    }
}

// The effects' own objects load with the engine's object loader, each with the polygon count its kind needs.
TEST(ShowObjects, EffectObjectsLoadWithTheEngine)
{
    MountedShow mounted;
    const std::map<std::string, int32_t> polygons = {
        {ShowCheck::kWaterObject, 90}, {ShowCheck::kCageObject, 32}, {ShowCheck::kCubeObject, 12}};
    for (const std::string& name : {std::string(ShowCheck::kWaterObject), std::string(ShowCheck::kCageObject),
                                    std::string(ShowCheck::kCubeObject), ShowCheck::showObject(1),
                                    ShowCheck::showObject(2), ShowCheck::showObject(3), ShowCheck::showObject(4)}) {
        JSurfaceList surfaces(10);
        RecordingConsole console;
        const JMesh mesh(name.c_str(), &surfaces, console);
        EXPECT_EQ(mesh.loadResult, 1) << name;
        EXPECT_TRUE(console.clean()) << name << ": " << console.text;
        if (polygons.contains(name)) {
            EXPECT_EQ(mesh.polygonCount, polygons.at(name)) << name;
        }
    }
}

// The source's bone list, the engine's loader and its skinning agree: every bone starts and ends in
// the rest pose where the list puts it, and at a key each bone has turned by its offsets about the
// figure's axes at its head, carried along by its parent.
TEST(ShowScenes, BoneManMovesAsItsBoneListAndDanceKeysSay)
{
    struct Bone {
        std::string parent;
        JVector head, tail;
        std::map<int, std::array<double, 6>> keys;
    };
    std::map<std::string, Bone> bones;
    std::string motion;
    std::istringstream text(readAsset("scenes/boneman.txt"));
    for (std::string line; std::getline(text, line);) {
        std::istringstream w(line.substr(0, line.find(';')));
        std::string key;
        w >> key;
        if (key == "bone") {
            std::string name;
            Bone b;
            double v[6];
            w >> name >> b.parent >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5];
            b.head = engine(v[0], v[1], v[2]);
            b.tail = engine(v[3], v[4], v[5]);
            bones[name] = b;
        } else if (key == "motion") {
            w >> motion;
        } else if (key == "end") {
            motion.clear();
        } else if (!motion.empty() && bones.contains(motion) && !key.empty()) {
            std::array<double, 6> o{};
            w >> o[0] >> o[1] >> o[2] >> o[3] >> o[4] >> o[5];
            bones[motion].keys[std::stoi(key)] = o;
        }
    }
    ASSERT_GT(bones.size(), 10u);

    MountedShow mounted;
    JSurfaceList surfaces(60);
    RecordingConsole console;
    JScene scene;
    ASSERT_EQ(scene.load(ShowCheck::kBoneManScene, &surfaces, console), 1);
    EXPECT_TRUE(console.clean()) << console.text;
    std::map<std::string, JBone*> loaded;
    for (JItem* item : scene.items) {
        if (item && item->type == JItem::kTypeBone) {
            loaded[item->name] = static_cast<JBone*>(item);
        }
    }
    ASSERT_EQ(loaded.size(), bones.size());
    for (const auto& [name, b] : bones) {
        const JBone& bone = *loaded.at(name);
        for (const auto& [expected, at] : {std::pair{b.head, 0.0}, std::pair{b.tail, bone.restLength}}) {
            const JVector p = bone.world.transform({0, 0, at});
            EXPECT_NEAR(length(p - expected), 0.0, 1e-5) << name << " at " << at << " along the bone";
        }
    }

    const int frame = 36;
    scene.motionPass(frame);
    scene.worldPass();
    // Movement of each bone in the figure's space: its parent's, then a turn about the rest head and a shift.
    std::map<std::string, JMatrix> moved;
    const auto movement = [&](const std::string& name, auto& self) -> JMatrix {
        if (moved.contains(name)) {
            return moved[name];
        }
        const Bone& b = bones.at(name);
        const std::array<double, 6> o = b.keys.contains(frame) ? b.keys.at(frame) : std::array<double, 6>{};
        JMatrix toHead;
        toHead.translation(b.head + engine(o[0], o[1], o[2]));
        JMatrix turn;
        turn.rotationFromDegrees({o[4], -o[3], -o[5]});
        JMatrix fromHead;
        fromHead.translation(b.head * -1.0);
        const JMatrix parent = b.parent == "-" ? JMatrix{} : self(b.parent, self);
        return moved[name] = parent * toHead * turn * fromHead;
    };
    for (const auto& [name, b] : bones) {
        const JBone& bone = *loaded.at(name);
        const JMatrix engineMove = bone.world * bone.restInverse;
        const JMatrix expected = movement(name, movement);
        for (const JVector& p : {b.head, b.tail}) {
            EXPECT_NEAR(length(engineMove.transform(p) - expected.transform(p)), 0.0, 1e-4)
                << name << " at frame " << frame;
        }
    }
}

// Over the whole labyrinth section the span buffer never runs out (480 rows x 50 spans).
TEST(ShowScenes, LabyrinthKeepsTheSpanBudgetOverItsSection)
{
    MountedShow mounted;
    OfflineDisplay display(640, 480);
    RenderContext context(&display, 640, 480);
    JSurfaceList surfaces(60);
    RecordingConsole console;
    JScene scene;
    ASSERT_EQ(scene.load(ShowCheck::kLabyrinthScene, &surfaces, console), 1);
    EXPECT_TRUE(console.clean()) << console.text;
    EXPECT_EQ(JMesh::registerTextures(surfaces, context), 4); // two wall textures, floor, ceiling
    JFrustum frustum(false);
    int most = 0;
    for (int frame = 0; frame <= 461; ++frame) {
        EXPECT_GT(scene.renderFrameAt(context, frustum, frame), 0) << "frame " << frame;
        EXPECT_EQ(context.droppedPieces(), 0) << "frame " << frame;
        most = std::max(most, context.spansInUse());
    }
    EXPECT_LT(most, 480 * 50);
}

// The greetings (400 x 80, additive) flash into the view's lower-left corner: the dancer stays out of it.
TEST(ShowScenes, BoneManLeavesTheGreetingsCornerBlack)
{
    MountedShow mounted;
    OfflineDisplay display(640, 480);
    RenderContext context(&display, 640, 480);
    JSurfaceList surfaces(60);
    NullConsole console;
    JScene scene;
    ASSERT_EQ(scene.load(ShowCheck::kBoneManScene, &surfaces, console), 1);
    JFrustum frustum(false);
    // The view is rows 80..399 of the frame; a greeting's bottom row is the view's row 318.
    const int top = 80 + 319 - 80;
    for (int frame = 0; frame <= 461; frame += 4) {
        EXPECT_GT(scene.renderFrameAt(context, frustum, frame), 0) << "frame " << frame;
        int lit = 0;
        for (int y = top; y < top + 80; ++y) {
            for (int x = 0; x < 400; ++x) {
                lit += (display.backBuffer().row32(y)[x] & 0xFFFFFF) != 0 ? 1 : 0;
            }
        }
        EXPECT_EQ(lit, 0) << "frame " << frame;
    }
}

// Each broken source stops the kit with the file and the rule it breaks.
TEST(ShowCheck, BrokenSourceFailsNamingTheFileAndTheRule)
{
    struct Case {
        const char* source;
        const char* from;
        const char* to;
        const char* message;
    };
    const Case cases[] = {
        {"objects/objects.txt", "radius 1.4", "radius 1.6", "data\\water_obj.lwo: bounding radius at most 1.5"},
        {"objects/objects.txt", "shape torus 0.68 0.32 44 22\n  radius 1.0",
         "shape torus 0.68 0.32 44 22\n  radius 1.3", "data\\obj_2.lwo: radius about 1, at most 1.25"},
        {"scenes/labyrinth.txt", "  462 ", "  450 ", "data\\scen\\labyrint.lws: Flyer: keys cover the section's 461"},
        {"scenes/boneman.txt", "  144       0      0      0", "  144       0   0.01      0",
         "data\\scen2\\boneman.lws: bone Hips: a loop's last key equals its first"},
    };
    const fs::path copy = fs::temp_directory_path() / ("kalvora-broken-assets-" + std::to_string(::getpid()));
    for (const Case& c : cases) {
        fs::remove_all(copy);
        fs::copy(KALVORA_ASSETS_DIR, copy, fs::copy_options::recursive);
        std::string text = readAsset(c.source);
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, std::string(c.from).size(), c.to);
        std::ofstream(copy / c.source, std::ios::trunc) << text;
        DataKit kit(copy.string());
        EXPECT_TRUE(kit.buildPack().empty()) << c.message;
        EXPECT_NE(kit.error().find(c.message), std::string::npos) << kit.error();
    }
    fs::remove_all(copy);
}

// Edits no source can make are caught in the files themselves.
TEST(ShowCheck, EditedFilesFailNamingTheFileAndTheRule)
{
    // The section lengths only matter for key coverage, which these edits leave alone.
    const std::map<std::string, int32_t> sections = {{ShowCheck::kLabyrinthScene, 461},
                                                     {ShowCheck::kBoneManScene, 461}};
    const auto failures = [&](const std::function<void(std::vector<DataKitEntry>&)>& edit) {
        std::vector<DataKitEntry> entries = showEntries();
        edit(entries);
        std::string all;
        for (const std::string& f : ShowCheck(sections).run(entries)) {
            all += f + "\n";
        }
        return all;
    };
    EXPECT_EQ(failures([](std::vector<DataKitEntry>&) {}), "");

    const auto editText = [&](const char* entry, const std::string& from, const std::string& to) {
        return [=](std::vector<DataKitEntry>& e) {
            std::vector<uint8_t>& b = bytesOf(e, entry);
            std::string text(b.begin(), b.end());
            const size_t at = text.find(from);
            ASSERT_NE(at, std::string::npos) << from;
            text.replace(at, from.size(), to);
            b.assign(text.begin(), text.end());
        };
    };
    EXPECT_NE(failures(editText(ShowCheck::kLabyrinthScene, "LightType 1", "LightType\t1"))
                  .find("data\\scen\\labyrint.lws: line"),
              std::string::npos);
    EXPECT_NE(failures(editText(ShowCheck::kLabyrinthScene, "LightType 1", "LightType 1\nLightType 1"))
                  .find("data\\scen\\labyrint.lws: Lantern: exactly one LightType"),
              std::string::npos);
    EXPECT_NE(failures(editText(ShowCheck::kBoneManScene, "BoneRestPosition 0.000000 1.000000",
                                "BoneRestPosition 0.000000 1.100000"))
                  .find("data\\scen2\\boneman.lws: bone Hips: the frame-0 key equals the rest pose"),
              std::string::npos);
    // The cube mirrored (x negated) keeps its layout but winds the other way.
    const std::string mirrored = failures([](std::vector<DataKitEntry>& e) {
        std::vector<uint8_t>& b = bytesOf(e, ShowCheck::kCubeObject);
        for (size_t p = 0; p < 36; ++p) {
            b[20 + 12 * p] ^= 0x80; // PNTS data starts after the FORM, LWOB and PNTS headers
        }
    });
    EXPECT_EQ(mirrored, "data\\cube_obj.lwo: wound anticlockwise from outside (the reverse of the other objects)\n");
}
