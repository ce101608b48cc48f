#pragma once
// A LightWave object as the kit builds it (points, polygons, surfaces) and its LWOB file form.
//
// Coordinates are LightWave's: x right, y up, z forward. A polygon is seen from the side where its
// corners run clockwise; with the plain cross product (p1 - p0) x (p2 - p0) that side is where the
// normal points.

#include "engine3d/JVector.h"

#include <cstdint>
#include <string>
#include <vector>

struct LwoSurface {
    static constexpr uint16_t kSmooth = 0x4;
    static constexpr uint16_t kDoubleSided = 0x100;
    enum class Axis : uint16_t { X = 1, Y = 2, Z = 4 };

    std::string name;
    uint8_t red = 255;
    uint8_t green = 255;
    uint8_t blue = 255;
    uint16_t flags = 0;
    uint16_t diffuse = 256;  // 256 = 1.0
    uint16_t specular = 0;   // 256 = 1.0
    uint16_t glossiness = 0; // specular exponent
    // A planar image map when `image` names an archive entry.
    std::string image;
    Axis axis = Axis::X;
    JVector textureSize{1.0, 1.0, 1.0};
    JVector textureCentre{0.0, 0.0, 0.0}; // as written: y already negated
};

struct LwoPolygon {
    std::vector<uint16_t> corners;
    uint16_t surface = 1; // 1-based into the surface table
};

class LwoObject {
public:
    std::vector<JVector> points;
    std::vector<LwoPolygon> polygons;
    std::vector<LwoSurface> surfaces;

    // Index of a new point; the file holds at most 65536.
    uint16_t addPoint(const JVector& p);
    void addPolygon(std::vector<uint16_t> corners, uint16_t surface = 1);
    // Adds `other`'s points and polygons, its surface numbers shifted by `surfaceOffset`.
    void append(const LwoObject& other, uint16_t surfaceOffset = 0);
    // Merges points at the same position (within `tolerance`) into the first of them.
    void weld(double tolerance = 1e-9);
    // Reverses the corner order of every polygon.
    void flip();
    // Six times the enclosed volume by the clockwise rule; positive for a closed mesh wound clockwise
    // as seen from outside.
    double signedVolume6() const;
    // Largest distance of a point from the origin.
    double radius() const;
    // Scales every point about the origin.
    void scale(double factor);

    // The LWOB file: FORM/LWOB with PNTS, SRFS, POLS and one SURF per surface, big-endian, every
    // chunk and sub-chunk of even size. Empty when the object does not fit the format.
    std::vector<uint8_t> bytes() const;
};
