// Counts heap allocations while the frame loop runs: there must be none.

// The replaced operator new uses malloc, so free is its matching release.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include "FakeShow.h"

#include "data/Bitmap.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
} // namespace

void* operator new(size_t size)
{
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }

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
    explicit CountingHost(OfflinePlatform& clock) : m_clock(clock) {}
    void openArchive(const char*) override {}
    std::unique_ptr<Display> makeDisplay() override { return std::make_unique<OfflineDisplay>(640, 480); }
    ShowEffects makeEffects(Console&, RenderContext&) override
    {
        ShowEffects e;
        for (auto* slot : {&e.endPicture, &e.greetings, &e.labyrinth, &e.objectShow, &e.tunnel, &e.flirp, &e.metaballs,
                           &e.water, &e.cube, &e.klam})
            *slot = std::make_unique<StripeEffect>();
        return e;
    }
    void loopStarting() override { m_start = m_clock.timeMs(); }
    void frameStarting(uint64_t frame) override
    {
        m_clock.advanceTo(uint32_t(m_start + frame * 17));
        g_counting = frame >= 1; // frame 0 may touch lazily made state
    }
    void loopEnded(uint64_t) override { g_counting = false; }

private:
    OfflinePlatform& m_clock;
    uint32_t m_start = 0;
};

} // namespace

TEST(FrameLoop, AllocatesNothingWhileSwitchingEffects)
{
    OfflinePlatform clock;
    CountingHost host(clock);
    FakeAudio audio(clock);
    // The script's own bookkeeping is made before the loop; switches and fade-outs happen in it.
    for (int i = 0; i < 9; ++i) {
        audio.script.post(1100 + 100 * i, 255);
        audio.script.post(1100 + 100 * i, 32 + 16 * i);
    }
    audio.script.asked.reserve(100000);
    audio.calls.reserve(16);
    Runner runner(host, audio, clock, {400, false});
    EXPECT_EQ(runner.run(), 1);
    EXPECT_EQ(runner.framesRendered(), 400u);
    EXPECT_EQ(g_allocations.load(), 0);
}
