#include "display/FrameSlots.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

Bitmap solid(int32_t w, int32_t h, uint32_t value)
{
    Bitmap b(w, h, Bitmap::FormatXrgb32);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b.row32(y)[x] = value;
    return b;
}

// The frame's common value, or 0xFFFFFFFF when its pixels differ (a torn frame).
uint32_t uniformValue(const Bitmap& b)
{
    const uint32_t v = b.row32(0)[0];
    for (int32_t y = 0; y < b.height(); ++y)
        for (int32_t x = 0; x < b.width(); ++x)
            if (b.row32(y)[x] != v)
                return 0xFFFFFFFFu;
    return v;
}

} // namespace

TEST(FrameSlots, NothingToTakeBeforeTheFirstPublishAndCurrentIsZeroed)
{
    FrameSlots slots(4, 2);
    EXPECT_FALSE(slots.take());
    EXPECT_EQ(4, slots.current().width());
    EXPECT_EQ(0u, uniformValue(slots.current()));
}

TEST(FrameSlots, TakeGivesTheNewestFrameOnce)
{
    FrameSlots slots(4, 2);
    slots.publish(solid(4, 2, 11));
    slots.publish(solid(4, 2, 22));
    ASSERT_TRUE(slots.take());
    EXPECT_EQ(22u, uniformValue(slots.current()));
    EXPECT_FALSE(slots.take());
    EXPECT_EQ(22u, uniformValue(slots.current()));
    slots.publish(solid(4, 2, 33));
    ASSERT_TRUE(slots.take());
    EXPECT_EQ(33u, uniformValue(slots.current()));
}

TEST(FrameSlots, PublishCopiesSoLaterDrawingDoesNotReachTheShownFrame)
{
    FrameSlots slots(2, 2);
    Bitmap frame = solid(2, 2, 5);
    slots.publish(frame);
    frame.row32(1)[1] = 9;
    ASSERT_TRUE(slots.take());
    EXPECT_EQ(5u, uniformValue(slots.current()));
}

TEST(FrameSlots, LargerFramesAreCroppedSmallerOnesFillTheirCorner)
{
    FrameSlots slots(3, 2);
    slots.publish(solid(5, 4, 7));
    ASSERT_TRUE(slots.take());
    EXPECT_EQ(7u, uniformValue(slots.current()));
    slots.publish(solid(1, 1, 8));
    ASSERT_TRUE(slots.take());
    // The slot taken now is one that has not held a frame yet: only its corner is written.
    EXPECT_EQ(8u, slots.current().row32(0)[0]);
    EXPECT_EQ(0u, slots.current().row32(1)[2]);
}

TEST(FrameSlots, ConsumerOnAnotherThreadNeverSeesATornOrOlderFrame)
{
    constexpr uint32_t kFrames = 3000;
    FrameSlots slots(16, 8);
    std::thread producer([&slots] {
        Bitmap frame(16, 8, Bitmap::FormatXrgb32);
        for (uint32_t k = 1; k <= kFrames; ++k) {
            for (int32_t y = 0; y < 8; ++y)
                for (int32_t x = 0; x < 16; ++x)
                    frame.row32(y)[x] = k;
            slots.publish(frame);
        }
    });
    uint32_t last = 0;
    bool ordered = true, whole = true;
    while (last != kFrames) {
        if (!slots.take())
            continue;
        const uint32_t v = uniformValue(slots.current());
        whole = whole && v != 0xFFFFFFFFu;
        ordered = ordered && v > last;
        if (v == 0xFFFFFFFFu || v <= last)
            break;
        last = v;
    }
    producer.join();
    EXPECT_TRUE(whole);
    EXPECT_TRUE(ordered);
    EXPECT_EQ(kFrames, last);
}
