#pragma once
// Three doubles: a point or direction of the 3D engine. Treated as (x, y, z, 1) by JMatrix::transform.

#include <cmath>

class JVector {
public:
    double x, y, z;

    // Not initialised: a plain value type.
    JVector() = default;
    constexpr JVector(double vx, double vy, double vz) : x(vx), y(vy), z(vz) {}

    // In place: each component times 1 / length. A zero vector is not guarded (the result is not finite).
    void normalize()
    {
        const double k = 1.0 / std::sqrt(x * x + y * y + z * z);
        x *= k;
        y *= k;
        z *= k;
    }
};

inline JVector add(const JVector& a, const JVector& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline JVector subtract(const JVector& a, const JVector& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline JVector scale(const JVector& a, double s)
{
    return {s * a.x, s * a.y, s * a.z};
}
inline double dot(const JVector& a, const JVector& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline JVector cross(const JVector& a, const JVector& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const JVector& a)
{
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}
inline void normalize(JVector& a)
{
    a.normalize();
}
// Exact comparison: -0 equals 0, NaN equals nothing.
inline bool equal(const JVector& a, const JVector& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// True when all three coordinates are finite.
inline bool finite(const JVector& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Lexicographic order of positions (x, then y, then z), for sorting and searching vertices by place.
inline bool lessPosition(const JVector& p, const JVector& q)
{
    if (p.x != q.x)
        return p.x < q.x;
    if (p.y != q.y)
        return p.y < q.y;
    return p.z < q.z;
}

inline JVector operator+(const JVector& a, const JVector& b)
{
    return add(a, b);
}
inline JVector operator-(const JVector& a, const JVector& b)
{
    return subtract(a, b);
}
inline JVector operator-(const JVector& a)
{
    return {-a.x, -a.y, -a.z};
}
inline JVector operator*(const JVector& a, double s)
{
    return scale(a, s);
}
inline JVector operator*(double s, const JVector& a)
{
    return scale(a, s);
}
