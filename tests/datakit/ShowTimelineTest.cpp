// The whole show on the offline platform with the kit's data: the song switches the effects at the
// times of its sync script and ends the show at its end signal.
#include "data/PackArchive.h"
#include "display/OfflineDisplay.h"
#include "music/SoundDevice.h"
#include "platform/OfflinePlatform.h"
#include "platform/Platform.h"
#include "runner/MusicAudio.h"
#include "runner/Runner.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <vector>

namespace {

// Draws nothing, so that the run measures the timeline alone.
class SilentEffect final : public Effect {
public:
    int render(RenderContext&, Bitmap&, TriggerSource&, double) override { return 1; }
    int prepare() override { return 1; }
};

struct Switch {
    uint64_t frame;
    int index;
    EffectId effect;
};

class TimelineHost final : public ShowHost {
public:
    TimelineHost(OfflinePlatform& clock, int fps) : m_clock(clock), m_fps(fps) {}

    void openArchive(const char* fileName) override { packArchive().openFailed(fileName); }
    std::unique_ptr<Display> makeDisplay() override { return std::make_unique<OfflineDisplay>(640, 480); }
    ShowEffects makeEffects(Console&, RenderContext&) override
    {
        ShowEffects e;
        for (std::unique_ptr<Effect>* slot : {&e.endPicture, &e.greetings, &e.labyrinth, &e.objectShow, &e.tunnel,
                                              &e.flirp, &e.metaballs, &e.water, &e.cube, &e.klam}) {
            *slot = std::make_unique<SilentEffect>();
        }
        return e;
    }
    void loopStarting() override { m_start = m_clock.timeMs(); }
    void frameStarting(uint64_t frame) override { m_clock.advanceTo(uint32_t(m_start + frame * 1000 / uint64_t(m_fps))); }
    void effectSwitched(uint64_t frame, double, int index, EffectId effect) override { switches.push_back({frame, index, effect}); }

    std::vector<Switch> switches;

private:
    OfflinePlatform& m_clock;
    int m_fps;
    uint64_t m_start = 0;
};

} // namespace

TEST(ShowTimeline, SongSwitchesTheEffectsOnTimeAndEndsTheShow)
{
    // The program reads its data files from the current folder: the build's.
    ASSERT_EQ(chdir(KALVORA_BINARY_DIR), 0);
    OfflinePlatform clock;
    setPlatform(&clock);
    constexpr int kFps = 10;
    TimelineHost host(clock, kFps);
    MusicAudio audio([&] { return makeOfflineSoundDevice(clock, [](const int16_t*, size_t) {}); });
    Runner runner(host, audio, clock, {2500, false});
    runner.run();
    setPlatform(nullptr);
    packArchive().clear();

    EXPECT_EQ(runner.endReason(), EndReason::Sync222);
    // The switches in show order, each at its order position of the song (orders of 64 rows of 120 ms).
    struct Expected {
        int index;
        EffectId effect;
        double songSeconds;
    };
    const Expected expected[] = {
        {32, EffectId::Flirp, 2 * 7.68},      {48, EffectId::Tunnel, 5 * 7.68},      {64, EffectId::ObjectShow, 8 * 7.68},
        {80, EffectId::Cube, 10 * 7.68},      {96, EffectId::Greetings, 12 * 7.68},  {101, EffectId::Klam, 14 * 7.68},
        {112, EffectId::Labyrinth, 15 * 7.68}, {129, EffectId::Metaballs, 17 * 7.68}, {153, EffectId::EndPicture, 19 * 7.68},
    };
    ASSERT_EQ(host.switches.size(), std::size(expected));
    // One fixed lead of the picture over the song's position (sound latency, the runner's start), the
    // same at every switch within a frame or two.
    const double offset = static_cast<double>(host.switches[0].frame) / kFps - expected[0].songSeconds;
    EXPECT_GT(offset, -0.5);
    EXPECT_LT(offset, 1.5);
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(host.switches[i].index, expected[i].index);
        EXPECT_EQ(host.switches[i].effect, expected[i].effect);
        const double at = static_cast<double>(host.switches[i].frame) / kFps - expected[i].songSeconds;
        EXPECT_NEAR(at, offset, 0.25) << "switch " << expected[i].index;
    }
    // The end signal sits on the last row of order 20: about 2 min 41 s.
    const double end = static_cast<double>(runner.framesRendered()) / kFps - offset;
    EXPECT_NEAR(end, 21 * 7.68, 0.5);
}
