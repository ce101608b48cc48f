// The six 3D effects: exact values from independent models of their rules, sync reactions, and one frame
// of each with the default data pinned by its hash.
#include "EffectTestSupport.h"

#include "data/PackArchive.h"
#include "data/PngWriter.h"
#include "display/OfflineDisplay.h"
#include "effects/CubeEffect.h"
#include "effects/GreetingsEffect.h"
#include "effects/LabyrinthEffect.h"
#include "effects/MarchingCubes.h"
#include "effects/MetaballsEffect.h"
#include "effects/ObjectShowEffect.h"
#include "effects/WaterEffect.h"
#include "music/ScriptedTriggers.h"
#include "render/Random.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class Effect3dTest : public ::testing::Test {
protected:
    void SetUp() override { Random::shared().seed(1); }

    NullConsole m_console;
    RenderContext m_context{nullptr, 640, 480};
    ScriptedTriggers m_player;
    Bitmap m_frame{640, 480, Bitmap::FormatXrgb32};
    Bitmap m_view = Bitmap::view(m_frame, 0, 80, 640, 320);

    uint32_t at(int32_t x, int32_t y) const { return m_view.row32(y)[x]; }
};

// The heights of a water grid, all zero.
std::vector<int16_t> waterGrid()
{
    return std::vector<int16_t>(size_t(WaterEffect::kWidth) * WaterEffect::kHeight, 0);
}

int16_t cell(const std::vector<int16_t>& grid, int32_t row, int32_t col)
{
    return grid[size_t(row) * WaterEffect::kWidth + size_t(col)];
}

} // namespace

TEST(Water, CrossingMarkSitsOnRowTruncOfCyPlus160AndNearTheBorderIsDropped)
{
    std::vector<int16_t> grid = waterGrid();
    // trunc(-0.5) + 160 = 160, where trunc(-0.5 + 160) would give 159.
    WaterEffect::markCrossing(grid.data(), 10.7, -0.5);
    EXPECT_EQ(cell(grid, 160, 330), 800);
    EXPECT_EQ(cell(grid, 160, 329), 400);
    EXPECT_EQ(cell(grid, 160, 331), 400);
    EXPECT_EQ(cell(grid, 159, 330), 400);
    EXPECT_EQ(cell(grid, 161, 330), 400);
    EXPECT_EQ(cell(grid, 159, 329), 0);
    int32_t marked = 0;
    for (int16_t h : grid)
        marked += h != 0;
    EXPECT_EQ(marked, 5);
    WaterEffect::markCrossing(grid.data(), -319.5, -158.9); // row 2, col 0: its left neighbour is outside
    WaterEffect::markCrossing(grid.data(), 318.9, 158.9);   // row 318, col 638: kept
    marked = 0;
    for (int16_t h : grid)
        marked += h != 0;
    EXPECT_EQ(marked, 10);
    EXPECT_EQ(cell(grid, 318, 638), 800);
    EXPECT_EQ(cell(grid, 319, 638), 400);
}

TEST(Water, SegmentsDrawTheirPartOnThePassSideAndMarkWhereTheyPierceTheSurface)
{
    // From z 300 to 340: it pierces the plane z = 320 halfway, at (32, 16, 320), projected to (32, 16).
    const JVector near(0, 0, 300), far(64, 32, 340);
    for (WaterEffect::Pass pass : {WaterEffect::Pass::Behind, WaterEffect::Pass::InFront}) {
        std::vector<int16_t> grid = waterGrid();
        Bitmap target(640, 320, Bitmap::FormatXrgb32);
        WaterEffect::drawSegment(near, far, pass, target, 200, grid.data());
        EXPECT_EQ(cell(grid, 176, 352), 800);
        // The far end projects to (60.2, 30.1): the behind pass draws from there to the crossing, the
        // in-front pass from the view centre to the crossing.
        const bool behind = pass == WaterEffect::Pass::Behind;
        EXPECT_EQ(target.row32(183)[366] != 0, behind);
        EXPECT_EQ(target.row32(165)[330] != 0, !behind);
    }
    // In the plane itself: only the in-front pass draws it, and nothing is marked.
    for (WaterEffect::Pass pass : {WaterEffect::Pass::Behind, WaterEffect::Pass::InFront}) {
        std::vector<int16_t> grid = waterGrid();
        Bitmap target(640, 320, Bitmap::FormatXrgb32);
        WaterEffect::drawSegment(JVector(0, 0, 320), JVector(100, 0, 320), pass, target, 200, grid.data());
        EXPECT_EQ(target.row32(160)[370] != 0, pass == WaterEffect::Pass::InFront);
        for (int16_t h : grid)
            ASSERT_EQ(h, 0);
    }
}

TEST(Cube, LatticeWithEveryPhaseMatchesTheModelWithAnglesInDegrees)
{
    std::array<CubeEffect::Cell, CubeEffect::kCellCount> cells;
    CubeEffect::Phases phases;
    phases.twist = phases.spin = phases.wave2 = 1;
    CubeEffect::computeLattice(50, phases, cells);
    // Cell (k, j, i) = (4, 0, 3): layer then translation, spin and size, from an independent model.
    const CubeEffect::Cell& c = cells[(3 * 5 + 0) * 5 + 4];
    EXPECT_NEAR(c.centre.x, -3.3864380114309234, 1e-9);
    EXPECT_NEAR(c.centre.y, -6.731824500502324, 1e-9);
    EXPECT_NEAR(c.centre.z, 4.920830873863927, 1e-9);
    const JVector corner = c.transform.transform(JVector(1, 1, 1));
    EXPECT_NEAR(corner.x, -3.397260305870867, 1e-9);
    EXPECT_NEAR(corner.y, -6.679777156150514, 1e-9);
    EXPECT_NEAR(corner.z, 4.857048217135242, 1e-9);
    // Without phases the layers stay aligned: the same cell turns only with the whole lattice.
    CubeEffect::computeLattice(50, CubeEffect::Phases{}, cells);
    const JVector plain = cells[(3 * 5 + 0) * 5 + 4].transform.transform(JVector(1, 1, 1));
    EXPECT_NEAR(plain.x, 4.224248579064397, 1e-9);
    EXPECT_NEAR(plain.y, -6.066365626986863, 1e-9);
    EXPECT_NEAR(plain.z, 6.065465989085208, 1e-9);
}

TEST_F(Effect3dTest, CubeSyncsSwitchOnTwistSpinAndSecondWaveInTurnThenNothing)
{
    CubeEffect cube(m_console);
    const int32_t expected[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 1, 1}};
    for (int32_t hit = 0; hit < 5; ++hit) {
        if (hit > 0)
            m_player.post(128);
        cube.render(m_context, m_view, m_player, 10.0 * hit);
        EXPECT_EQ(cube.phases().twist, expected[hit][0]) << hit;
        EXPECT_EQ(cube.phases().spin, expected[hit][1]) << hit;
        EXPECT_EQ(cube.phases().wave2, expected[hit][2]) << hit;
    }
}

TEST(MarchingCubes, TableHasTheTellingRowsAndUsesExactlyTheEdgesThatChange)
{
    auto row = [](int32_t i) {
        std::vector<int32_t> v;
        for (int8_t e : marching::kTriangles[size_t(i)]) {
            if (e < 0)
                break;
            v.push_back(e);
        }
        return v;
    };
    EXPECT_EQ(row(0), std::vector<int32_t>{});
    EXPECT_EQ(row(1), (std::vector<int32_t>{0, 8, 3}));
    EXPECT_EQ(row(2), (std::vector<int32_t>{0, 1, 9}));
    EXPECT_EQ(row(3), (std::vector<int32_t>{1, 8, 3, 9, 8, 1}));
    EXPECT_EQ(row(4), (std::vector<int32_t>{1, 2, 10}));
    EXPECT_EQ(row(7), (std::vector<int32_t>{2, 8, 3, 2, 10, 8, 10, 9, 8}));
    EXPECT_EQ(row(8), (std::vector<int32_t>{3, 11, 2}));
    EXPECT_EQ(row(85), (std::vector<int32_t>{1, 2, 5, 5, 2, 6, 3, 0, 4, 3, 4, 7}));
    EXPECT_EQ(row(170), (std::vector<int32_t>{3, 6, 2, 3, 7, 6, 1, 5, 0, 5, 4, 0}));
    EXPECT_EQ(row(254), (std::vector<int32_t>{0, 3, 8}));
    EXPECT_EQ(row(255), std::vector<int32_t>{});
    EXPECT_EQ(marching::edgeMask(85), 255);
    size_t triangles = 0;
    for (int32_t i = 0; i < 256; ++i) {
        const std::vector<int32_t> r = row(i);
        ASSERT_EQ(r.size() % 3, 0u) << i;
        triangles += r.size() / 3;
        int32_t used = 0;
        for (int32_t e : r)
            used |= 1 << e;
        // Edge e changes when its two corners differ in i.
        int32_t changing = 0;
        for (int32_t e = 0; e < 12; ++e) {
            const int32_t a = marching::kEdgeCorners[e][0], b = marching::kEdgeCorners[e][1];
            changing |= (((i >> a) ^ (i >> b)) & 1) << e;
        }
        EXPECT_EQ(used, changing) << i;
    }
    EXPECT_EQ(triangles, 820u);
}

TEST(Metaballs, BallsAndFieldInSinglePrecisionMatchTheModel)
{
    const MetaballsEffect::Balls zero = MetaballsEffect::computeBalls(0);
    EXPECT_EQ(zero[0].x, 6.4f);
    EXPECT_EQ(zero[3].x, 13.15f);
    EXPECT_EQ(zero[4].x, zero[3].x);
    const MetaballsEffect::Balls b = MetaballsEffect::computeBalls(1.3);
    const float expected[5][3] = {{13.578866958618164f, 6.405287265777588f, 6.546584129333496f},
                                  {13.930747985839844f, 11.508524894714355f, 12.455357551574707f},
                                  {6.991828918457031f, 9.956339836120605f, 7.3707780838012695f},
                                  {13.008171081542969f, 10.043660163879395f, 12.62922191619873f},
                                  {6.97374153137207f, 8.025727272033691f, 8.771011352539062f}};
    for (int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(b[size_t(i)].x, expected[i][0]) << i;
        EXPECT_EQ(b[size_t(i)].y, expected[i][1]) << i;
        EXPECT_EQ(b[size_t(i)].z, expected[i][2]) << i;
    }
    EXPECT_EQ(MetaballsEffect::fieldValue(b, 7, 11, 9), 2.428196668624878f);
    EXPECT_EQ(MetaballsEffect::fieldValue(b, 10, 10, 10), 1.716126799583435f);
    EXPECT_EQ(MetaballsEffect::fieldValue(zero, 7, 11, 9), 5.972027778625488f);
}

TEST_F(Effect3dTest, MetaballsSurfaceHasTheModelsVerticesTrianglesAndNormals)
{
    MetaballsEffect meta(m_console);
    // The surface of an independent model of the field walk at 1.3 s: 628 edge vertices, 1252 triangles.
    meta.buildSurface(MetaballsEffect::computeBalls(1.3));
    EXPECT_EQ(meta.blob().vertexCount, 628);
    EXPECT_EQ(meta.blob().polygonCount, 1252);
    const JVertex* found = nullptr;
    for (int32_t i = 0; i < meta.blob().vertexCount; ++i) {
        const JVector& p = meta.blob().vertices[i].position;
        if (p.x == 10.0 && p.y == double(37.11792755126953f) && p.z == 30.0)
            found = &meta.blob().vertices[i];
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->normal.x, double(0.1188783198595047f));
    EXPECT_EQ(found->normal.y, double(-0.15509536862373352f));
    EXPECT_EQ(found->normal.z, double(-0.04181353375315666f));
    // The same walk at 0 s, after the first, starts from empty lists again.
    meta.buildSurface(MetaballsEffect::computeBalls(0));
    EXPECT_EQ(meta.blob().vertexCount, 536);
    EXPECT_EQ(meta.blob().polygonCount, 1068);
}
TEST_F(Effect3dTest, GreetingFlashesAtEachSync128AndFadesOverOneSecond)
{
    GreetingsEffect greetings(m_console, m_context);
    greetings.render(m_context, m_view, m_player, 0);
    EXPECT_EQ(greetings.greeting(), -1);
    EXPECT_EQ(greetings.lastBrightness(), -1);
    m_player.post(128);
    greetings.render(m_context, m_view, m_player, 200);
    EXPECT_EQ(greetings.greeting(), 0);
    EXPECT_EQ(greetings.lastBrightness(), -1); // 256 on the frame of the hit: not drawn
    greetings.render(m_context, m_view, m_player, 250);
    EXPECT_EQ(greetings.lastBrightness(), 108); // 256 - 256 x 0.5^0.8 = 108.97
    greetings.render(m_context, m_view, m_player, 300);
    EXPECT_EQ(greetings.lastBrightness(), 0);
    for (int32_t hit = 1; hit < 9; ++hit) {
        m_player.post(128);
        greetings.render(m_context, m_view, m_player, 300 + 10.0 * hit);
        greetings.render(m_context, m_view, m_player, 301 + 10.0 * hit);
    }
    EXPECT_EQ(greetings.greeting(), 8);
    EXPECT_EQ(greetings.lastBrightness(), -1); // a ninth greeting does not exist
}

namespace {

// One section of the default show: its syncs (in elapsed units from the switch) and its length.
struct Section {
    const char* name;
    double length;
    std::vector<std::pair<double, int>> syncs;
    uint64_t hashAt720; // the frame as checked by eye
};

// With the default data, through a display like the runner's: the view is the band of its back buffer.
class ShowSection : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(chdir(KALVORA_BINARY_DIR), 0);
        ASSERT_EQ(packArchive().openFailed("glimmerok.dat"), 0);
    }
    static void TearDownTestSuite() { packArchive().clear(); }
    void SetUp() override { Random::shared().seed(1); }

    // Plays `effect` through its section at 25 frames a second; returns the hash of the frame at 720
    // units and checks that it is a real picture. `eachFrame` sees every frame.
    template<class F>
    uint64_t play(Effect& effect, const Section& section, F eachFrame)
    {
        ScriptedTriggers player;
        for (const auto& [time, index] : section.syncs)
            player.postAt(time, index);
        effect.prepare();
        uint64_t hash = 0;
        for (double t = 0; t < section.length; t += 4) {
            player.setTime(t);
            effect.render(m_context, m_view, player, t);
            eachFrame(t);
            if (t == 720) {
                hash = frameHash(m_view);
                EXPECT_GT(colourCount(), 64u) << section.name;
                if (const char* dir = std::getenv("KALVORA_EFFECT_PNG"))
                    writePng(std::string(dir) + "/" + section.name + ".png", m_view);
            }
        }
        return hash;
    }
    size_t colourCount() const
    {
        std::set<uint32_t> colours;
        for (int32_t y = 0; y < m_view.height(); y += 2)
            for (int32_t x = 0; x < m_view.width(); x += 2)
                colours.insert(m_view.row32(y)[x] & 0xffffffu);
        return colours.size();
    }

    NullConsole m_console;
    ScriptedTriggers m_noSyncs;
    OfflineDisplay m_display{640, 480};
    RenderContext m_context{&m_display, 640, 480};
    Bitmap m_view = Bitmap::view(m_display.backBuffer(), 0, 80, 640, 320);
};

} // namespace

TEST_F(ShowSection, WaterDropsGoIntoTheBufferThatWasFirstAndTheStepTakesThemAsPrevious)
{
    WaterEffect water(m_console);
    water.render(m_context, m_view, m_noSyncs, 0);
    // Generator 41, 18467, 6334: the drop covers columns 61..70 and rows 177..186 with 6334 % 800 - 400 = 334;
    // the step then writes (0 - 334) - ((0 - 334) >> 5) = -323 over it in the same buffer, now second.
    EXPECT_EQ(water.secondHeights()[180 * 640 + 65], -323);
    EXPECT_EQ(water.secondHeights()[180 * 640 + 71], 0);
    EXPECT_EQ(water.firstHeights()[180 * 640 + 65], 0);
}

// The sections as the default song plays them: a row is 12 units, an order 768.
TEST_F(ShowSection, EachEffectShowsARealPictureInItsSection)
{
    auto check = [&](Effect& effect, const Section& section, auto eachFrame) {
        const uint64_t hash = play(effect, section, eachFrame);
        EXPECT_EQ(hash, section.hashAt720) << section.name << std::hex << " 0x" << hash;
    };
    auto nothing = [](double) {};
    {
        WaterEffect water(m_console);
        check(water, {"water", 1536, {{1440, 255}}, 0xe46772e7cbdcc0f1ull}, nothing);
    }
    {
        ObjectShowEffect show(m_console, m_context);
        check(show,
              {"objectshow",
               1536,
               {{384, 144}, {768, 144}, {1152, 144}, {1344, 128}, {1440, 255}},
               0xd410341f3c16fe6dull},
              nothing);
        EXPECT_EQ(show.current(), 3);
    }
    {
        CubeEffect cube(m_console);
        int32_t emptyFrames = 0;
        check(cube, {"cube", 1536, {{384, 128}, {768, 128}, {1152, 128}}, 0x8b6f305ef2cb5e5aull},
              [&](double) { emptyFrames += cube.trianglesDrawn() == 0; });
        EXPECT_EQ(emptyFrames, 0);
        EXPECT_EQ(cube.phases().wave2, 1);
    }
    {
        GreetingsEffect greetings(m_console, m_context);
        std::vector<std::pair<double, int>> syncs = {{1440, 255}};
        for (double at : {96, 288, 480, 672, 864, 1056, 1248, 1344})
            syncs.emplace_back(at, 128);
        int32_t emptyFrames = 0;
        check(greetings, {"greetings", 1536, syncs, 0x1ce00e8ecc452158ull},
              [&](double) { emptyFrames += greetings.polygonsDrawn() == 0; });
        EXPECT_EQ(emptyFrames, 0);
        EXPECT_EQ(greetings.greeting(), 7);
    }
    {
        LabyrinthEffect labyrinth(m_console, m_context);
        int32_t emptyFrames = 0;
        check(labyrinth, {"labyrinth", 1536, {{1440, 255}}, 0x235d2d42ccc53e51ull},
              [&](double) { emptyFrames += labyrinth.polygonsDrawn() == 0; });
        EXPECT_EQ(emptyFrames, 0);
    }
    {
        // The blob must stay on screen through the whole section.
        MetaballsEffect meta(m_console);
        int32_t emptyFrames = 0;
        check(meta, {"metaballs", 1536, {{1416, 255}}, 0x3f751be411f6e5b1ull},
              [&](double) { emptyFrames += meta.trianglesDrawn() == 0; });
        EXPECT_EQ(emptyFrames, 0);
    }
}

TEST_F(ShowSection, ObjectShowGrowsTheObjectAndMapsNormalsTurnedByDegrees)
{
    ObjectShowEffect show(m_console, m_context);
    show.render(m_context, m_view, m_noSyncs, 40);
    EXPECT_NEAR(show.lastScale(), 80 * std::pow(0.5, 0.7), 1e-12); // 40 units after the switch at 0
    show.render(m_context, m_view, m_noSyncs, 30);
    // The rotation from degrees of (-30, -15, -10): Ry(-15) Rx(-30) Rz(10), written out.
    const double k = 3.14159265358979323846 / 180;
    const double cx = std::cos(-30 * k), sx = std::sin(-30 * k), cy = std::cos(-15 * k), sy = std::sin(-15 * k);
    const double cz = std::cos(10 * k), sz = std::sin(10 * k);
    const JMesh& mesh = show.object(0).mesh();
    ASSERT_GT(mesh.vertexCount, 0);
    for (int32_t i : {0, mesh.vertexCount / 2}) {
        const JVector n = mesh.vertices[i].normal;
        const JVector a(cz * n.x + sz * n.y, -sz * n.x + cz * n.y, n.z); // Rz(10)
        const JVector b(a.x, cx * a.y + sx * a.z, -sx * a.y + cx * a.z); // Rx(-30)
        const JVector c(cy * b.x - sy * b.z, b.y, sy * b.x + cy * b.z);  // Ry(-15)
        EXPECT_NEAR(mesh.vertices[i].u, 128 + 127 * c.x, 1e-4) << i;
        EXPECT_NEAR(mesh.vertices[i].v, 128 + 127 * c.y, 1e-4) << i;
    }
    EXPECT_EQ(show.current(), 0);
    EXPECT_GT(show.object(0).trianglesDrawn(), 0);
}

TEST_F(ShowSection, LabyrinthFadesInOverTheSceneFrameOfItsTime)
{
    LabyrinthEffect fading(m_console, m_context);
    fading.render(m_context, m_view, m_noSyncs, 0);
    fading.render(m_context, m_view, m_noSyncs, 50);
    ASSERT_GT(fading.polygonsDrawn(), 0);
    const std::vector<uint32_t> faded(m_view.row32(0), m_view.row32(0) + 640 * 320);
    Random::shared().seed(1);
    LabyrinthEffect settled(m_console, m_context);
    settled.render(m_context, m_view, m_noSyncs, -100); // its fade-in is over by 50
    settled.render(m_context, m_view, m_noSyncs, 50);
    // 255 - 255 x 0.5^1.5 = 164.8: every byte of the scene at 50 loses 164.
    int32_t lit = 0;
    for (int32_t i = 0; i < 640 * 320; ++i) {
        const uint32_t s = m_view.row32(0)[i];
        uint32_t expected = 0;
        for (int32_t shift = 0; shift < 24; shift += 8)
            expected |= uint32_t(std::max(0, int32_t((s >> shift) & 255) - 164)) << shift;
        ASSERT_EQ(faded[size_t(i)], expected) << i;
        lit += expected != 0;
    }
    EXPECT_GT(lit, 1000);
}
