// The four 2D effects on the offline path: exact node values, sync reactions, fades and frame hashes.
#include "EffectTestSupport.h"

#include "data/PngWriter.h"
#include "effects/EndPictureEffect.h"
#include "effects/FlirpEffect.h"
#include "effects/KlamEffect.h"
#include "effects/TunnelEffect.h"
#include "music/ScriptedTriggers.h"
#include "render/GridMap.h"
#include "render/PixelKernels.h"
#include "render/Random.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class EffectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Random::shared().seed(1);
        packArchive().clear();
    }
    void TearDown() override { packArchive().clear(); }

    NullConsole m_console;
    RenderContext m_context{nullptr, 640, 480};
    ScriptedTriggers m_player;
    Bitmap m_frame{640, 480, Bitmap::FormatXrgb32};
    Bitmap m_view = Bitmap::view(m_frame, 0, 80, 640, 320);

    uint32_t at(int32_t x, int32_t y) const { return m_view.row32(y)[x]; }

    // Writes the view as a PNG when KALVORA_EFFECT_PNG names a folder (for looking at frames by eye).
    void saveView(const char* name) const
    {
        if (const char* dir = std::getenv("KALVORA_EFFECT_PNG"))
            writePng(std::string(dir) + "/" + name + ".png", m_view);
    }
};

} // namespace

TEST_F(EffectTest, TunnelNodesAtTimeZeroHitTheWallAndTheCentreNodeGetsNoHitValues)
{
    TunnelEffect tunnel(m_console);
    tunnel.render(m_context, m_view, m_player, 0);
    const GridMap& grid = tunnel.grid();
    // Camera (0, 50, 0): hand-computed hits of three rays.
    EXPECT_EQ(grid.node(40, 10).u, 159);
    EXPECT_EQ(grid.node(40, 10).v, 8);
    EXPECT_EQ(grid.node(40, 10).light, 892);
    EXPECT_EQ(grid.node(0, 0).u, 146);
    EXPECT_EQ(grid.node(0, 0).v, 68);
    EXPECT_EQ(grid.node(0, 0).light, 903);
    EXPECT_EQ(grid.node(5, 17).u, 189);
    EXPECT_EQ(grid.node(5, 17).v, 78);
    EXPECT_EQ(grid.node(5, 17).light, 868);
    EXPECT_EQ(grid.node(5, 17).extra, 0);
    const GridNode& centre = grid.node(20, 10);
    EXPECT_EQ(centre.u, 128);
    EXPECT_EQ(centre.v, 128);
    EXPECT_EQ(centre.light, 0);
    EXPECT_EQ(centre.extra, 0);
    // The fade-in starts black.
    EXPECT_EQ(at(100, 100), 0u);
    EXPECT_EQ(m_player.asked(128), 1);
    EXPECT_EQ(m_player.asked(255), 1);
}

TEST_F(EffectTest, TunnelFlashDecaysFromTheSyncFrameAndRippleSettlesAtOne)
{
    TestArchive().add("data\\tunnel_tmap.jpg", 256, 256, uniform(0)).open(); // and no flares
    TunnelEffect tunnel(m_console);
    double t = 0;
    for (; t < 120; t += 2)
        tunnel.render(m_context, m_view, m_player, t);
    EXPECT_EQ(tunnel.flash(), 0);
    EXPECT_EQ(tunnel.wobble(), 0.0f);
    EXPECT_FALSE(tunnel.flaresOn());
    m_player.post(128);
    const int32_t expected[] = {204, 163, 130, 104, 83, 66, 52, 41, 32, 25, 20, 16, 12, 9, 7, 5, 0, 0};
    float wobble = 3.0f;
    for (int32_t i = 0; i < 18; ++i, t += 2) {
        tunnel.render(m_context, m_view, m_player, t);
        EXPECT_EQ(tunnel.flash(), expected[i]) << "frame " << i;
        // Black texture, empty sprites: the band shows exactly the flash.
        EXPECT_EQ(at(320, 160), uint32_t(expected[i]) * 0x010101u) << "frame " << i;
        wobble = float(wobble * 0.9);
        if (wobble < 1.0f)
            wobble = 1.0f;
        EXPECT_EQ(tunnel.wobble(), wobble);
        EXPECT_EQ(tunnel.wobble() == 1.0f, i >= 10) << "frame " << i;
    }
    EXPECT_TRUE(tunnel.flaresOn());
}

TEST_F(EffectTest, TunnelSpawnsFromTheSharedGeneratorUntilThePoolIsFull)
{
    TestArchive pictures;
    pictures.add("data\\tunnel_flare1.tga", 24, 24, uniform(1)).add("data\\tunnel_flare2.tga", 16, 16, uniform(1));
    pictures.open();
    TunnelEffect tunnel(m_console);
    tunnel.spawnParticle(JVector(1000, 2000, 3000));
    const TunnelEffect::Particle& p = tunnel.particles()[0];
    // Generator values 41, 18467, 6334 (z, y, x), 26500 (sprite), 19169, 15724 (velocity x, y).
    EXPECT_EQ(p.position.x, 1000 + 6334 % 200 - 100);
    EXPECT_EQ(p.position.y, 2000 + 18467 % 200 - 100);
    EXPECT_EQ(p.position.z, 3000 + 41 % 200 - 100);
    EXPECT_EQ(p.sprite->width(), 16); // flare 2: 26500 % 10 = 0 is not above 5
    EXPECT_EQ(p.velocity.x, 19169 % 50 - 25);
    EXPECT_EQ(p.velocity.y, 15724 % 50 - 25);
    EXPECT_EQ(p.active, 1);
    for (int32_t i = 1; i < TunnelEffect::kParticleCount; ++i)
        tunnel.spawnParticle(JVector(0, 0, 0));
    Random probe = Random::shared();
    tunnel.spawnParticle(JVector(0, 0, 0)); // full: nothing happens, no generator call
    EXPECT_EQ(Random::shared().next(), probe.next());
}

TEST_F(EffectTest, TunnelFramesWithFlaresAreDeterministic)
{
    TestArchive pictures;
    pictures.add("data\\tunnel_tmap.jpg", 256, 256, testTexture).add("data\\tunnel_flare1.tga", 24, 24, testFlare(24));
    pictures.add("data\\tunnel_flare2.tga", 16, 16, testFlare(16))
        .add("data\\tunnel_bigflare.tga", 96, 96, testFlare(96));
    pictures.open();
    auto run = [&](uint64_t& hashAt60, uint64_t& hashAt90) {
        Random::shared().seed(1);
        ScriptedTriggers player;
        TunnelEffect tunnel(m_console);
        for (int32_t frame = 0; frame <= 90; ++frame) {
            if (frame == 40 || frame == 75)
                player.post(128);
            if (frame == 88)
                player.post(255);
            tunnel.render(m_context, m_view, player, 4.0 * frame);
            if (frame == 60)
                hashAt60 = frameHash(m_view);
        }
        hashAt90 = frameHash(m_view);
    };
    uint64_t a60 = 0, a90 = 0, b60 = 0, b90 = 0;
    run(a60, a90);
    saveView("tunnel");
    run(b60, b90);
    EXPECT_EQ(a60, b60);
    EXPECT_EQ(a90, b90);
    EXPECT_EQ(a90, 0x8796dc79e10e164full) << std::hex << a90; // the frame as checked by eye
}

TEST_F(EffectTest, FlirpGridValuesAndLightClamp)
{
    FlirpEffect flirp(m_console);
    flirp.computeGrid(0.0f, 8.0, 250.0);
    EXPECT_EQ(flirp.grid().node(0, 0).u, -127);
    EXPECT_EQ(flirp.grid().node(0, 0).v, 0);
    EXPECT_EQ(flirp.grid().node(0, 0).light, 1020); // 434 before the clamp
    flirp.computeGrid(123.5f, 8.0, 250.0);
    EXPECT_EQ(flirp.grid().node(7, 3).u, 574);
    EXPECT_EQ(flirp.grid().node(7, 3).v, 128);
    EXPECT_EQ(flirp.grid().node(7, 3).light, 1020);
    flirp.computeGrid(1000.0f, 8.0, 250.0);
    EXPECT_EQ(flirp.grid().node(40, 20).u, 2813);
    EXPECT_EQ(flirp.grid().node(40, 20).v, -17);
    EXPECT_EQ(flirp.grid().node(40, 20).light, 4 * 255);
    for (int32_t gy = 0; gy < 21; ++gy)
        for (int32_t gx = 0; gx < 41; ++gx) {
            ASSERT_GE(flirp.grid().node(gx, gy).light, 0);
            ASSERT_LE(flirp.grid().node(gx, gy).light, 1020);
            ASSERT_EQ(flirp.grid().node(gx, gy).light % 4, 0);
        }
}

TEST_F(EffectTest, FlirpCyclesThroughThreePicturesThenPausesForOneCycle)
{
    FlirpEffect flirp(m_console);
    // One frame per time unit: rise 0..296, fall from 296; fall truncates to 0 at 296 + 399.
    int32_t index = 0;
    std::vector<std::pair<int32_t, int32_t>> changes; // (time, new index)
    for (int32_t t = 0; t < 4 * 696 + 10; ++t) {
        flirp.render(m_context, m_view, m_player, t);
        if (t == 296) {
            EXPECT_EQ(flirp.lastBrightness(), 255); // the frame that reaches 255 draws at 255
        }
        if (t == 400)
            saveView("flirp");
        if (flirp.pictureIndex() != index) {
            index = flirp.pictureIndex();
            changes.emplace_back(t, index);
            EXPECT_EQ(flirp.lastBrightness(), 0);
        }
    }
    const std::vector<std::pair<int32_t, int32_t>> expected = {{695, 1}, {1391, 2}, {2087, -1}, {2783, 0}};
    EXPECT_EQ(changes, expected);
}

TEST_F(EffectTest, FlirpDrawsThePictureWithTwoGeneratorValuesAndFades)
{
    TestArchive pictures;
    pictures.add("data\\flirp_tmap.jpg", 256, 256, uniform(0)).add("data\\flirp_fp1.jpg", 40, 40, uniform(0xffffff));
    pictures.open();
    FlirpEffect flirp(m_console);
    flirp.render(m_context, m_view, m_player, 150); // starts the fade-in and the rise at 150
    m_frame.fill(0, 0, 0);
    Random::shared().seed(1);
    flirp.render(m_context, m_view, m_player, 446); // rise reaches 255 at 150 + 296
    // Generator: 3 fill values (41, 18467, 6334), then y from 26500, x from 19169.
    const int32_t x = 19169 % 20 - 10, y = 26500 % 20 - 10;
    EXPECT_EQ(flirp.lastBrightness(), 255);
    ASSERT_EQ(x, -1);
    ASSERT_EQ(y, -10);
    EXPECT_EQ(at(0, 0), 0x00fefefeu);
    EXPECT_EQ(at(38, 29), 0x00fefefeu);
    EXPECT_EQ(at(39, 0), 0u);
    EXPECT_EQ(at(0, 30), 0u);
    m_player.post(255);
    flirp.render(m_context, m_view, m_player, 470);
    flirp.render(m_context, m_view, m_player, 560); // the fade-out (80) is over: black
    EXPECT_EQ(at(0, 0), 0u);
    EXPECT_EQ(at(300, 200), 0u);
}

TEST_F(EffectTest, KlamGridAtTimeZeroAndFlaresClampedTo200)
{
    TestArchive pictures;
    pictures.add("data\\klam_tmap.jpg", 256, 256, uniform(0)).add("data\\klam_flare.tga", 4, 4, uniform(0xffffff));
    pictures.open();
    KlamEffect klam(m_console);
    klam.render(m_context, m_view, m_player, 0);
    const GridMap& grid = klam.grid();
    EXPECT_EQ(grid.node(20, 10).u, 512);
    EXPECT_EQ(grid.node(20, 10).v, 512);
    EXPECT_EQ(grid.node(0, 0).u, 32);
    EXPECT_EQ(grid.node(0, 0).v, 272);
    EXPECT_EQ(grid.node(33, 14).u, 898);
    EXPECT_EQ(grid.node(33, 14).v, 631);
    EXPECT_EQ(grid.node(33, 14).light, 1020);
    EXPECT_EQ(grid.node(33, 14).extra, 16 * 14);
    // Arm 0, step 0 at t = 0: (trunc(0 - 2) + 320, trunc(32 - 2) + 130), brightness 251 + 255 sin 8 -> 200.
    // Its corner pixel is reached by that flare alone: (255 x 200) >> 8 = 199.
    EXPECT_EQ(at(318, 160), 199u * 0x010101u);
    EXPECT_EQ(m_player.asked(255), 0); // never listens
}

TEST_F(EffectTest, KlamFrameIsAFunctionOfTimeAlone)
{
    TestArchive pictures;
    pictures.add("data\\klam_tmap.jpg", 256, 256, testTexture).add("data\\klam_flare.tga", 20, 20, testFlare(20));
    pictures.open();
    KlamEffect klam(m_console);
    klam.render(m_context, m_view, m_player, 777);
    const uint64_t first = frameHash(m_view);
    saveView("klam");
    klam.render(m_context, m_view, m_player, 10);
    klam.render(m_context, m_view, m_player, 777);
    EXPECT_EQ(frameHash(m_view), first);
    KlamEffect other(m_console);
    other.render(m_context, m_view, m_player, 777);
    EXPECT_EQ(frameHash(m_view), first);
    EXPECT_EQ(first, 0xb6bb81972b4faaf1ull) << std::hex << first; // the frame as checked by eye
}

TEST_F(EffectTest, KlamGridLooksAlongTheRotatedView)
{
    KlamEffect klam(m_console);
    klam.render(m_context, m_view, m_player, 90);
    // Position (45, 30, 90): degrees (5, 3.75, 90 / 7), the view Ry . Rx . Rz(-z) applied to the node's
    // normalised direction (gx - 20, gy - 10, 20); u = trunc(4 (x + 180 d.x + 128)), v likewise.
    EXPECT_EQ(klam.grid().node(20, 10).u, 645);
    EXPECT_EQ(klam.grid().node(20, 10).v, 694);
    EXPECT_EQ(klam.grid().node(5, 17).u, 208);
    EXPECT_EQ(klam.grid().node(5, 17).v, 776);
}

TEST_F(EffectTest, KlamGridIsReusableWithAnotherScreenDistance)
{
    GridMap grid(41, 21, 640, 320, nullptr);
    KlamEffect::computeGrid(grid, JVector(0, 0, 0), 10);
    EXPECT_EQ(grid.node(20, 10).u, 512);
    // (-20, -10, 10) / sqrt(600): u = 4 x (128 - 180 x 0.8165) = -75.9 -> -75.
    EXPECT_EQ(grid.node(0, 0).u, -75);
}

TEST_F(EffectTest, EndPictureComesOutOfWhiteAndGoesToBlackOnSync)
{
    // Grey (x / 16 + y / 16) & 63 in 16 x 16 blocks.
    TestArchive()
        .add("data\\endpic.jpg", 640, 320,
             [](int32_t x, int32_t y) { return uint32_t(((x >> 4) + (y >> 4)) & 63) * 0x010101u; })
        .open();
    EndPictureEffect end(m_console);
    end.render(m_context, m_view, m_player, 0);
    EXPECT_EQ(at(5, 5), 0x00ffffffu);
    EXPECT_EQ(at(639, 319), 0x00ffffffu);
    end.render(m_context, m_view, m_player, 50);
    // 255 x (1 - 0.5^1.4) = 158.4 -> 158 in each channel.
    EXPECT_EQ(at(20, 4), 0x009e9e9eu + 0x010101u);
    end.render(m_context, m_view, m_player, 100);
    EXPECT_EQ(at(20, 4), 0x010101u);
    end.render(m_context, m_view, m_player, 300);
    EXPECT_EQ(at(60, 40), 0x050505u);
    EXPECT_EQ(at(639, 319), 0x3a3a3au); // block (39, 19)
    m_player.post(255);
    end.render(m_context, m_view, m_player, 400);
    EXPECT_EQ(at(60, 40), 0x050505u); // the fade-out starts at 0
    end.render(m_context, m_view, m_player, 450);
    EXPECT_EQ(at(60, 40), 0u); // 255 x 0.5^0.9 = 136 subtracted
    end.render(m_context, m_view, m_player, 500);
    EXPECT_EQ(at(60, 40), 0u);
    m_player.post(255);
    end.render(m_context, m_view, m_player, 600);
    EXPECT_EQ(m_player.pending(255), 0); // later triggers are consumed
}

TEST_F(EffectTest, EndPictureWithTriggerPendingOnFirstFrameFadesBothWays)
{
    TestArchive().add("data\\endpic.jpg", 640, 320, uniform(0x808080)).open();
    EndPictureEffect end(m_console);
    m_player.post(255);
    end.render(m_context, m_view, m_player, 0);
    EXPECT_EQ(at(1, 1), 0x00ffffffu);
    end.render(m_context, m_view, m_player, 100);
    EXPECT_EQ(at(1, 1), 0u);
}

TEST_F(EffectTest, EndPictureWithoutPictureFadesThePreviousFrame)
{
    EndPictureEffect end(m_console); // no picture, as after a failed load
    end.render(m_context, m_view, m_player, 0);
    EXPECT_EQ(at(10, 10), 0x00ffffffu);
    m_frame.fill(0x10, 0x20, 0x30);
    end.render(m_context, m_view, m_player, 50);
    EXPECT_EQ(at(10, 10), 0x00aebeceu);
    EXPECT_EQ(m_frame.row32(0)[0], 0x00102030u); // above the view: untouched
}

TEST_F(EffectTest, EndPictureLargerThanTheViewIsCutToIt)
{
    TestArchive().add("data\\endpic.jpg", 640, 400, uniform(0x030303)).open();
    EndPictureEffect end(m_console);
    m_frame.fill(9, 9, 9);
    end.render(m_context, m_view, m_player, 0);
    end.render(m_context, m_view, m_player, 100);
    EXPECT_EQ(at(639, 319), 0x00030303u);
    EXPECT_EQ(m_frame.row32(400)[0], 0x00090909u); // the rows below the band stay
}

TEST_F(EffectTest, EffectsWithoutPicturesStillDrawAndNeverCrash)
{
    // An empty archive: every load fails.
    TunnelEffect tunnel(m_console);
    FlirpEffect flirp(m_console);
    KlamEffect klam(m_console);
    EXPECT_EQ(tunnel.prepare(), 1);
    EXPECT_EQ(flirp.prepare(), 1);
    for (int32_t frame = 0; frame < 40; ++frame) {
        if (frame % 10 == 3)
            m_player.post(128);
        const double t = 5.0 * frame;
        EXPECT_EQ(tunnel.render(m_context, m_view, m_player, t), 1);
        EXPECT_EQ(flirp.render(m_context, m_view, m_player, t), 1);
        EXPECT_EQ(klam.render(m_context, m_view, m_player, t), 1);
    }
}
