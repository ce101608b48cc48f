#pragma once
// A maze of square cells from an ASCII plan: '#' a solid block, any other character a corridor cell.
// The plan's first line is the far end (largest z), x grows to the right; cell (0, 0) of the last
// line spans x and z from 0 to `cell`. Walls are the faces of blocks seen from corridor cells, one
// quad per cell side, wound clockwise as seen from the corridor; floor and ceiling get one quad per
// corridor cell, facing into the corridor.

#include "LwoObject.h"

#include <string>
#include <vector>

class MazeBuilder {
public:
    // Surface numbers of the wall object, by the direction a wall faces, then of the floor object.
    enum WallSurface : uint16_t { kFacingEast = 1, kFacingWest, kFacingNorth, kFacingSouth };
    enum FloorSurface : uint16_t { kFloor = 1, kCeiling };

    MazeBuilder(std::vector<std::string> plan, double cell, double height)
        : m_plan(std::move(plan)), m_cell(cell), m_height(height)
    {}

    bool open(int32_t column, int32_t row) const;
    int32_t columns() const;
    int32_t rows() const { return static_cast<int32_t>(m_plan.size()); }

    // Geometry only; the caller fills in the surfaces (`wallSurfaces` names them in order).
    LwoObject walls() const;
    LwoObject floorAndCeiling() const;
    // Planar image map settings for each surface: one texture per cell side and wall height, seams on
    // the cell borders, the texture's top row at the top of the wall.
    void mapWallSurface(LwoSurface& s, uint16_t number) const;
    void mapFloorSurface(LwoSurface& s) const;

private:
    std::vector<std::string> m_plan;
    double m_cell;
    double m_height;
};
