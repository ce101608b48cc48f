#include "effects/CubeEffect.h"

#include "effects/KlamEffect.h"
#include "engine3d/JSurfaceList.h"
#include "music/TriggerSource.h"
#include "render/Fixed.h"
#include "render/PixelOps.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kDegrees = JMatrix::kDegreesToRadians;
constexpr double kScreenDistance = 10;
constexpr double kPerspective = 51200;
constexpr double kDepthOffset = 2048;
constexpr int32_t kTextureSize = 256;
constexpr int32_t kSortShifts[] = {0, 8, 16, 20, 24, 28};
// Texture coordinates of the six vertices of each face, in texels of the 64 x 64 tile.
constexpr float kFaceUv[6][2] = {{63, 63}, {0, 63}, {0, 0}, {63, 63}, {0, 0}, {63, 0}};
constexpr int32_t kFaces = 6;

// Rotation about the three axes in the order and signs of JMatrix::rotation, from degrees.
JMatrix rotationDegrees(double x, double y, double z)
{
    JMatrix r;
    r.rotation(x * kDegrees, y * kDegrees, z * kDegrees);
    return r;
}

JMatrix uniformScaling(double s)
{
    JMatrix m;
    m.scaling(JVector(s, s, s));
    return m;
}
} // namespace

CubeEffect::CubeEffect(Console& console)
    : m_texture(kTextureSize, kTextureSize, Bitmap::FormatXrgb32), m_background("data\\cube_bkgr.jpg"),
      m_grid(41, 21, 640, 320, &m_background)
{
    {
        Bitmap tile("data\\cube_tmap.jpg");
        tile.convert(Bitmap::FormatXrgb32);
        blitAdd(tile, m_texture, 0, 0, 255, 255, 255);
    }
    m_background.convert(Bitmap::FormatXrgb32);
    JSurfaceList surfaces(10);
    m_mesh = std::make_unique<JMesh>("data\\cube_obj.lwo", &surfaces, console);
    JMesh& mesh = *m_mesh;
    // Only vertices that exist get the fixed coordinates.
    const int32_t n = std::min(mesh.vertexCount, kFaces * 6);
    for (int32_t i = 0; i < n; ++i) {
        mesh.vertices[i].u = kFaceUv[i % 6][0];
        mesh.vertices[i].v = kFaceUv[i % 6][1];
    }
    m_triangle.textureDepth = 32;
    m_triangle.mode = TriangleParams::ModeTexturedLit;
    m_triangle.texture = reinterpret_cast<const uint32_t*>(m_texture.pixels());
}

int CubeEffect::prepare()
{
    m_texture.touch();
    m_background.touch();
    return 1;
}

void CubeEffect::computeLattice(double time, const Phases& phases, std::array<Cell, kCellCount>& cells)
{
    const double e = 0.7 * time;
    for (int32_t i = 0; i < kSide; ++i) {
        const double g = phases.twist ? 100.0 * std::sin(i * (0.1 + 0.05 * std::sin(0.12 * e)) + 0.01 * e) : 0.0;
        const JMatrix layer = uniformScaling(3) * rotationDegrees(0.23 * e, 0.324 * e, g + 0.62 * e);
        for (int32_t j = 0; j < kSide; ++j) {
            for (int32_t k = 0; k < kSide; ++k) {
                const double x = k - 2, y = j - 2, z = i - 2;
                JMatrix translation;
                translation.translation(JVector(x, y, z));
                JMatrix spin;
                if (phases.spin)
                    spin =
                        rotationDegrees(370 * std::sin(0.01 * e) + 10 * x, 370 * std::cos(1.2 + 0.0012 * e) + 5 * y, e);
                double f;
                if (!phases.wave2) {
                    f = 0.1 * (std::sin(0.1 * e + 0.99 * x - 0.95 * y + 1.24 * z) + 1);
                } else {
                    const JVector p = layer.transform(JVector(x, y, z));
                    f = 0.2 * std::sin(0.44 * p.x - 0.22 * p.y + 0.33 * p.z + 0.1 * e);
                }
                Cell& cell = cells[size_t((i * kSide + j) * kSide + k)];
                cell.transform = layer * translation * spin * uniformScaling(f + 0.2);
                cell.centre = cell.transform.transform(JVector(0, 0, 0));
            }
        }
    }
}

void CubeEffect::drawCell(const Cell& cell, Bitmap& view)
{
    JMesh& mesh = *m_mesh;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        JVertex& v = mesh.vertices[i];
        v.cameraPosition = cell.transform.transform(v.position);
        const double s = kPerspective / (v.cameraPosition.z + kDepthOffset);
        v.screenX = s * v.cameraPosition.x;
        v.screenY = s * v.cameraPosition.y;
    }
    m_triangle.destination = reinterpret_cast<uint32_t*>(view.pixels());
    const int32_t triangles = std::min(mesh.polygonCount, kTriangles);
    for (int32_t i = 0; i < triangles; ++i) {
        const JPolygon& p = mesh.polygons[i];
        // The texture coordinates come from vertices 3i .. 3i + 2 of the list, which must exist.
        if (p.count != 3 || 3 * i + 2 >= mesh.vertexCount)
            continue;
        for (int32_t c = 0; c < 3; ++c) {
            RasterVertex& r = m_triangle.vertices[c];
            r.y = float(p.vertices[c]->screenY + 160);
            r.x = float(p.vertices[c]->screenX + 320);
            r.attributes[0] = mesh.vertices[3 * i + c].u;
            r.attributes[1] = mesh.vertices[3 * i + c].v;
        }
        const RasterVertex* r = m_triangle.vertices;
        const double a = (double(r[1].x) - r[0].x) * (double(r[2].y) - r[0].y) -
                         (double(r[2].x) - r[0].x) * (double(r[1].y) - r[0].y);
        if (!(-a > 0))
            continue;
        const int32_t light = std::clamp(truncToInt32(3 * (-0.01 * a - 5 * p.vertices[0]->cameraPosition.z)), 0, 255);
        const int32_t modulation = std::clamp(light, 128, 255);
        m_triangle.colour = packColor(modulation, modulation, modulation);
        m_triangle.ambient = packColor(light / 4, light / 4, light / 4);
        drawTriangle(m_triangle);
        ++m_trianglesDrawn;
    }
}

int CubeEffect::render(RenderContext&, Bitmap& view, TriggerSource& player, double elapsed)
{
    const double t = elapsed;
    if (player.trigger(128)) {
        if (!m_phases.twist)
            m_phases.twist = 1;
        else if (!m_phases.spin)
            m_phases.spin = 1;
        else
            m_phases.wave2 = 1;
    }
    setupRasterizer(view.width(), view.height(), 32);
    KlamEffect::computeGrid(m_grid, JVector(0.5 * t, t / 3, t), kScreenDistance);
    drawGrid(m_grid, view);

    computeLattice(t, m_phases, m_cells);
    for (int32_t c = 0; c < kCellCount; ++c)
        m_order[size_t(c)] = RadixRecord{c, 0, truncToInt32(1000000 - m_cells[size_t(c)].centre.z)};
    RadixRecord* from = m_order.data();
    RadixRecord* to = m_sortBuffer.data();
    for (int32_t shift : kSortShifts) {
        radixPass(shift, kCellCount, from, to);
        std::swap(from, to);
    }
    m_trianglesDrawn = 0;
    for (int32_t c = 0; c < kCellCount; ++c)
        drawCell(m_cells[size_t(from[c].a)], view);
    return 1;
}
