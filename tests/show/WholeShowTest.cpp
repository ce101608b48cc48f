// Plays the default show from start to end on the offline platform and checks what the viewer gets:
// the effects switch at the song's sync rows, each built effect draws a real picture, the song ends it.

#include "data/Bitmap.h"
#include "data/PackArchive.h"
#include "display/OfflineDisplay.h"
#include "music/SoundDevice.h"
#include "platform/OfflinePlatform.h"
#include "render/Random.h"
#include "runner/MusicAudio.h"
#include "runner/Runner.h"
#include "runner/Schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace {

constexpr int kFps = 5;

class RecordingHost final : public ShowHost {
public:
    explicit RecordingHost(OfflinePlatform& clock) : m_clock(clock) {}
    void openArchive(const char* name) override { packArchive().openFailed(name); }
    std::unique_ptr<Display> makeDisplay() override
    {
        auto d = std::make_unique<OfflineDisplay>(640, 480);
        m_display = d.get();
        return d;
    }
    void loopStarting() override
    {
        start = m_clock.timeMs();
        m_display->setFrameSink([this](const Bitmap& frame) { sample(frame); });
    }
    void frameStarting(uint64_t frame) override
    {
        m_frame = frame;
        m_clock.advanceTo(uint32_t(start + frame * 1000 / kFps));
    }
    void effectSwitched(uint64_t, double timeMs, int index, EffectId effect) override
    {
        switches.push_back({index, timeMs - start});
        m_current = effect;
    }
    void loopEnded(uint64_t) override { m_display->setFrameSink({}); }

    struct Switch {
        int index;
        double ms; // since the show's first frame
    };
    struct Sample {
        EffectId effect;
        size_t colours;
    };
    std::vector<Switch> switches;
    std::vector<Sample> samples;
    uint32_t start = 0;
    uint64_t frameHash = 14695981039346656037ull;

private:
    // Every second: how many distinct colours the band shows, and whose picture it is.
    void sample(const Bitmap& frame)
    {
        if (m_frame % kFps != 0)
            return;
        std::unordered_set<uint32_t> colours;
        for (int y = 80; y < 400; y += 2)
            for (int x = 0; x < 640; x += 2)
                colours.insert(frame.row32(y)[x] & 0xFFFFFF);
        samples.push_back({m_drawn, colours.size()});
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                frameHash = (frameHash ^ frame.row32(y)[x]) * 1099511628211ull;
        m_drawn = m_current;
    }
    OfflinePlatform& m_clock;
    OfflineDisplay* m_display = nullptr;
    uint64_t m_frame = 0;
    EffectId m_current = kFirstEffect;
    EffectId m_drawn = kFirstEffect; // a switch takes effect from the next frame
};

struct ShowRun {
    OfflinePlatform clock;
    RecordingHost host{clock};
    size_t pcmFrames = 0;
    int16_t peak = 0;
    uint64_t pcmHash = 14695981039346656037ull;
    uint64_t frames = 0;
    EndReason reason = EndReason::Escape;
    int exitCode = -1;

    void play()
    {
        clock.setQuiet(true);
        setPlatform(&clock);
        Random::shared().seed(1); // as at program start
        MusicAudio audio([&] {
            return makeOfflineSoundDevice(clock, [&](const int16_t* pcm, size_t count) {
                pcmFrames += count;
                for (size_t i = 0; i < count * 2; ++i) {
                    peak = std::max<int16_t>(peak, int16_t(std::abs(pcm[i])));
                    pcmHash = (pcmHash ^ uint16_t(pcm[i])) * 1099511628211ull;
                }
            });
        });
        Runner runner(host, audio, clock, {-1, false});
        exitCode = runner.run();
        frames = runner.framesRendered();
        reason = runner.endReason();
        setPlatform(nullptr);
        packArchive().clear();
    }
};

} // namespace

TEST(WholeShow, EffectsSwitchAtTheSongsSyncsAndTheSongEndsTheShow)
{
    ASSERT_EQ(chdir(KALVORA_BINARY_DIR), 0);
    ShowRun run;
    run.play();
    const RecordingHost& host = run.host;
    EXPECT_EQ(run.exitCode, 1);
    const uint64_t framesRendered = run.frames;
    const size_t pcmFrames = run.pcmFrames;
    const int16_t peak = run.peak;

    EXPECT_EQ(run.reason, EndReason::Sync222);
    const double seconds = double(framesRendered) / kFps;
    EXPECT_GT(seconds, 158.0);
    EXPECT_LT(seconds, 166.0);
    EXPECT_GT(pcmFrames, size_t(150 * 44100));
    EXPECT_GT(peak, 1000);

    // The schedule in its order, each index once, at its order position of the song: order n starts at
    // n x 7.68 s (64 rows at tempo 125, speed 6). The picture leads the song's position by one fixed offset
    // (the sound card's blocks, the runner's start), the same at every switch within a frame or two.
    const int orders[] = {2, 5, 8, 10, 12, 14, 15, 17, 19};
    ASSERT_EQ(host.switches.size(), kSchedule.size());
    const double offset = host.switches[0].ms - orders[0] * 7680.0;
    EXPECT_GT(offset, -500);
    EXPECT_LT(offset, 1500);
    for (size_t i = 0; i < kSchedule.size(); ++i) {
        EXPECT_EQ(host.switches[i].index, kSchedule[i].index);
        EXPECT_NEAR(host.switches[i].ms - orders[i] * 7680.0, offset, 2000.0 / kFps) << kSchedule[i].index;
    }
    // The end signal sits on the last row of order 20.
    EXPECT_NEAR(seconds * 1000 - offset, 21 * 7680.0, 500);

    // Every effect draws more than a plain colour in the middle of its section: no section is black.
    for (int i = 0; i < kEffectCount; ++i) {
        const EffectId id = EffectId(i);
        std::vector<size_t> colours;
        for (const auto& s : host.samples)
            if (s.effect == id)
                colours.push_back(s.colours);
        ASSERT_FALSE(colours.empty()) << effectName(id);
        EXPECT_GT(colours[colours.size() / 2], 64u) << effectName(id);
    }
}

TEST(WholeShow, TwoRunsGiveTheSameFramesAndSamples)
{
    ASSERT_EQ(chdir(KALVORA_BINARY_DIR), 0);
    ShowRun a, b;
    a.play();
    b.play();
    EXPECT_EQ(a.frames, b.frames);
    EXPECT_EQ(a.host.frameHash, b.host.frameHash);
    EXPECT_EQ(a.pcmFrames, b.pcmFrames);
    EXPECT_EQ(a.pcmHash, b.pcmHash);
}
