// The show's own data in the effects: each effect, fed the kit's archive, draws a picture with content.
#include "DataKit.h"
#include "data/Bitmap.h"
#include "data/PackArchive.h"
#include "data/PngWriter.h"
#include "effects/EndPictureEffect.h"
#include "effects/FlirpEffect.h"
#include "effects/KlamEffect.h"
#include "effects/TunnelEffect.h"
#include "music/ScriptedTriggers.h"
#include "render/Random.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

class ShowEffects : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const std::vector<uint8_t> pack = [] {
            DataKit kit(KALVORA_ASSETS_DIR);
            return kit.buildPack();
        }();
        ASSERT_FALSE(pack.empty());
        packArchive().clear();
        packArchive().loadFromMemory(pack.data(), pack.size(), "glimmerok.dat");
        Random::shared().seed(1);
    }
    void TearDown() override { packArchive().clear(); }

    // Renders `effect` from 0 to `until` (hundredths of a second) in steps of 4 and checks the last view.
    void runAndCheck(Effect& effect, double until, const char* name)
    {
        effect.prepare();
        for (double t = 0; t <= until; t += 4) {
            m_triggers.setTime(t);
            effect.render(m_context, m_view, m_triggers, t);
        }
        if (const char* dir = std::getenv("KALVORA_EFFECT_PNG")) {
            writePng(std::string(dir) + "/show-" + name + ".png", m_view);
        }
        double sum = 0.0;
        double squares = 0.0;
        for (int32_t y = 0; y < 320; ++y) {
            for (int32_t x = 0; x < 640; ++x) {
                const uint32_t p = m_view.row32(y)[x];
                const double v = (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3.0;
                sum += v;
                squares += v * v;
            }
        }
        const double mean = sum / (640.0 * 320.0);
        const double deviation = std::sqrt(std::max(0.0, squares / (640.0 * 320.0) - mean * mean));
        EXPECT_GT(mean, 20.0) << name << " is nearly black";
        EXPECT_GT(deviation, 15.0) << name << " is nearly one colour";
    }

    NullConsole m_console;
    RenderContext m_context{nullptr, 640, 480};
    ScriptedTriggers m_triggers;
    Bitmap m_frame{640, 480, Bitmap::FormatXrgb32};
    Bitmap m_view = Bitmap::view(m_frame, 0, 80, 640, 320);
};

} // namespace

TEST_F(ShowEffects, TunnelShowsItsWallAndFlaresMidSection)
{
    TunnelEffect tunnel(m_console);
    m_triggers.postAt(400, 128);
    m_triggers.postAt(592, 128);
    runAndCheck(tunnel, 700, "tunnel");
}

TEST_F(ShowEffects, FlirpShowsItsPlaneAndFirstPicture)
{
    FlirpEffect flirp(m_console);
    runAndCheck(flirp, 400, "flirp");
}

TEST_F(ShowEffects, KlamShowsItsLensAndFlares)
{
    KlamEffect klam(m_console);
    runAndCheck(klam, 300, "klam");
}

TEST_F(ShowEffects, EndPictureComesUpOutOfWhite)
{
    EndPictureEffect end(m_console);
    runAndCheck(end, 500, "endpic");
}
