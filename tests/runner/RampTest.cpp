#include "runner/Ramp.h"

#include "music/ScriptedTriggers.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(Ramp, BeforeStartReturnsFromHoweverLate)
{
    Ramp r(100, 3, 7, 1);
    EXPECT_EQ(r.value(1e9, 0), 3);
    EXPECT_FALSE(r.started());
}

TEST(Ramp, ClampsFractionToZeroAndOne)
{
    Ramp r(100, 10, 20, 1);
    EXPECT_EQ(r.value(50, 1), 10);  // starts here
    EXPECT_EQ(r.value(10, 0), 10);  // before the start time
    EXPECT_EQ(r.value(100, 0), 15); // halfway, straight line
    EXPECT_EQ(r.value(1e6, 0), 20); // long after the end: exactly `to`
}

TEST(Ramp, ExponentShapesTheWay)
{
    Ramp slow(100, 0, 1, 1.4), fast(100, 0, 1, 0.9);
    slow.value(0, 1);
    fast.value(0, 1);
    EXPECT_LT(slow.value(50, 0), 0.5);
    EXPECT_GT(fast.value(50, 0), 0.5);
}

TEST(Ramp, StartsOnceUntilReset)
{
    Ramp r(10, 0, 1, 1);
    r.value(5, 1);
    EXPECT_EQ(r.value(10, 1), 0.5); // a second start does not restart it
    r.reset();
    EXPECT_EQ(r.value(10, 1), 0);
}

TEST(Ramp, ZeroDurationJumpsToTheEndOnceStarted)
{
    Ramp r(0, 4, 9, 1);
    EXPECT_EQ(r.value(0, 0), 4);
    EXPECT_EQ(r.value(0, 1), 9);
}

TEST(Fade, InStartsOnTheFirstFrameAndOutOnTheFrameSync255IsConsumed)
{
    Fade fade(Ramp(100, 255, 0, 1), Ramp(50, 0, 255, 1));
    ScriptedTriggers player;
    player.postAt(300, 255);
    for (double t : {200.0, 250.0, 300.0, 325.0, 400.0}) {
        player.setTime(t);
        const FadeLevels l = fade.levels(t, player);
        const double in = t >= 300 ? 0 : 255 - 255 * (t - 200) / 100;
        const double out = t < 300 ? 0 : std::min(255.0, 255 * (t - 300) / 50);
        EXPECT_EQ(l.in, in) << "at " << t << ": 255 - 255 (t - 200) / 100";
        EXPECT_EQ(l.out, out) << "at " << t << ": 255 (t - 300) / 50";
    }
    EXPECT_EQ(player.pending(255), 0);
}
