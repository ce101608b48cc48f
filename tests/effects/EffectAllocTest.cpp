// Counts heap allocations while the effects render: a frame must allocate nothing, also on the frames
// that flash, spawn flares, switch pictures or start a fade.

#include "AllocationCounter.h"
#include "EffectTestSupport.h"

#include "display/OfflineDisplay.h"
#include "effects/CubeEffect.h"
#include "effects/EndPictureEffect.h"
#include "effects/FlirpEffect.h"
#include "effects/GreetingsEffect.h"
#include "effects/KlamEffect.h"
#include "effects/LabyrinthEffect.h"
#include "effects/MetaballsEffect.h"
#include "effects/ObjectShowEffect.h"
#include "effects/TunnelEffect.h"
#include "effects/WaterEffect.h"
#include "music/ScriptedTriggers.h"
#include "render/Random.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <unistd.h>

namespace {

class EffectAlloc : public ::testing::Test {
protected:
    void SetUp() override
    {
        Random::shared().seed(1);
        TestArchive pictures;
        pictures.add("data\\tunnel_tmap.jpg", 256, 256, testTexture)
            .add("data\\tunnel_flare1.tga", 24, 24, testFlare(24));
        pictures.add("data\\tunnel_flare2.tga", 16, 16, testFlare(16))
            .add("data\\tunnel_bigflare.tga", 96, 96, testFlare(96));
        pictures.add("data\\flirp_tmap.jpg", 256, 256, testTexture).add("data\\klam_tmap.jpg", 256, 256, testTexture);
        for (const char* name : {"data\\flirp_fp1.jpg", "data\\flirp_fp2.jpg", "data\\flirp_fp3.jpg"})
            pictures.add(name, 200, 100, [](int32_t x, int32_t y) { return uint32_t(x * y) * 0x010101u; });
        pictures.add("data\\klam_flare.tga", 20, 20, testFlare(20))
            .add("data\\endpic.jpg", 640, 320, uniform(0x404040));
        pictures.open();
    }
    void TearDown() override { packArchive().clear(); }

    // Renders `frames` frames `step` time units apart, posting `sync` before the listed frames; returns the
    // number of allocations made while rendering.
    long countWhileRendering(Effect& effect, int32_t frames, double step, int32_t syncEvery, int sync)
    {
        ScriptedTriggers player;
        effect.render(m_context, m_view, player, 0); // outside the count: a first frame may set things up
        allocations::reset();
        for (int32_t f = 1; f < frames; ++f) {
            if (syncEvery > 0 && f % syncEvery == 0)
                player.post(sync);
            if (f == frames - 20)
                player.post(255);
            allocations::count(true);
            effect.render(m_context, m_view, player, step * f);
            allocations::count(false);
        }
        return allocations::counted();
    }

    NullConsole m_console;
    RenderContext m_context{nullptr, 640, 480};
    Bitmap m_frame{640, 480, Bitmap::FormatXrgb32};
    Bitmap m_view = Bitmap::view(m_frame, 0, 80, 640, 320);
};

} // namespace

TEST_F(EffectAlloc, TunnelFlashesAndFlaresAllocateNothing)
{
    TunnelEffect tunnel(m_console);
    // Syncs 128 every 40 frames; enough frames to fill and recycle the particle pool.
    EXPECT_EQ(countWhileRendering(tunnel, 300, 4.0, 40, 128), 0);
    EXPECT_TRUE(tunnel.flaresOn());
}

TEST_F(EffectAlloc, FlirpPictureCycleAllocatesNothing)
{
    FlirpEffect flirp(m_console);
    // 20 time units a frame: every picture change of two whole cycles.
    EXPECT_EQ(countWhileRendering(flirp, 300, 20.0, 0, 0), 0);
    EXPECT_EQ(flirp.pictureIndex(), 0);
}

TEST_F(EffectAlloc, KlamAndEndPictureAllocateNothing)
{
    KlamEffect klam(m_console);
    EXPECT_EQ(countWhileRendering(klam, 60, 7.0, 0, 0), 0);
    EndPictureEffect end(m_console);
    EXPECT_EQ(countWhileRendering(end, 60, 5.0, 0, 0), 0);
}

namespace {

// The 3D effects with the default show's data, drawn through a display like the runner's.
class SceneEffectAlloc : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(chdir(KALVORA_BINARY_DIR), 0);
        ASSERT_EQ(packArchive().openFailed("glimmerok.dat"), 0);
    }
    static void TearDownTestSuite() { packArchive().clear(); }
    void SetUp() override { Random::shared().seed(1); }

    // Plays the effect through a section of `length` units at 25 frames a second with the listed syncs
    // (time, index), then once more from time 0 as on a second turn; returns the allocations counted after
    // the very first frame.
    long countThroughSection(Effect& effect, double length, std::initializer_list<std::pair<double, int>> syncs)
    {
        ScriptedTriggers player;
        for (const auto& [time, index] : syncs)
            player.postAt(time, index);
        player.postAt(length + 100, 128); // a restart on the second turn
        effect.render(m_context, m_view, player, 0);
        allocations::reset();
        for (double t = 4; t < 2 * length; t += 4) {
            player.setTime(t);
            allocations::count(true);
            effect.render(m_context, m_view, player, t < length ? t : t - length);
            allocations::count(false);
        }
        return allocations::counted();
    }

    NullConsole m_console;
    OfflineDisplay m_display{640, 480};
    RenderContext m_context{&m_display, 640, 480};
    Bitmap m_view = Bitmap::view(m_display.backBuffer(), 0, 80, 640, 320);
};

} // namespace

TEST_F(SceneEffectAlloc, WaterObjectShowAndCubeAllocateNothing)
{
    WaterEffect water(m_console);
    EXPECT_EQ(countThroughSection(water, 1536, {{1440, 255}}), 0);
    ObjectShowEffect show(m_console, m_context);
    EXPECT_EQ(countThroughSection(show, 1536, {{384, 144}, {768, 144}, {1152, 144}, {1344, 128}, {1440, 255}}), 0);
    CubeEffect cube(m_console);
    EXPECT_EQ(countThroughSection(cube, 1536, {{384, 128}, {768, 128}, {1152, 128}}), 0);
}

TEST_F(SceneEffectAlloc, ScenesAndMetaballsAllocateNothing)
{
    GreetingsEffect greetings(m_console, m_context);
    EXPECT_EQ(countThroughSection(greetings, 1536,
                                  {{96, 128},
                                   {288, 128},
                                   {480, 128},
                                   {672, 128},
                                   {864, 128},
                                   {1056, 128},
                                   {1248, 128},
                                   {1344, 128},
                                   {1440, 255}}),
              0);
    LabyrinthEffect labyrinth(m_console, m_context);
    EXPECT_EQ(countThroughSection(labyrinth, 1536, {{1440, 255}}), 0);
    MetaballsEffect meta(m_console);
    EXPECT_EQ(countThroughSection(meta, 1536, {{1416, 255}}), 0);
}
