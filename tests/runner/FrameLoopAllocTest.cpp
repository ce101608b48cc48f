// Counts heap allocations while the frame loop runs: there must be none.

#include "AllocationCounter.h"
#include "FakeShow.h"

#include "data/Bitmap.h"
#include "data/PackArchive.h"
#include "runner/Schedule.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class StripeEffect final : public Effect {
public:
    int render(RenderContext&, Bitmap& view, TriggerSource& player, double elapsed) override
    {
        view.fill(int(elapsed) & 255, 0, 0);
        player.trigger(255);
        return 1;
    }
};

class CountingHost final : public ShowHost {
public:
    CountingHost(OfflinePlatform& clock, bool showEffects) : m_clock(clock), m_showEffects(showEffects) {}
    void openArchive(const char* name) override
    {
        if (m_showEffects)
            packArchive().openFailed(name);
    }
    std::unique_ptr<Display> makeDisplay() override { return std::make_unique<OfflineDisplay>(640, 480); }
    ShowEffects makeEffects(Console& console, RenderContext& context) override
    {
        if (m_showEffects)
            return makeShowEffects(console, context);
        ShowEffects e;
        for (const EffectRow& row : e.table())
            e.set(row.id, std::make_unique<StripeEffect>());
        return e;
    }
    void loopStarting() override { m_start = m_clock.timeMs(); }
    void frameStarting(uint64_t frame) override
    {
        m_clock.advanceTo(uint32_t(m_start + frame * 17));
        allocations::count(frame >= 1); // frame 0 may touch lazily made state
    }
    void loopEnded(uint64_t) override { allocations::count(false); }

private:
    OfflinePlatform& m_clock;
    bool m_showEffects;
    uint32_t m_start = 0;
};

// Every switch of the schedule, each after a fade-out, 100 ms apart from 1.1 s on.
void postEveryIndex(FakeAudio& audio)
{
    for (int i = 0; i < 9; ++i) {
        audio.script.postAt(1100 + 100 * i, 255);
        audio.script.postAt(1100 + 100 * i, kSchedule[i].index);
        audio.script.postAt(1150 + 100 * i, 128); // the effects' own listeners
    }
    audio.calls.reserve(16);
}

} // namespace

TEST(FrameLoop, AllocatesNothingWhileSwitchingEffects)
{
    OfflinePlatform clock;
    CountingHost host(clock, false);
    FakeAudio audio(clock);
    postEveryIndex(audio); // the script's bookkeeping is made before the loop
    Runner runner(host, audio, clock, {400, false});
    EXPECT_EQ(runner.run(), 1);
    EXPECT_EQ(runner.framesRendered(), 400u);
    EXPECT_EQ(allocations::counted(), 0);
}

TEST(FrameLoop, ShowEffectsWithTheDefaultDataAllocateNothingPerFrame)
{
    ASSERT_EQ(chdir(KALVORA_BINARY_DIR), 0);
    allocations::reset();
    OfflinePlatform clock;
    clock.setQuiet(true);
    CountingHost host(clock, true);
    FakeAudio audio(clock);
    postEveryIndex(audio);
    Runner runner(host, audio, clock, {400, false});
    EXPECT_EQ(runner.run(), 1);
    packArchive().clear();
    EXPECT_EQ(allocations::counted(), 0);
}
