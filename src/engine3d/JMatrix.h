#pragma once
// 4 x 4 doubles, row-major m[row][column]; points are column vectors multiplied on the right (p' = M p),
// so the translation sits in column 3 and "A first, then B" is the product B A.

#include "engine3d/JVector.h"

class JMatrix {
public:
    double m[4][4];

    // The identity.
    JMatrix() { identity(); }

    void identity();
    // Identity with the diagonal (v.x, v.y, v.z, 1).
    void scaling(const JVector& v);
    // Identity with column 3 = (v.x, v.y, v.z, 1).
    void translation(const JVector& v);
    // Rz(z) Rx(x) Ry(y), angles in radians, built in closed form. Rx(a) maps (0, 1, 0) to
    // (0, cos a, -sin a); Ry(a) maps (1, 0, 0) to (cos a, 0, sin a); Rz(a) maps (1, 0, 0) to (cos a, -sin a, 0).
    void rotation(double x, double y, double z);
    // Angles in degrees: Ry(v.y k) Rx(v.x k) Rz(-v.z k), k = 0.01745329251993889 (note the z sign).
    void rotationFromDegrees(const JVector& v);
    // This = a b (all sixteen entries); a or b may be this matrix.
    void product(const JMatrix& a, const JMatrix& b);
    // M (x, y, z, 1) without the bottom row and without division.
    JVector transform(const JVector& p) const
    {
        return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
                m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
                m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
    }
    // In place: transposes the upper-left 3 x 3 block (the inverse of a pure rotation).
    void transposeRotation();
    // In place: reciprocals of the three scale entries (the inverse of a pure scaling).
    void invertScaling();
    // In place: negates the translation column (the inverse of a pure translation).
    void negateTranslation();

    static constexpr double kDegreesToRadians = 0.01745329251993889;
};

inline JMatrix operator*(const JMatrix& a, const JMatrix& b)
{
    JMatrix r;
    r.product(a, b);
    return r;
}
