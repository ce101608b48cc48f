// The sound device on the offline virtual card: blocks, tick pacing, sync events, slots, voices, and
// no allocation in the output thread. Runs threads: labelled for the TSan build.

#include "AllocationCounter.h"
#include "XmBuilder.h"

#include "music/ModulePlayer.h"
#include "music/SoundDevice.h"
#include "music/SyncQueue.h"
#include "platform/OfflinePlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::atomic<int> g_lastSample{0};

// W (type 32) with parameter `index` on the given rows of a one-channel song.
XmSongDesc syncSong(std::vector<std::pair<int, int>> rowIndex, int rows = 16)
{
    std::vector<XmCell> cells(size_t(rows), XmCell{0, 0, 0, 0, 0});
    cells[0] = {49, 1, 0, 0, 0};
    for (auto& ri : rowIndex)
        cells[size_t(ri.first)] = {ri.first == 0 ? 49 : 0, ri.first == 0 ? 1 : 0, 0, 32, ri.second};
    return XmBuilder::simple(cells, rows);
}

struct Capture {
    std::vector<int16_t> pcm;
    void operator()(const int16_t* f, size_t n) { pcm.insert(pcm.end(), f, f + n * 2); }
};

uint64_t hashPcm(const std::vector<int16_t>& pcm)
{
    uint64_t h = 1469598103934665603ull;
    for (int16_t s : pcm)
        h = (h ^ uint16_t(s)) * 1099511628211ull;
    return h;
}

struct TickFrames final : TickListener {
    std::vector<int64_t> at;
    void onTick(const ModulePlayer& p) override { at.push_back(p.voice(0)->streamPos); }
};

} // namespace

TEST(SoundDevice, OfflineCardFillsFourBlocksAtOpenAndPlaysInStep)
{
    OfflinePlatform clock;
    clock.advanceTo(1000);
    Capture cap;
    auto dev = makeOfflineSoundDevice(clock, [&](const int16_t* f, size_t n) { cap(f, n); });
    ASSERT_EQ(dev->open(), 4);
    EXPECT_EQ(dev->requestedFrames(), 4 * 8250);
    EXPECT_TRUE(cap.pcm.empty());
    clock.advanceBy(100);
    EXPECT_EQ(cap.pcm.size(), size_t(4410 * 2));
    clock.advanceBy(100); // 8820 frames played: block 0 finished and was refilled at once
    EXPECT_EQ(dev->requestedFrames(), 5 * 8250);
    EXPECT_EQ(dev->close(), 1);
}

TEST(SoundDevice, OfflineRunsRepeatExactly)
{
    std::vector<uint8_t> img = XmBuilder::build(syncSong({{0, 1}, {4, 2}}));
    uint64_t hashes[2];
    for (uint64_t& h : hashes) {
        OfflinePlatform clock;
        Capture cap;
        ModulePlayer player;
        ASSERT_EQ(player.loadFromMemory(img.data(), img.size()), 1);
        auto dev = makeOfflineSoundDevice(clock, [&](const int16_t* f, size_t n) { cap(f, n); });
        ASSERT_EQ(dev->open(), 4);
        ASSERT_EQ(dev->play(player), 1);
        for (int i = 0; i < 120; ++i)
            clock.advanceBy(17);
        ASSERT_EQ(cap.pcm.size(), size_t(int64_t(120 * 17) * 44100 / 1000 * 2));
        EXPECT_EQ(dev->stop(player), 1);
        dev->close();
        h = hashPcm(cap.pcm);
        bool sound = false;
        for (int16_t s : cap.pcm)
            sound |= s != 0;
        EXPECT_TRUE(sound);
    }
    EXPECT_EQ(hashes[0], hashes[1]);
}

TEST(SoundDevice, TickSpacingIsTheSinglePrecisionQuotientTruncated)
{
    // trunc(44100f / (tempo x 0.4f)) in single precision: tempo 126 gives 875 (874 in double), tempo 42
    // gives 2624 (2625 rounded).
    for (auto [tempo, spacing] : {std::pair{125, 882}, {126, 875}, {42, 2624}}) {
        XmSongDesc song = syncSong({});
        song.tempo = tempo;
        std::vector<uint8_t> img = XmBuilder::build(song);
        OfflinePlatform clock;
        ModulePlayer player;
        player.loadFromMemory(img.data(), img.size());
        TickFrames ticks;
        player.setTickListener(&ticks);
        auto dev = makeOfflineSoundDevice(clock, nullptr);
        dev->play(player);
        dev->open();
        ASSERT_GE(ticks.at.size(), 12u);
        EXPECT_EQ(ticks.at[0], 0);
        for (size_t i = 1; i < ticks.at.size(); ++i)
            ASSERT_EQ(ticks.at[i] - ticks.at[i - 1], spacing) << "tempo " << tempo;
        EXPECT_EQ(ticks.at.size(), size_t((4 * 8250 + spacing - 1) / spacing)) << "up to one tick ahead";
        dev->close();
    }
}

// A player published while the output thread is between placing the pool's voices and ticking the
// players may own a voice that was freed (and reset to frame -1) in between.
TEST(SoundDevice, PlayerPublishedDuringARefillStartsAtTheMixedFrameCount)
{
    std::vector<uint8_t> img = XmBuilder::build(syncSong({}));
    OfflinePlatform clock;
    ModulePlayer early, first, late;
    for (ModulePlayer* p : {&early, &first, &late})
        p->loadFromMemory(img.data(), img.size());
    auto dev = makeOfflineSoundDevice(clock, nullptr);
    dev->play(early); // the last slot and pool voice 0
    dev->play(first);
    dev->stop(early); // the last slot is free again, and so is voice 0
    SoundBuffer block;
    block.create(8250, 2, 16, 44100, false);
    for (int i = 0; i < 10; ++i)
        dev->renderBlock(block);
    struct PlayOnTick final : TickListener {
        SoundDevice* dev;
        ModulePlayer* player;
        void onTick(const ModulePlayer&) override
        {
            if (player)
                dev->play(*std::exchange(player, nullptr));
        }
    } publisher;
    publisher.dev = dev.get();
    publisher.player = &late;
    first.setTickListener(&publisher);
    TickFrames lateTicks;
    late.setTickListener(&lateTicks);
    ASSERT_NE(dev->claimVoice(Voice::Fading), nullptr); // voice 0: freed at frame -1 by the next refill
    dev->renderBlock(block);
    ASSERT_FALSE(lateTicks.at.empty());
    EXPECT_EQ(lateTicks.at[0], 10 * 8250);
    EXPECT_EQ(lateTicks.at.size(), size_t((8250 + 881) / 882));
}

TEST(SoundDevice, SyncEventsArriveTimedAndCountedPerIndex)
{
    // Speed 1: rows 0, 1, 2 on the first three ticks of the player, all in one block refill.
    XmSongDesc song = syncSong({{0, 255}, {1, 255}, {2, 48}});
    song.speed = 1;
    std::vector<uint8_t> img = XmBuilder::build(song);
    OfflinePlatform clock;
    clock.advanceTo(5000);
    ModulePlayer player;
    player.loadFromMemory(img.data(), img.size());
    auto dev = makeOfflineSoundDevice(clock, nullptr);
    dev->open();
    dev->play(player); // as the show does: after open, ticked from the next block refill on
    while (dev->requestedFrames() == 4 * 8250)
        clock.advanceBy(1);
    int fill = int(clock.timeMs());
    EXPECT_EQ(fill, 5188) << "block 0 (8250 frames) ends at 187.07 ms";
    // Each event carries the time its tick is heard less the lead: clock + 748 - 200, + 20 ms per tick.
    clock.advanceTo(uint32_t(fill + 548 - 1));
    EXPECT_EQ(player.trigger(255), 0) << "not yet due";
    clock.advanceTo(uint32_t(fill + 548 + 20));
    EXPECT_EQ(player.trigger(255), 2) << "two pending before the poll: the count before the decrement";
    EXPECT_EQ(player.trigger(255), 1);
    EXPECT_EQ(player.trigger(255), 0);
    EXPECT_EQ(player.trigger(48), 0);
    clock.advanceTo(uint32_t(fill + 548 + 40));
    EXPECT_EQ(player.trigger(48), 1);
    dev->close();
}

TEST(SoundDevice, TriggerWithoutDeviceReportsOnlyEarlierHits)
{
    ModulePlayer player;
    EXPECT_EQ(player.pollSyncEvents(), 0);
    EXPECT_EQ(player.trigger(3), 0);
}

TEST(SoundDevice, SlotsAndVoicePoolLimits)
{
    std::vector<uint8_t> img32 = XmBuilder::build(XmBuilder::simple({}, 4, 32));
    std::vector<uint8_t> img7 = XmBuilder::build(XmBuilder::simple({}, 4, 7));
    OfflinePlatform clock;
    auto dev = makeOfflineSoundDevice(clock, nullptr);
    ModulePlayer a, b, c;
    a.loadFromMemory(img32.data(), img32.size());
    b.loadFromMemory(img32.data(), img32.size());
    c.loadFromMemory(img7.data(), img7.size());
    EXPECT_EQ(dev->stop(a), 0) << "not in a slot";
    EXPECT_EQ(dev->play(a), 1);
    EXPECT_EQ(dev->play(b), 1);
    EXPECT_EQ(dev->freeVoices(), 6);
    EXPECT_EQ(dev->play(c), 0) << "7 channels, 6 voices left";
    EXPECT_EQ(dev->freeVoices(), 6) << "nothing kept";
    EXPECT_EQ(c.device(), nullptr) << "the refused player stays unattached";
    EXPECT_EQ(dev->play(a), 1) << "already playing: a restart";
    EXPECT_EQ(dev->freeVoices(), 6);
    ASSERT_EQ(dev->open(), 4);
    EXPECT_EQ(dev->stop(a), 1);
    EXPECT_EQ(dev->freeVoices(), 38) << "the output thread let go of the voices";
    EXPECT_EQ(dev->play(c), 1);
    dev->close();
}

TEST(SoundDevice, OutputThreadDoesNotAllocateAfterOpen)
{
    std::vector<uint8_t> img = XmBuilder::build(syncSong({{0, 1}, {3, 2}, {8, 3}}));
    OfflinePlatform clock;
    ModulePlayer player;
    player.loadFromMemory(img.data(), img.size());
    auto dev = makeOfflineSoundDevice(clock, [](const int16_t* f, size_t n) {
        if (n)
            g_lastSample.store(f[0], std::memory_order_relaxed);
    });
    dev->play(player);
    dev->open();
    allocations::reset();
    allocations::count(true);
    for (int i = 0; i < 200; ++i)
        clock.advanceBy(16); // refills run on the output thread while the clock moves
    allocations::count(false);
    EXPECT_EQ(allocations::counted(), 0);
    dev->close();
}

TEST(SoundDevice, SilentCardOpensAndClosesWithoutHardware)
{
    auto dev = makeSilentSoundDevice();
    std::vector<uint8_t> img = XmBuilder::build(syncSong({}));
    ModulePlayer player;
    player.loadFromMemory(img.data(), img.size());
    ASSERT_EQ(dev->open(), 4);
    EXPECT_EQ(dev->play(player), 1);
    EXPECT_EQ(dev->close(), 1);
    EXPECT_EQ(dev->close(), 1) << "closing twice is harmless";
}

TEST(SyncQueue, SlotsPublishedAcrossThreads)
{
    SyncQueue q;
    const int kEvents = 20000;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (int i = 0; i < kEvents;) {
            if (q.post(i, 0, i & 255))
                ++i;
            else
                std::this_thread::yield();
        }
        done.store(true, std::memory_order_release);
    });
    std::vector<int> counts(256, 0);
    int taken = 0;
    while (taken < kEvents) {
        int index = q.takeDue(1 << 30);
        if (index >= 0) {
            ++counts[size_t(index)];
            ++taken;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_TRUE(done.load());
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(counts[size_t(i)], kEvents / 256 + (i < kEvents % 256 ? 1 : 0));
    EXPECT_EQ(q.takeDue(1 << 30), -1);
}

TEST(SyncQueue, FullQueueDropsAndDueOrderIsSlotOrder)
{
    SyncQueue q;
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(q.post(100 + i, 0, i), 1);
    EXPECT_EQ(q.post(1, 0, 7), 0);
    EXPECT_EQ(q.takeDue(99), -1);
    EXPECT_EQ(q.takeDue(101), 0);
    EXPECT_EQ(q.takeDue(101), 1);
    EXPECT_EQ(q.takeDue(101), -1);
}

TEST(SoundDevice, PlayingAgainRestartsOnTheOutputThread)
{
    std::vector<uint8_t> img = XmBuilder::build(syncSong({}));
    OfflinePlatform clock;
    ModulePlayer player;
    player.loadFromMemory(img.data(), img.size());
    auto dev = makeOfflineSoundDevice(clock, nullptr);
    dev->play(player);
    dev->open();
    clock.advanceBy(1000);
    int64_t rows = player.decodedRows();
    EXPECT_GT(rows, 4);
    int free = dev->freeVoices();
    EXPECT_EQ(dev->play(player), 1); // posts a restart, takes no voices
    EXPECT_EQ(dev->freeVoices(), free);
    int64_t before = dev->requestedFrames();
    while (dev->requestedFrames() == before)
        clock.advanceBy(1);
    // The refill restarted the song: row 0 again after `speed` ticks, so few rows since.
    EXPECT_LT(player.decodedRows(), rows);
    EXPECT_EQ(player.decodedOrder(), 0);
    dev->close();
}
