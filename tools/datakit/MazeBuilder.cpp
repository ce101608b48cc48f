#include "MazeBuilder.h"

#include <algorithm>

bool MazeBuilder::open(int32_t column, int32_t row) const
{
    // Row 0 is the near end, the plan's last line.
    if (row < 0 || row >= rows() || column < 0) {
        return false;
    }
    const std::string& line = m_plan[static_cast<size_t>(rows() - 1 - row)];
    return column < static_cast<int32_t>(line.size()) && line[static_cast<size_t>(column)] != '#';
}

int32_t MazeBuilder::columns() const
{
    size_t widest = 0;
    for (const std::string& l : m_plan) {
        widest = std::max(widest, l.size());
    }
    return static_cast<int32_t>(widest);
}

LwoObject MazeBuilder::walls() const
{
    LwoObject o;
    struct Side {
        int32_t dx, dz;   // toward the neighbouring block
        uint16_t surface; // named by the direction the wall faces (back toward this cell)
    };
    const Side sides[] = {{-1, 0, kFacingEast}, {1, 0, kFacingWest}, {0, -1, kFacingNorth}, {0, 1, kFacingSouth}};
    const double c = m_cell;
    for (int32_t row = 0; row < rows(); ++row) {
        for (int32_t col = 0; col < columns(); ++col) {
            if (!open(col, row)) {
                continue;
            }
            for (const Side& s : sides) {
                if (open(col + s.dx, row + s.dz)) {
                    continue;
                }
                // The wall's bottom edge, left to right as seen from inside the cell.
                const double cx = (col + 0.5) * c;
                const double cz = (row + 0.5) * c;
                const JVector toWall{s.dx * c / 2, 0.0, s.dz * c / 2};
                const JVector right{s.dz * c / 2, 0.0, -s.dx * c / 2};
                const JVector mid{cx + toWall.x, 0.0, cz + toWall.z};
                const JVector up{0.0, m_height, 0.0};
                const uint16_t a = o.addPoint(mid - right);
                const uint16_t b = o.addPoint(mid - right + up);
                const uint16_t d = o.addPoint(mid + right + up);
                const uint16_t e = o.addPoint(mid + right);
                // Bottom-left, top-left, top-right, bottom-right: clockwise from the cell.
                o.addPolygon({a, b, d, e}, s.surface);
            }
        }
    }
    o.weld(1e-6);
    return o;
}

LwoObject MazeBuilder::floorAndCeiling() const
{
    LwoObject o;
    const double c = m_cell;
    for (int32_t row = 0; row < rows(); ++row) {
        for (int32_t col = 0; col < columns(); ++col) {
            if (!open(col, row)) {
                continue;
            }
            const double x0 = col * c;
            const double x1 = x0 + c;
            const double z0 = row * c;
            const double z1 = z0 + c;
            // Seen from above, x right and z up the page, clockwise is (x0 z0) (x0 z1) (x1 z1) (x1 z0).
            const uint16_t a = o.addPoint({x0, 0.0, z0});
            const uint16_t b = o.addPoint({x0, 0.0, z1});
            const uint16_t d = o.addPoint({x1, 0.0, z1});
            const uint16_t e = o.addPoint({x1, 0.0, z0});
            o.addPolygon({a, b, d, e}, kFloor);
            const uint16_t f = o.addPoint({x0, m_height, z0});
            const uint16_t g = o.addPoint({x0, m_height, z1});
            const uint16_t h = o.addPoint({x1, m_height, z1});
            const uint16_t i = o.addPoint({x1, m_height, z0});
            o.addPolygon({f, i, h, g}, kCeiling);
        }
    }
    o.weld(1e-6);
    return o;
}

void MazeBuilder::mapWallSurface(LwoSurface& s, uint16_t number) const
{
    const bool facingX = number == kFacingEast || number == kFacingWest;
    s.axis = facingX ? LwoSurface::Axis::X : LwoSurface::Axis::Z;
    s.textureSize = {m_cell, m_height, m_cell};
    // The loader turns points over (y down) but not the centre: its y is written negated.
    s.textureCentre = {m_cell / 2, -m_height / 2, m_cell / 2};
}

void MazeBuilder::mapFloorSurface(LwoSurface& s) const
{
    s.axis = LwoSurface::Axis::Y;
    s.textureSize = {m_cell, 1.0, m_cell};
    s.textureCentre = {m_cell / 2, 0.0, m_cell / 2};
}
