// Conventions of JVector and JMatrix: row-major, p' = M p, rotation signs and the degree constant.
#include "engine3d/JMatrix.h"
#include "engine3d/JVector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

void expectNear(const JVector& a, const JVector& b, double eps = 1e-12)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

bool isIdentity(const JMatrix& m, double eps)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (std::fabs(m.m[r][c] - (r == c ? 1.0 : 0.0)) > eps)
                return false;
    return true;
}

} // namespace

TEST(JVector, ArithmeticIsComponentwise)
{
    const JVector a(1, 2, 3), b(-4, 0.5, 2);
    expectNear(add(a, b), JVector(-3, 2.5, 5));
    expectNear(subtract(a, b), JVector(5, 1.5, 1));
    expectNear(scale(a, -2), JVector(-2, -4, -6));
    EXPECT_EQ(dot(a, b), -4 + 1 + 6);
    expectNear(cross(JVector(1, 0, 0), JVector(0, 1, 0)), JVector(0, 0, 1));
    expectNear(cross(a, b), JVector(2 * 2 - 3 * 0.5, 3 * -4 - 1 * 2, 1 * 0.5 - 2 * -4));
    EXPECT_EQ(length(JVector(3, 4, 12)), 13);
}

TEST(JVector, NormalizeScalesByReciprocalLengthAndDoesNotGuardZero)
{
    JVector v(0, 3, 4);
    normalize(v);
    expectNear(v, JVector(0, 0.6, 0.8), 1e-15);
    JVector zero(0, 0, 0);
    normalize(zero);
    EXPECT_FALSE(std::isfinite(zero.x));
}

TEST(JVector, EqualIsExactIeeeComparison)
{
    EXPECT_TRUE(equal(JVector(0, 0, 0), JVector(-0.0, 0, 0)));
    EXPECT_FALSE(equal(JVector(1, 2, 3), JVector(1, 2, 3.0000000001)));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(equal(JVector(nan, 0, 0), JVector(nan, 0, 0)));
}

TEST(JMatrix, DefaultIsIdentityAndTranslationSitsInColumnThree)
{
    JMatrix m;
    EXPECT_TRUE(isIdentity(m, 0));
    m.translation(JVector(1, 2, 3));
    EXPECT_EQ(m.m[0][3], 1);
    EXPECT_EQ(m.m[2][3], 3);
    expectNear(m.transform(JVector(0, 0, 0)), JVector(1, 2, 3));
    JMatrix a, b;
    a.translation(JVector(1, 2, 3));
    b.translation(JVector(-5, 0.5, 7));
    JMatrix sum;
    sum.translation(JVector(-4, 2.5, 10));
    const JMatrix ab = a * b;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(ab.m[r][c], sum.m[r][c]);
}

TEST(JMatrix, ProductAppliesRightOperandFirstAndMayAlias)
{
    JMatrix s, t;
    s.scaling(JVector(2, 3, 4));
    t.translation(JVector(1, 1, 1));
    // Scale first, then translate: T S.
    expectNear((t * s).transform(JVector(1, 1, 1)), JVector(3, 4, 5));
    expectNear((s * t).transform(JVector(1, 1, 1)), JVector(4, 6, 8));
    JMatrix m = t;
    m.product(m, s);
    expectNear(m.transform(JVector(1, 1, 1)), JVector(3, 4, 5));
}

TEST(JMatrix, RotationMatchesElementaryRotationsAndTheirSigns)
{
    JMatrix rx, ry, rz;
    rx.rotation(0.3, 0, 0);
    ry.rotation(0, 0.3, 0);
    rz.rotation(0, 0, 0.3);
    const double c = std::cos(0.3), s = std::sin(0.3);
    expectNear(rx.transform(JVector(0, 1, 0)), JVector(0, c, -s));
    expectNear(ry.transform(JVector(1, 0, 0)), JVector(c, 0, s));
    expectNear(rz.transform(JVector(1, 0, 0)), JVector(c, -s, 0));
    JMatrix all;
    all.rotation(0.3, -1.1, 2.0);
    JMatrix x, y, z;
    x.rotation(0.3, 0, 0);
    y.rotation(0, -1.1, 0);
    z.rotation(0, 0, 2.0);
    const JMatrix chain = z * x * y;
    for (int r = 0; r < 4; ++r)
        for (int col = 0; col < 4; ++col)
            EXPECT_NEAR(all.m[r][col], chain.m[r][col], 1e-15);
}

TEST(JMatrix, RotationFromDegreesEdgeCases)
{
    JMatrix m;
    m.rotation(0, 0, 0);
    EXPECT_TRUE(isIdentity(m, 0));
    m.rotationFromDegrees(JVector(0, 0, 0));
    EXPECT_TRUE(isIdentity(m, 0));
    m.rotationFromDegrees(JVector(0, 90, 0));
    expectNear(m.transform(JVector(1, 0, 0)), JVector(0, 0, 1), 1e-9);
    m.rotationFromDegrees(JVector(90, 0, 0));
    expectNear(m.transform(JVector(0, 1, 0)), JVector(0, 0, -1), 1e-9);
    m.rotationFromDegrees(JVector(0, 0, 90));
    expectNear(m.transform(JVector(1, 0, 0)), JVector(0, 1, 0), 1e-9);
    // The constant is the double just below pi / 180: 90 degrees is not exactly a quarter turn.
    EXPECT_EQ(JMatrix::kDegreesToRadians, 0.01745329251993889);
    EXPECT_LT(JMatrix::kDegreesToRadians, 3.141592653589793 / 180.0);
}

TEST(JMatrix, RotationFromDegreesIsHeadingPitchBankAndOrthonormal)
{
    const JVector angles(17, -48, 133);
    JMatrix m;
    m.rotationFromDegrees(angles);
    const double k = JMatrix::kDegreesToRadians;
    JMatrix p, h, b;
    p.rotation(angles.x * k, 0, 0);
    h.rotation(0, angles.y * k, 0);
    b.rotation(0, 0, -angles.z * k);
    const JMatrix expect = h * p * b;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(m.m[r][c], expect.m[r][c]);
    JMatrix t = m;
    t.transposeRotation();
    EXPECT_TRUE(isIdentity(m * t, 1e-12));
}

TEST(JMatrix, ElementaryInversesUndoTheirMatrices)
{
    JMatrix s, si;
    s.scaling(JVector(2, 4, -8));
    si = s;
    si.invertScaling();
    EXPECT_TRUE(isIdentity(s * si, 0));
    JMatrix t, ti;
    t.translation(JVector(3, -2, 9));
    ti = t;
    ti.negateTranslation();
    EXPECT_TRUE(isIdentity(t * ti, 0));
    // The bottom row is ignored by transform: no division.
    JMatrix odd;
    odd.m[3][3] = 5;
    odd.m[3][0] = 2;
    expectNear(odd.transform(JVector(1, 2, 3)), JVector(1, 2, 3));
}
