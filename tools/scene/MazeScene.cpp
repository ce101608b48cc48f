#include "MazeScene.h"

#include "LwoBuilder.h"
#include "data/FileBytes.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kCells = 8;         // cells a side
constexpr double kCellSize = 4.0; // object units
constexpr double kWallHeight = 3.0;
constexpr double kEyeHeight = 1.5;
constexpr int kFramesPerCell = 10;
constexpr int kTextureSize = 256;
constexpr uint32_t kMazeSeed = 20261208;

// Wall flags of one cell: the side toward +x and the side toward +z (the others belong to the neighbours
// or to the border).
struct Cell {
    bool wallPlusX = true;
    bool wallPlusZ = true;
};
using Grid = std::array<std::array<Cell, kCells>, kCells>;

// A perfect maze by a depth-first walk from cell (0, 0) with a fixed linear congruential sequence.
Grid carveMaze(std::vector<std::pair<int, int>>& way)
{
    Grid grid{};
    std::array<std::array<int, kCells>, kCells> from{};
    for (auto& row : from)
        row.fill(-1);
    uint32_t state = kMazeSeed;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7fff;
    };
    const int dx[4] = {1, -1, 0, 0}, dz[4] = {0, 0, 1, -1};
    std::vector<std::pair<int, int>> stack{{0, 0}};
    from[0][0] = 0;
    while (!stack.empty()) {
        auto [x, z] = stack.back();
        int options[4], n = 0;
        for (int d = 0; d < 4; ++d) {
            const int nx = x + dx[d], nz = z + dz[d];
            if (nx >= 0 && nx < kCells && nz >= 0 && nz < kCells && from[size_t(nx)][size_t(nz)] < 0)
                options[n++] = d;
        }
        if (n == 0) {
            stack.pop_back();
            continue;
        }
        const int d = options[next() % uint32_t(n)];
        const int nx = x + dx[d], nz = z + dz[d];
        if (dx[d])
            grid[size_t(std::min(x, nx))][size_t(z)].wallPlusX = false;
        else
            grid[size_t(x)][size_t(std::min(z, nz))].wallPlusZ = false;
        from[size_t(nx)][size_t(nz)] = x * kCells + z;
        stack.push_back({nx, nz});
    }
    // The way from the far corner back to the start, reversed.
    for (int c = (kCells - 1) * kCells + kCells - 1;; c = from[size_t(c / kCells)][size_t(c % kCells)]) {
        way.insert(way.begin(), {c / kCells, c % kCells});
        if (c == 0)
            break;
    }
    return grid;
}

// A wall from (x0, z0) to (x1, z1) seen from the side `facing` points to, and from the other side too.
void addWall(LwoBuilder& object, double x0, double z0, double x1, double z1, const JVector& facing, int16_t surface,
             bool twoSides)
{
    const JVector a{x0, 0, z0}, b{x1, 0, z1}, c{x1, kWallHeight, z1}, d{x0, kWallHeight, z0};
    object.addQuad(a, b, c, d, facing, surface);
    if (twoSides)
        object.addQuad(a, b, c, d, -facing, surface);
}

std::vector<uint8_t> mazeObject(const Grid& grid)
{
    LwoBuilder object;
    LwoBuilder::Surface floor;
    floor.name = "Floor";
    floor.image = MazeSceneFiles::kFloorTexture;
    floor.axisFlags = 2;
    floor.textureSize = {kCellSize, kCellSize, kCellSize};
    const int16_t floorSurface = object.addSurface(floor);
    LwoBuilder::Surface ceiling = floor;
    ceiling.name = "Ceiling";
    ceiling.red = ceiling.green = 160;
    const int16_t ceilingSurface = object.addSurface(ceiling);
    LwoBuilder::Surface wallX;
    wallX.name = "WallAcrossX";
    wallX.image = MazeSceneFiles::kWallTexture;
    wallX.axisFlags = 1;
    wallX.textureSize = {kCellSize, kWallHeight, kCellSize};
    const int16_t wallXSurface = object.addSurface(wallX);
    LwoBuilder::Surface wallZ = wallX;
    wallZ.name = "WallAcrossZ";
    wallZ.axisFlags = 4;
    wallZ.blue = 200;
    const int16_t wallZSurface = object.addSurface(wallZ);

    for (int x = 0; x < kCells; ++x) {
        for (int z = 0; z < kCells; ++z) {
            const double x0 = x * kCellSize, z0 = z * kCellSize, x1 = x0 + kCellSize, z1 = z0 + kCellSize;
            object.addQuad({x0, 0, z0}, {x0, 0, z1}, {x1, 0, z1}, {x1, 0, z0}, {0, 1, 0}, floorSurface);
            object.addQuad({x0, kWallHeight, z0}, {x0, kWallHeight, z1}, {x1, kWallHeight, z1}, {x1, kWallHeight, z0},
                           {0, -1, 0}, ceilingSurface);
            const Cell& cell = grid[size_t(x)][size_t(z)];
            // Border walls face into the maze only.
            if (cell.wallPlusX)
                addWall(object, x1, z0, x1, z1, {-1, 0, 0}, wallXSurface, x + 1 < kCells);
            if (cell.wallPlusZ)
                addWall(object, x0, z1, x1, z1, {0, 0, -1}, wallZSurface, z + 1 < kCells);
            if (x == 0)
                addWall(object, x0, z0, x0, z1, {1, 0, 0}, wallXSurface, false);
            if (z == 0)
                addWall(object, x0, z0, x1, z0, {0, 0, 1}, wallZSurface, false);
        }
    }
    return object.bytes();
}

// An uncompressed true-colour picture, bottom-up, from a colour function of (x, y) with y from the top.
std::vector<uint8_t> tgaPicture(const std::function<uint32_t(int, int)>& colour)
{
    std::vector<uint8_t> out(18, 0);
    out[2] = 2; // true colour
    out[12] = uint8_t(kTextureSize & 255);
    out[13] = uint8_t(kTextureSize >> 8);
    out[14] = out[12];
    out[15] = out[13];
    out[16] = 24;
    for (int y = kTextureSize - 1; y >= 0; --y) {
        for (int x = 0; x < kTextureSize; ++x) {
            const uint32_t c = colour(x, y);
            out.push_back(uint8_t(c));
            out.push_back(uint8_t(c >> 8));
            out.push_back(uint8_t(c >> 16));
        }
    }
    return out;
}

uint32_t brick(int x, int y)
{
    const int row = y / 32;
    const int shifted = (x + (row % 2) * 32) % 64;
    if (y % 32 < 3 || shifted < 3)
        return 0x8a8a80;
    const uint32_t shade = uint32_t((x * 7 + y * 13) % 23);
    return ((150 + shade) << 16) | ((70 + shade) << 8) | (50 + shade);
}

uint32_t tile(int x, int y)
{
    const bool dark = ((x / 64) + (y / 64)) % 2;
    const uint32_t v = dark ? 70u : 190u;
    return (v << 16) | (v << 8) | (v - 20);
}

std::string fixed(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

std::string motion(const std::string& keyword, const std::vector<std::array<double, 7>>& keys, int endBehavior)
{
    // Each key: frame, x, y, z, heading, pitch, bank (scale 1).
    std::string s = keyword + " (unnamed)\n9\n" + std::to_string(keys.size()) + "\n";
    for (const auto& k : keys) {
        for (int i = 1; i <= 6; ++i)
            s += fixed(k[size_t(i)]) + " ";
        s += "1.000000 1.000000 1.000000\n";
        s += std::to_string(int(k[0])) + " 0 0.000000 0.000000 0.000000\n";
    }
    return s + "EndBehavior " + std::to_string(endBehavior) + "\n";
}

std::string sceneText(const std::vector<std::pair<int, int>>& way)
{
    std::vector<std::array<double, 7>> walk;
    double heading = 0;
    for (size_t i = 0; i < way.size(); ++i) {
        const double x = (way[i].first + 0.5) * kCellSize, z = (way[i].second + 0.5) * kCellSize;
        if (i + 1 < way.size()) {
            const int dx = way[i + 1].first - way[i].first, dz = way[i + 1].second - way[i].second;
            double target = dx > 0 ? 90 : dx < 0 ? -90 : dz > 0 ? 0 : 180;
            while (target - heading > 180)
                target -= 360;
            while (target - heading < -180)
                target += 360;
            heading = target;
        }
        walk.push_back({double(i * kFramesPerCell), x, kEyeHeight, z, heading, 0, 0});
    }
    std::string s = "LWSC\n1\n\nFirstFrame 0\nLastFrame " + std::to_string(walk.size() * kFramesPerCell) +
                    "\nFrameStep 1\nFramesPerSecond 30\n\n";
    s += std::string("LoadObject ") + MazeSceneFiles::kObject + "\n";
    s += motion("ObjectMotion", {{0, 0, 0, 0, 0, 0, 0}}, 1);
    s += "\nAmbientColor 255 255 255\nAmbIntensity 0.200000\n\n";
    s += "AddLight\nLightName Sun\n";
    s += motion("LightMotion", {{0, 0, 10, 0, 30, 50, 0}, {300, 0, 10, 0, 390, 50, 0}}, 2);
    s += "LightColor 255 235 210\nLgtIntensity 0.700000\nLightType 0\n\n";
    s += "AddLight\nLightName Lamp\nParentObject 4\n";
    s += motion("LightMotion", {{0, 0, 0.5, 0.5, 0, 0, 0}}, 1);
    s += "LightColor 200 220 255\nLgtIntensity 0.500000\nLightType 1\n\n";
    s += "ShowCamera 1 7\n" + motion("CameraMotion", walk, 2);
    return s;
}

} // namespace

int writeMazeScene(const std::string& folder, std::string& reason)
{
    std::vector<std::pair<int, int>> way;
    const Grid grid = carveMaze(way);
    const std::vector<uint8_t> object = mazeObject(grid);
    const std::string text = sceneText(way);
    const std::vector<uint8_t> wall = tgaPicture(brick), floor = tgaPicture(tile);
    const std::pair<const char*, const std::vector<uint8_t>*> files[] = {{MazeSceneFiles::kObject, &object},
                                                                         {MazeSceneFiles::kWallTexture, &wall},
                                                                         {MazeSceneFiles::kFloorTexture, &floor}};
    for (const auto& [name, bytes] : files) {
        if (!writeWholeFile((folder + "/" + name).c_str(), bytes->data(), bytes->size())) {
            reason = std::string("cannot write ") + name;
            return 0;
        }
    }
    if (!writeWholeFile((folder + "/" + MazeSceneFiles::kScene).c_str(), reinterpret_cast<const uint8_t*>(text.data()),
                        text.size())) {
        reason = std::string("cannot write ") + MazeSceneFiles::kScene;
        return 0;
    }
    return 1;
}
