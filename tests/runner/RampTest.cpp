#include "runner/Ramp.h"

#include <gtest/gtest.h>

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
