#include "engine3d/JMatrix.h"

#include <cmath>
#include <utility>

void JMatrix::identity()
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] = r == c ? 1.0 : 0.0;
}

void JMatrix::scaling(const JVector& v)
{
    identity();
    m[0][0] = v.x;
    m[1][1] = v.y;
    m[2][2] = v.z;
}

void JMatrix::translation(const JVector& v)
{
    identity();
    m[0][3] = v.x;
    m[1][3] = v.y;
    m[2][3] = v.z;
}

void JMatrix::rotation(double x, double y, double z)
{
    const double sx = std::sin(x), cx = std::cos(x);
    const double sy = std::sin(y), cy = std::cos(y);
    const double sz = std::sin(z), cz = std::cos(z);
    identity();
    m[0][0] = sz * sx * sy + cz * cy;
    m[0][1] = sz * cx;
    m[0][2] = sx * cy * sz - sy * cz;
    m[1][0] = sy * sx * cz - cy * sz;
    m[1][1] = cz * cx;
    m[1][2] = sx * cz * cy + sy * sz;
    m[2][0] = sy * cx;
    m[2][1] = -sx;
    m[2][2] = cy * cx;
}

void JMatrix::rotationFromDegrees(const JVector& v)
{
    JMatrix pitch, heading, bank;
    pitch.rotation(v.x * kDegreesToRadians, 0, 0);
    heading.rotation(0, v.y * kDegreesToRadians, 0);
    bank.rotation(0, 0, -v.z * kDegreesToRadians);
    JMatrix hp;
    hp.product(heading, pitch);
    product(hp, bank);
}

void JMatrix::product(const JMatrix& a, const JMatrix& b)
{
    double t[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            t[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] + a.m[r][3] * b.m[3][c];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] = t[r][c];
}

void JMatrix::transposeRotation()
{
    std::swap(m[0][1], m[1][0]);
    std::swap(m[0][2], m[2][0]);
    std::swap(m[1][2], m[2][1]);
}

void JMatrix::invertScaling()
{
    m[0][0] = 1.0 / m[0][0];
    m[1][1] = 1.0 / m[1][1];
    m[2][2] = 1.0 / m[2][2];
}

void JMatrix::negateTranslation()
{
    m[0][3] = -m[0][3];
    m[1][3] = -m[1][3];
    m[2][3] = -m[2][3];
}
