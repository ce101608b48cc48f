#pragma once
// Builds small object files of the LWOB kind (points, polygons, surfaces with planar image maps) for test
// scenes and the scene benchmark. Coordinates as the file holds them: y up.

#include "engine3d/JVector.h"

#include <cstdint>
#include <string>
#include <vector>

class LwoBuilder {
public:
    struct Surface {
        std::string name;
        uint8_t red = 255, green = 255, blue = 255;
        uint16_t flags = 0;     // 0x4 smooth, 0x100 double-sided
        std::string image;      // a planar image map when not empty
        uint16_t axisFlags = 1; // 1 = X, 2 = Y, 4 = Z
        JVector textureSize{1, 1, 1};
    };

    // The index of a new point.
    uint16_t addPoint(const JVector& p);
    // A polygon on surface `surface` (1-based).
    void addPolygon(const std::vector<uint16_t>& corners, int16_t surface);
    // A quadrilateral a, b, c, d in that order or reversed, whichever faces along `facing`.
    void addQuad(const JVector& a, const JVector& b, const JVector& c, const JVector& d, const JVector& facing,
                 int16_t surface);
    // Its 1-based number.
    int16_t addSurface(const Surface& surface);

    std::vector<uint8_t> bytes() const;

    size_t polygonCount() const { return m_polygons.size(); }

private:
    struct Polygon {
        std::vector<uint16_t> corners;
        int16_t surface;
    };
    std::vector<JVector> m_points;
    std::vector<Polygon> m_polygons;
    std::vector<Surface> m_surfaces;
};
