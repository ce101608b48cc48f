#include "effects/ShowObject.h"

#include "data/Bitmap.h"
#include "render/Fixed.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <algorithm>

namespace {
constexpr int32_t kSurfaces = 10;
constexpr double kCentreX = 320;
constexpr double kCentreY = 160;
constexpr double kNearest = 1; // polygons with a corner this close or behind are not drawn
constexpr int32_t kSortShifts[] = {0, 8, 16, 20, 24, 28};
} // namespace

ShowObject::ShowObject(RenderContext& context, const char* fileName, const Bitmap* texture,
                       const Bitmap& environmentMap)
    : m_surfaces(kSurfaces)
{
    NullConsole console; // only while loading
    m_mesh = std::make_unique<JMesh>(fileName, &m_surfaces, console);
    m_mesh->computeNormals();
    if (texture)
        m_texture = context.addTexture(*texture);
    m_environment = context.addTexture(environmentMap);
    const size_t polygons = size_t(std::max(m_mesh->polygonCount, 0));
    m_order.resize(polygons);
    m_sortBuffer.resize(polygons);
    m_triangle.textureDepth = 32;
    m_triangle.mode = TriangleParams::ModeTextured;
}

ShowObject::~ShowObject() = default;

int32_t ShowObject::sortPolygons()
{
    JMesh& mesh = *m_mesh;
    int32_t listed = 0;
    for (int32_t i = 0; i < mesh.polygonCount && listed < int32_t(m_order.size()); ++i) {
        const JPolygon& p = mesh.polygons[i];
        if (p.flags != 0 || p.count < 3)
            continue;
        double depth = 0;
        bool near = false;
        for (int32_t k = 0; k < p.count; ++k) {
            depth += p.vertices[k]->cameraPosition.z;
            near = near || !(p.vertices[k]->cameraPosition.z > kNearest);
        }
        if (near)
            continue;
        if (!(screenWinding(*p.vertices[0], *p.vertices[1], *p.vertices[2]) > 0))
            continue;
        m_order[size_t(listed++)] = RadixRecord{i, 0, std::max(0, truncToInt32(200000 - 100 * depth))};
    }
    RadixRecord* from = m_order.data();
    RadixRecord* to = m_sortBuffer.data();
    for (int32_t shift : kSortShifts) {
        radixPass(shift, listed, from, to);
        std::swap(from, to);
    }
    return listed;
}

void ShowObject::draw(Bitmap& view, double zoom, const JVector& position, const JVector& angles, double scale)
{
    setupRasterizer(640, 320, 32);
    JMesh& mesh = *m_mesh;
    mesh.translation.translation(position);
    mesh.rotationMatrix.rotationFromDegrees(angles);
    mesh.scaling.scaling(JVector(scale, scale, scale));
    mesh.pivotMatrix.identity();
    mesh.computeWorld();
    const JMatrix rotation = mesh.rotationMatrix;
    mesh.resetActiveLists();
    mesh.resetLighting(0);
    mesh.transformVertices();
    if (m_environment) {
        for (int32_t i = 0; i < mesh.vertexCount; ++i) {
            JVertex& v = mesh.vertices[i];
            const JVector n = rotation.transform(v.normal);
            v.u = float(128 + 127 * n.x);
            v.v = float(128 + 127 * n.y);
        }
    }
    mesh.project(float(zoom));
    const int32_t listed = sortPolygons();
    m_triangle.destination = reinterpret_cast<uint32_t*>(view.pixels());
    m_triangle.texture = m_environment ? reinterpret_cast<const uint32_t*>(m_environment->pixels()) : nullptr;
    m_trianglesDrawn = 0;
    for (int32_t i = 0; i < listed; ++i) {
        const JPolygon& p = mesh.polygons[m_order[size_t(i)].a];
        if (p.count != 3)
            continue;
        for (int32_t k = 0; k < 3; ++k) {
            const JVertex& v = *p.vertices[k];
            RasterVertex& r = m_triangle.vertices[k];
            r.y = float(v.screenY + kCentreY);
            r.x = float(v.screenX + kCentreX);
            r.attributes[0] = v.u;
            r.attributes[1] = v.v;
        }
        drawTriangle(m_triangle);
        ++m_trianglesDrawn;
    }
}
