// Envelopes (Kochanek-Bartels keys, end behaviours) and the number rules of the scene text.

#include "engine3d/JEnvelope.h"
#include "engine3d/LwsNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <tuple>
#include <utility>

namespace {

// A one-dimensional channel: value in x, keys as (frame, value) with all spline values 0.
JEnvelope channel(std::initializer_list<std::pair<double, double>> keys, int32_t end = JEnvelope::kEndStop,
                  float tension = 0)
{
    JEnvelope e(int32_t(keys.size()));
    for (auto [frame, value] : keys) {
        JKey k;
        k.frame = frame;
        k.value = {value, 0, 0};
        k.tension = tension;
        EXPECT_EQ(e.addKey(k), 1);
    }
    e.endBehaviour = end;
    return e;
}

double at(const JEnvelope& e, double frame)
{
    JVector v{-999, -999, -999};
    EXPECT_EQ(e.evaluate(frame, v), 1) << "frame " << frame;
    return v.x;
}

} // namespace

TEST(Envelope, ThreeKeysGiveTheHermiteValuesBetweenThem)
{
    // Keys 0/10/0: tangents 10 and 0 at the middle key's sides, so 5 + 0.125 x 10 on both halves.
    const JEnvelope e = channel({{0, 0}, {10, 10}, {20, 0}});
    EXPECT_DOUBLE_EQ(at(e, 5), 6.25);
    EXPECT_DOUBLE_EQ(at(e, 10), 10);
    EXPECT_DOUBLE_EQ(at(e, 15), 6.25);
}

TEST(Envelope, TensionShortensTheTangents)
{
    // 0 -> 10 over 10 frames at frame 2: 10 h2 + 10 (1 - tension) (h3 + h4) / 2, h2 = .104, h3 + h4 = .096.
    EXPECT_NEAR(at(channel({{0, 0}, {10, 10}}, JEnvelope::kEndStop, 0.5f), 2), 1.52, 1e-12);
    EXPECT_NEAR(at(channel({{0, 0}, {10, 10}}, JEnvelope::kEndStop, 1.0f), 2), 1.04, 1e-12);
}

TEST(Envelope, LinearKeyMakesItsSegmentStraight)
{
    JEnvelope e(3);
    for (auto [frame, value, linear] : {std::tuple{0.0, 0.0, 0}, {10.0, 10.0, 1}, {20.0, 0.0, 0}}) {
        JKey k;
        k.frame = frame;
        k.value = {value, 0, 0};
        k.linear = linear;
        e.addKey(k);
    }
    EXPECT_DOUBLE_EQ(at(e, 3), 3); // the spline would give 3.63
}

TEST(Envelope, EndBehavioursPastTheLastKey)
{
    JVector v{7, 7, 7};
    EXPECT_EQ(channel({{0, 0}, {10, 10}}, JEnvelope::kEndReset).evaluate(20, v), 0);
    EXPECT_EQ(v.x, 7) << "no value leaves the vector alone";
    EXPECT_DOUBLE_EQ(at(channel({{0, 0}, {10, 10}}, JEnvelope::kEndStop), 20), 10);
    EXPECT_DOUBLE_EQ(at(channel({{0, 0}, {10, 10}}, JEnvelope::kEndStop), -5), 0);
}

TEST(Envelope, RepeatFoldsIntoFirstToLastKey)
{
    const JEnvelope e = channel({{0, 0}, {10, 10}}, JEnvelope::kEndRepeat);
    EXPECT_NEAR(at(e, 20), 10, 1e-9); // a whole period past the first key lands on the last
    EXPECT_NEAR(at(e, 10.5), 0.5, 1e-9);
    EXPECT_NEAR(at(e, 1e15 + 5), 5, 1e-9) << "no walk of the periods";
    // The period is last - first, not the last key's frame.
    EXPECT_NEAR(at(channel({{10, 0}, {20, 10}}, JEnvelope::kEndRepeat), 25), 5, 1e-9);
}

TEST(Envelope, KeysOutOfOrderOrBeyondTheCapacityAreRefused)
{
    JEnvelope e(2);
    JKey k;
    k.frame = 10;
    EXPECT_EQ(e.addKey(k), 1);
    k.frame = 10;
    EXPECT_EQ(e.addKey(k), 0);
    k.frame = 5;
    EXPECT_EQ(e.addKey(k), 0);
    k.frame = NAN;
    EXPECT_EQ(e.addKey(k), 0);
    k.frame = 20;
    EXPECT_EQ(e.addKey(k), 1);
    k.frame = 30;
    EXPECT_EQ(e.addKey(k), 0);
    EXPECT_EQ(e.count, 2);
}

TEST(LwsNumbers, DecimalsReadByTheRule)
{
    EXPECT_EQ(lwsDecimal("12.5"), 12.5);
    EXPECT_EQ(lwsDecimal("-3.25"), -3.25);
    EXPECT_EQ(lwsDecimal(".5"), 0.5);
    EXPECT_EQ(lwsDecimal("12."), 12.0);
    EXPECT_EQ(lwsDecimal("+4"), 4.0);
    EXPECT_EQ(lwsDecimal("0.000000"), 0.0);
    EXPECT_EQ(lwsDecimal("1.5e-003"), 0.0015);
    EXPECT_EQ(lwsDecimal("2.5e+002"), 250.0);
    EXPECT_EQ(lwsDecimal("-2E+1"), -20.0);
    for (const char* bad : {"", "-", ".", "1.2.3", "1e5", "1e+", "1e+1234", "1e+999", "0x10", "1,5", "nan", "12a"})
        EXPECT_EQ(lwsDecimal(bad), 0.0) << bad;
}

TEST(LwsNumbers, IntegersAreAPlusAndUpToNineDigits)
{
    bool valid = false;
    EXPECT_EQ(lwsInteger("0030", &valid), 30);
    EXPECT_TRUE(valid);
    EXPECT_EQ(lwsInteger("+7"), 7);
    EXPECT_EQ(lwsInteger("999999999"), 999999999);
    for (const char* bad : {"", "+", "-7", "1234567890", "3.0", "1e2", " 5"}) {
        EXPECT_EQ(lwsInteger(bad, &valid), 0) << bad;
        EXPECT_FALSE(valid) << bad;
    }
}
