#include "FigureRig.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

JVector engine(const JVector& v)
{
    return {v.x, -v.y, v.z};
}

JMatrix transposed(const JMatrix& m)
{
    JMatrix t = m;
    t.transposeRotation();
    return t;
}

// Ry(a) Rx(b) Rz(c) in radians with the engine's elementary rotations.
JMatrix eulerMatrix(double a, double b, double c)
{
    JMatrix ry;
    ry.rotation(0.0, a, 0.0);
    JMatrix rx;
    rx.rotation(b, 0.0, 0.0);
    JMatrix rz;
    rz.rotation(0.0, 0.0, c);
    return ry * rx * rz;
}

double nearestTurn(double angle, double near)
{
    while (angle - near > 180.0) {
        angle -= 360.0;
    }
    while (angle - near < -180.0) {
        angle += 360.0;
    }
    return angle;
}

// Heading, pitch and bank (degrees, LightWave's sense) of a rotation, the one of its two forms
// nearest to `near`.
std::array<double, 3> anglesOf(const JMatrix& m, const std::array<double, 3>& near)
{
    const double k = JMatrix::kDegreesToRadians;
    const double b = std::asin(std::clamp(m.m[1][2], -1.0, 1.0));
    const double a = std::cos(b) > 1e-9 ? std::atan2(-m.m[0][2], m.m[2][2]) : -near[0] * k;
    std::array<std::array<double, 3>, 2> forms;
    for (int form = 0; form < 2; ++form) {
        const double fa = form == 0 ? a : a + kPi;
        const double fb = form == 0 ? b : kPi - b;
        const JMatrix rz = transposed(eulerMatrix(fa, fb, 0.0)) * m;
        const double fc = std::atan2(rz.m[0][1], rz.m[0][0]);
        // M = Ry(a) Rx(b) Rz(c) is written as heading -a, pitch b, bank c.
        forms[form] = {nearestTurn(-fa / k, near[0]), nearestTurn(fb / k, near[1]), nearestTurn(fc / k, near[2])};
    }
    const auto distance = [&](const std::array<double, 3>& f) {
        return std::fabs(f[0] - near[0]) + std::fabs(f[1] - near[1]) + std::fabs(f[2] - near[2]);
    };
    return distance(forms[0]) <= distance(forms[1]) ? forms[0] : forms[1];
}

} // namespace

FigureRig::FigureRig(std::vector<FigureBone> bones) : m_bones(std::move(bones))
{
    const auto direction = [](const FigureBone& b) {
        JVector d = engine(b.tail) - engine(b.head);
        d.normalize();
        return d;
    };
    for (size_t i = 0; i < m_bones.size(); ++i) {
        const JVector z = direction(m_bones[i]);
        // Local y at right angles to the first child that does not continue this bone, so that the
        // children lie in the local x-z plane; else forward, or up for a bone that points forward.
        JVector y = std::fabs(z.z) < 0.9 ? JVector{0.0, 0.0, 1.0} : JVector{0.0, -1.0, 0.0};
        for (const FigureBone& child : m_bones) {
            if (child.parent == static_cast<int32_t>(i) && std::fabs(dot(direction(child), z)) < 0.95) {
                y = cross(z, direction(child));
                break;
            }
        }
        y = y - z * dot(y, z);
        y.normalize();
        const JVector x = cross(y, z);
        JMatrix r;
        for (int row = 0; row < 3; ++row) {
            r.m[row][0] = row == 0 ? x.x : row == 1 ? x.y : x.z;
            r.m[row][1] = row == 0 ? y.x : row == 1 ? y.y : y.z;
            r.m[row][2] = row == 0 ? z.x : row == 1 ? z.y : z.z;
        }
        m_restWorld.push_back(r);
    }
}

FigureRig::Pose FigureRig::pose(size_t bone, const std::array<double, 6>& offset,
                                const std::array<double, 3>& near) const
{
    const FigureBone& b = m_bones[bone];
    const JMatrix parent = b.parent >= 0 ? m_restWorld[static_cast<size_t>(b.parent)] : JMatrix{};
    const JMatrix toParent = transposed(parent);
    JVector start = engine(b.head) + engine({offset[0], offset[1], offset[2]});
    if (b.parent >= 0) {
        start = start - engine(m_bones[static_cast<size_t>(b.parent)].head);
    }
    const JVector local = toParent.transform(start);
    JMatrix turn;
    turn.rotationFromDegrees({offset[4], -offset[3], -offset[5]});
    const JMatrix rotation = toParent * turn * m_restWorld[bone];
    return {{local.x, -local.y, local.z}, anglesOf(rotation, near)};
}

LwsBone FigureRig::restBone(size_t bone) const
{
    const FigureBone& b = m_bones[bone];
    LwsBone out;
    out.name = b.name;
    out.parent = b.parent + 1;
    const Pose rest = pose(bone, {}, {0.0, 0.0, 0.0});
    out.restPosition = rest.position;
    out.restDirection = rest.angles;
    out.restLength = length(b.tail - b.head);
    return out;
}

LwsMotion FigureRig::motion(size_t bone, const LwsMotion& offsets) const
{
    LwsMotion out = offsets;
    std::array<double, 3> near = restBone(bone).restDirection;
    for (LwsKey& key : out.keys) {
        const Pose p = pose(
            bone, {key.values[0], key.values[1], key.values[2], key.values[3], key.values[4], key.values[5]}, near);
        key.values = {p.position[0], p.position[1], p.position[2], p.angles[0], p.angles[1],
                      p.angles[2],   1.0,           1.0,           1.0};
        near = p.angles;
    }
    return out;
}
