#include "MeshGenerators.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <tuple>
#include <utility>

namespace mesh {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGolden = 1.61803398874989484820;

JVector unit(JVector v)
{
    v.normalize();
    return v;
}

JVector faceNormal(const LwoObject& o, const LwoPolygon& p)
{
    const JVector& a = o.points[p.corners[0]];
    return cross(o.points[p.corners[1]] - a, o.points[p.corners[2]] - a);
}

JVector centroid(const LwoObject& o, const LwoPolygon& p)
{
    JVector c{0.0, 0.0, 0.0};
    for (uint16_t i : p.corners) {
        c = c + o.points[i];
    }
    return c * (1.0 / static_cast<double>(p.corners.size()));
}

// Any unit vector at right angles to the unit vector `axis`.
JVector perpendicular(const JVector& axis)
{
    const JVector other = std::fabs(axis.y) < 0.9 ? JVector{0.0, 1.0, 0.0} : JVector{1.0, 0.0, 0.0};
    return unit(cross(axis, other));
}

std::vector<JVector> icosahedronPoints()
{
    std::vector<JVector> p;
    for (double a : {-1.0, 1.0}) {
        for (double b : {-kGolden, kGolden}) {
            p.push_back({0.0, a, b});
            p.push_back({a, b, 0.0});
            p.push_back({b, 0.0, a});
        }
    }
    return p;
}

// The triangles of the icosahedron: triples of points at the edge length (2) from one another.
std::vector<std::array<int, 3>> icosahedronFaces(const std::vector<JVector>& p)
{
    const auto adjacent = [&](size_t i, size_t j) { return std::fabs(length(p[i] - p[j]) - 2.0) < 1e-9; };
    std::vector<std::array<int, 3>> faces;
    for (size_t i = 0; i < p.size(); ++i) {
        for (size_t j = i + 1; j < p.size(); ++j) {
            for (size_t k = j + 1; k < p.size(); ++k) {
                if (adjacent(i, j) && adjacent(j, k) && adjacent(i, k)) {
                    faces.push_back({static_cast<int>(i), static_cast<int>(j), static_cast<int>(k)});
                }
            }
        }
    }
    return faces;
}

// The convex solid of `points` whose faces are the planes at right angles to `normals`: each face
// holds the points farthest along its normal, in order around the face.
LwoObject solidFromPlanes(const std::vector<JVector>& points, const std::vector<JVector>& normals)
{
    LwoObject o;
    for (const JVector& p : points) {
        o.addPoint(p);
    }
    for (JVector n : normals) {
        n.normalize();
        double farthest = -1e300;
        for (const JVector& p : points) {
            farthest = std::max(farthest, dot(p, n));
        }
        std::vector<uint16_t> face;
        JVector c{0.0, 0.0, 0.0};
        for (size_t i = 0; i < points.size(); ++i) {
            if (dot(points[i], n) > farthest - 1e-9) {
                face.push_back(static_cast<uint16_t>(i));
                c = c + points[i];
            }
        }
        c = c * (1.0 / static_cast<double>(face.size()));
        const JVector u = unit(points[face[0]] - c);
        const JVector w = cross(n, u);
        std::sort(face.begin(), face.end(), [&](uint16_t a, uint16_t b) {
            return std::atan2(dot(points[a] - c, w), dot(points[a] - c, u)) <
                   std::atan2(dot(points[b] - c, w), dot(points[b] - c, u));
        });
        o.addPolygon(face);
    }
    orientFromCentre(o);
    o.scale(1.0 / o.radius());
    return o;
}

} // namespace

void orientFromCentre(LwoObject& solid)
{
    for (LwoPolygon& p : solid.polygons) {
        if (p.corners.size() >= 3 && dot(faceNormal(solid, p), centroid(solid, p)) < 0.0) {
            std::reverse(p.corners.begin(), p.corners.end());
        }
    }
}

void orientClosed(LwoObject& solid)
{
    if (solid.signedVolume6() < 0.0) {
        solid.flip();
    }
}

LwoObject polyhedron(const std::string& name)
{
    const std::vector<JVector> ico = icosahedronPoints();
    const std::vector<std::array<int, 3>> faces = icosahedronFaces(ico);
    std::vector<JVector> faceCentres;
    for (const auto& f : faces) {
        faceCentres.push_back((ico[f[0]] + ico[f[1]] + ico[f[2]]) * (1.0 / 3.0));
    }
    if (name == "icosahedron") {
        return solidFromPlanes(ico, faceCentres);
    }
    if (name == "dodecahedron") {
        return solidFromPlanes(faceCentres, ico);
    }
    if (name == "truncated-icosahedron") {
        std::vector<JVector> cut;
        for (size_t i = 0; i < ico.size(); ++i) {
            for (size_t j = i + 1; j < ico.size(); ++j) {
                if (std::fabs(length(ico[i] - ico[j]) - 2.0) < 1e-9) {
                    cut.push_back(ico[i] + (ico[j] - ico[i]) * (1.0 / 3.0));
                    cut.push_back(ico[i] + (ico[j] - ico[i]) * (2.0 / 3.0));
                }
            }
        }
        std::vector<JVector> normals = ico;
        normals.insert(normals.end(), faceCentres.begin(), faceCentres.end());
        return solidFromPlanes(cut, normals);
    }
    return {};
}

LwoObject kis(const LwoObject& solid, double height)
{
    LwoObject o;
    o.points = solid.points;
    for (const LwoPolygon& p : solid.polygons) {
        const uint16_t apex = o.addPoint(centroid(solid, p) * height);
        for (size_t k = 0; k < p.corners.size(); ++k) {
            o.addPolygon({p.corners[k], p.corners[(k + 1) % p.corners.size()], apex}, p.surface);
        }
    }
    orientFromCentre(o);
    return o;
}

LwoObject edges(const LwoObject& solid)
{
    LwoObject o;
    o.points = solid.points;
    std::set<std::pair<uint16_t, uint16_t>> seen;
    for (const LwoPolygon& p : solid.polygons) {
        for (size_t k = 0; k < p.corners.size(); ++k) {
            const uint16_t a = p.corners[k];
            const uint16_t b = p.corners[(k + 1) % p.corners.size()];
            if (seen.insert({std::min(a, b), std::max(a, b)}).second) {
                o.addPolygon({a, b}, p.surface);
            }
        }
    }
    return o;
}

LwoObject blob(int32_t frequency, double lobes, double depth)
{
    const std::vector<JVector> ico = icosahedronPoints();
    LwoObject o;
    const double f = frequency;
    for (const auto& face : icosahedronFaces(ico)) {
        const JVector& a = ico[face[0]];
        const JVector ab = (ico[face[1]] - a) * (1.0 / f);
        const JVector ac = (ico[face[2]] - a) * (1.0 / f);
        const auto at = [&](int32_t i, int32_t j) {
            const JVector d = unit(a + ab * i + ac * j);
            const double r = 1.0 + depth * std::sin(lobes * d.x) * std::sin(lobes * d.y) * std::sin(lobes * d.z);
            return o.addPoint(d * r);
        };
        for (int32_t i = 0; i < frequency; ++i) {
            for (int32_t j = 0; i + j < frequency; ++j) {
                o.addPolygon({at(i, j), at(i + 1, j), at(i, j + 1)});
                if (i + j + 1 < frequency) {
                    o.addPolygon({at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
                }
            }
        }
    }
    o.weld(1e-9);
    orientFromCentre(o);
    o.scale(1.0 / o.radius());
    return o;
}

namespace {

// A closed tube: `along` rings of `across` points each, ring i given by its centre and two unit
// vectors spanning its plane.
template<typename Frame>
LwoObject ringTube(int32_t along, int32_t across, double radius, Frame frame)
{
    LwoObject o;
    for (int32_t i = 0; i < along; ++i) {
        const auto [centre, u, w] = frame(i);
        for (int32_t j = 0; j < across; ++j) {
            const double a = 2.0 * kPi * j / across;
            o.addPoint(centre + u * (radius * std::cos(a)) + w * (radius * std::sin(a)));
        }
    }
    const auto index = [&](int32_t i, int32_t j) { return static_cast<uint16_t>((i % along) * across + (j % across)); };
    for (int32_t i = 0; i < along; ++i) {
        for (int32_t j = 0; j < across; ++j) {
            o.addPolygon({index(i, j), index(i + 1, j), index(i + 1, j + 1)});
            o.addPolygon({index(i, j), index(i + 1, j + 1), index(i, j + 1)});
        }
    }
    orientClosed(o);
    return o;
}

} // namespace

LwoObject torus(double major, double minor, int32_t around, int32_t across)
{
    return ringTube(around, across, minor, [&](int32_t i) {
        const double a = 2.0 * kPi * i / around;
        const JVector out{std::cos(a), 0.0, std::sin(a)};
        return std::tuple{out * major, out, JVector{0.0, 1.0, 0.0}};
    });
}

LwoObject torusKnot(int32_t p, int32_t q, double major, double minor, double tube, int32_t along, int32_t across)
{
    const auto curve = [&](double t) {
        const double r = major + minor * std::cos(q * t);
        return JVector{r * std::cos(p * t), minor * std::sin(q * t), r * std::sin(p * t)};
    };
    LwoObject o = ringTube(along, across, tube, [&](int32_t i) {
        const double t = 2.0 * kPi * i / along;
        const double h = 1e-4;
        const JVector c = curve(t);
        const JVector tangent = unit(curve(t + h) - curve(t - h));
        const JVector bend = curve(t + h) + curve(t - h) - c * 2.0;
        const JVector normal = unit(bend - tangent * dot(bend, tangent));
        return std::tuple{c, normal, cross(tangent, normal)};
    });
    o.scale(1.0 / o.radius());
    return o;
}

LwoObject superellipsoid(double exponent, int32_t grid)
{
    LwoObject o;
    const auto surfacePoint = [&](JVector d) {
        const double e = 2.0 / exponent;
        const double s = std::pow(std::fabs(d.x), e) + std::pow(std::fabs(d.y), e) + std::pow(std::fabs(d.z), e);
        return d * (1.0 / std::pow(s, exponent / 2.0));
    };
    for (int32_t axis = 0; axis < 3; ++axis) {
        for (double side : {-1.0, 1.0}) {
            const auto at = [&](int32_t i, int32_t j) {
                // Cells spaced evenly in angle rather than along the cube face.
                const auto spread = [grid](int32_t k) {
                    return k == 0 ? -1.0 : k == grid ? 1.0 : std::tan((-1.0 + 2.0 * k / grid) * kPi / 4.0);
                };
                const double u = spread(i);
                const double v = spread(j);
                const double c[3] = {axis == 0 ? side : u, axis == 1 ? side : (axis == 0 ? u : v),
                                     axis == 2 ? side : v};
                return o.addPoint(surfacePoint({c[0], c[1], c[2]}));
            };
            for (int32_t i = 0; i < grid; ++i) {
                for (int32_t j = 0; j < grid; ++j) {
                    o.addPolygon({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
                    o.addPolygon({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
                }
            }
        }
    }
    o.weld(1e-9);
    orientFromCentre(o);
    o.scale(1.0 / o.radius());
    return o;
}

LwoObject capsule(const JVector& a, const JVector& b, double r, int32_t sides, int32_t rings)
{
    const JVector axis = unit(b - a);
    const JVector u = perpendicular(axis);
    const JVector w = cross(axis, u);
    const int32_t half = rings / 2;
    LwoObject o;
    const uint16_t top = o.addPoint(b + axis * r);
    // Ring rows 1..half sit on the half sphere around b, rows half+1..rings on the one around a.
    for (int32_t row = 1; row <= rings; ++row) {
        const int32_t step = row <= half ? row : row - 1;
        const double polar = kPi * step / rings;
        const JVector& centre = row <= half ? b : a;
        for (int32_t j = 0; j < sides; ++j) {
            const double around = 2.0 * kPi * j / sides;
            o.addPoint(centre + axis * (r * std::cos(polar)) +
                       (u * std::cos(around) + w * std::sin(around)) * (r * std::sin(polar)));
        }
    }
    const uint16_t bottom = o.addPoint(a - axis * r);
    const auto ring = [&](int32_t row, int32_t j) { return static_cast<uint16_t>(1 + (row - 1) * sides + j % sides); };
    for (int32_t j = 0; j < sides; ++j) {
        o.addPolygon({top, ring(1, j), ring(1, j + 1)});
        for (int32_t row = 1; row < rings; ++row) {
            o.addPolygon({ring(row, j), ring(row + 1, j), ring(row + 1, j + 1)});
            o.addPolygon({ring(row, j), ring(row + 1, j + 1), ring(row, j + 1)});
        }
        o.addPolygon({ring(rings, j), bottom, ring(rings, j + 1)});
    }
    orientClosed(o);
    return o;
}

LwoObject latticeCube(double edge)
{
    const double h = edge / 2.0;
    // Outward normal and the face's up direction as seen from outside.
    const std::array<std::pair<JVector, JVector>, 6> faces = {{{{0, 0, -1}, {0, 1, 0}},
                                                               {{1, 0, 0}, {0, 1, 0}},
                                                               {{0, 0, 1}, {0, 1, 0}},
                                                               {{-1, 0, 0}, {0, 1, 0}},
                                                               {{0, 1, 0}, {0, 0, 1}},
                                                               {{0, -1, 0}, {0, 0, -1}}}};
    LwoObject o;
    for (const auto& [n, up] : faces) {
        // Seen from outside (looking along -n), "right" is up x forward.
        const JVector right = cross(up, n * -1.0);
        const JVector c = n * h;
        const JVector q[4] = {c - right * h - up * h, c + right * h - up * h, c + right * h + up * h,
                              c - right * h + up * h};
        for (int k : {0, 1, 2, 0, 2, 3}) {
            o.addPoint(q[k]);
        }
        const auto base = static_cast<uint16_t>(o.points.size() - 6);
        o.addPolygon({base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2)});
        o.addPolygon(
            {static_cast<uint16_t>(base + 3), static_cast<uint16_t>(base + 4), static_cast<uint16_t>(base + 5)});
    }
    return o;
}

} // namespace mesh
