#include "effects/MetaballsEffect.h"

#include "effects/MarchingCubes.h"
#include "effects/PictureCopy.h"
#include "engine3d/JMatrix.h"
#include "engine3d/JSurfaceList.h"
#include "music/TriggerSource.h"
#include "render/Fixed.h"
#include "render/PixelOps.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr int32_t kEdgeLast = MetaballsEffect::kGrid - 1; // corners 0..18 start edges
constexpr int32_t kCubeLast = MetaballsEffect::kGrid - 2; // cubes start at corners 0..17
constexpr double kCageScale = 25;
constexpr double kCageFocal = 80;
constexpr double kBlobZoom = 320;
constexpr double kBlobScale = 2.5;
constexpr double kBlobDepth = 400;
constexpr double kCentreX = 320;
constexpr double kCentreY = 160;
constexpr double kFlareLimit = 4096; // flares projected further out than this are not drawn
constexpr int32_t kSortShifts[] = {0, 8, 16, 20, 24, 28};
constexpr float kNormalWeight = 320.0f;
constexpr float kCloseToBall = 1e-6f; // squared distance below which a ball adds no normal term

// Which cell and axis hold each cube edge: offset of its start corner from the cube's lowest corner.
struct EdgeSlot {
    int8_t dx, dy, dz, axis;
};
constexpr EdgeSlot kEdgeSlots[12] = {{0, 0, 0, 0}, {1, 0, 0, 2}, {0, 0, 1, 0}, {0, 0, 0, 2},
                                     {0, 1, 0, 0}, {1, 1, 0, 2}, {0, 1, 1, 0}, {0, 1, 0, 2},
                                     {0, 0, 0, 1}, {1, 0, 0, 1}, {1, 0, 1, 1}, {0, 0, 1, 1}};
// Corner offsets of the cube in index-bit order.
constexpr int8_t kCorners[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1},
                                   {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}};
constexpr int32_t kAxis[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
// The same steps as distances in the field arrays.
constexpr size_t kAxisStride[3] = {1, MetaballsEffect::kGrid, MetaballsEffect::kGrid* MetaballsEffect::kGrid};

} // namespace

MetaballsEffect::MetaballsEffect(Console& console)
    : m_environment("data\\meta_emap.jpg"), m_background("data\\meta_bkgr.jpg"), m_flare("data\\meta_flare.tga"),
      m_blob(std::make_unique<JMesh>(kCapacity, kCapacity, 3)), m_frustum(std::make_unique<JFrustum>(false)),
      m_field(size_t(kGrid) * kGrid * kGrid), m_inside(size_t(kGrid) * kGrid * kGrid),
      m_cells(size_t(kGrid) * kGrid * kGrid), m_drawList(kCapacity), m_sortBuffer(kCapacity)
{
    m_environment.convert(Bitmap::FormatXrgb32);
    m_background.convert(Bitmap::FormatXrgb32);
    m_flare.convert(Bitmap::FormatXrgb32);
    m_blob->listMode = 1;
    {
        JSurfaceList surfaces(10);
        m_cage = std::make_unique<JMesh>("data\\meta_surrobj.lwo", &surfaces, console);
    }
    m_cage->convertToEdges();
    m_cage->finishLoad();
    m_triangle.textureDepth = 32;
    m_triangle.mode = TriangleParams::ModeTextured;
    m_triangle.texture = reinterpret_cast<const uint32_t*>(m_environment.pixels());
}

MetaballsEffect::~MetaballsEffect() = default;

int MetaballsEffect::prepare()
{
    m_environment.touch();
    m_background.touch();
    m_flare.touch();
    return 1;
}

MetaballsEffect::Balls MetaballsEffect::computeBalls(double s)
{
    // The constants written with an f are single-precision in the motion; the others are double.
    const float c = float(std::cos(2.5 * s));
    const float d = float(std::sin(1.25 * s));
    const float e = float(std::sin(s / 0.7));
    const float f = float(0.9f * c * std::cos(2.2 * s));
    const float d2 = float(0.9f * d * std::cos(-1.2 * s));
    const float e2 = float(0.9f * e * std::cos(-4.0 * s));
    Balls b;
    b[0] = {float(10.0 - 3.6f * c), float(10.0 - 3.6f * d), float(10.0 - 3.6f * e), 0.17f, 1.0f};
    b[1] = {float(10.0 + 4.95f * std::sin(s / 1.4) * std::sin(s + 0.4)),
            float(10.0 + 4.05f * std::sin(0.2 + 1.2 * s) * std::cos(s / 1.1)),
            float(10.0 + 5.85f * std::sin(s / 3.0) * std::sin(s + 0.3)), 0.13f, 1.0f};
    b[2] = {float(10.0 - 3.5 * f), float(10.0 - 4.5 * d2), float(10.0 - 6.5 * e2), 0.21f, 1.0f};
    b[3] = {float(10.0 + 3.5 * f), float(10.0 + 4.5 * d2), float(10.0 + 6.5 * e2), 0.21f, 1.5f};
    b[4] = {float(10.0 + 3.15f * c * std::cos(0.2 * s)), float(10.0 - 4.05f * std::cos(-3.2 * s) * std::sin(s / 0.3)),
            float(10.0 - 5.85f * std::sin(5.0 * s) * std::cos(-5.0 * s)), 0.21f, 1.5f};
    return b;
}

void MetaballsEffect::fieldRow(const Balls& balls, int32_t y, int32_t z, float* row)
{
    // Balls outer and corners inner, so that several corners are computed at once; each corner still adds
    // the balls in order. Adding 0 for a left-out ball changes nothing: a sum of positive terms is never -0.
    for (int32_t x = 0; x < kGrid; ++x)
        row[x] = 0;
    for (const Ball& b : balls) {
        const float dy = float(y) - b.y, dz = float(z) - b.z;
        const float dyy = dy * dy, dzz = dz * dz;
        for (int32_t x = 0; x < kGrid; ++x) {
            const float dx = float(x) - b.x;
            const float q = b.scale * (dx * dx + dyy + dzz);
            const float term = b.strength / q; // for every corner, so the loop needs no branch
            row[x] += q > 0.001f ? term : 0.0f;
        }
    }
}

float MetaballsEffect::fieldValue(const Balls& balls, int32_t x, int32_t y, int32_t z)
{
    float row[kGrid];
    fieldRow(balls, y, z, row);
    return row[std::clamp(x, 0, kGrid - 1)];
}

int32_t MetaballsEffect::edgeVertex(const Balls& balls, int32_t x, int32_t y, int32_t z, int32_t axis)
{
    const int32_t* step = kAxis[axis];
    const float a = m_field[index(x, y, z)];
    const float b = m_field[index(x + step[0], y + step[1], z + step[2])];
    if ((a < kThreshold) == (b < kThreshold))
        return -1;
    const int32_t created = m_blob->vertexCount;
    JVertex* v = nullptr;
    if (!m_blob->addVertex(v))
        return -1;
    const float h = (kThreshold - a) / (b - a);
    const float g[3] = {float(x) + float(step[0]) * h, float(y) + float(step[1]) * h, float(z) + float(step[2]) * h};
    v->position = JVector((g[0] - 10.0f) * 10.0f, (g[1] - 10.0f) * 10.0f, (g[2] - 10.0f) * 10.0f);
    float n[3] = {0, 0, 0}, weight = 0;
    for (const Ball& ball : balls) {
        const float d[3] = {ball.x - g[0], ball.y - g[1], ball.z - g[2]};
        const float d2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        if (d2 < kCloseToBall)
            continue;
        const float w = kNormalWeight / (d2 * d2);
        for (int32_t i = 0; i < 3; ++i)
            n[i] += w * d[i];
        weight += kNormalWeight / d2;
    }
    v->normal = weight != 0 ? JVector(n[0] / weight, n[1] / weight, n[2] / weight) : JVector(0, 0, 0);
    v->clipFlags = 0;
    return created;
}

// Bit c set when corner c of the cube at (x, y, z) lies below the threshold.
int32_t MetaballsEffect::cubeIndex(int32_t x, int32_t y, int32_t z) const
{
    static constexpr auto kOffsets = [] {
        std::array<size_t, 8> offsets{};
        for (size_t c = 0; c < 8; ++c)
            offsets[c] = index(kCorners[c][0], kCorners[c][1], kCorners[c][2]);
        return offsets;
    }();
    const uint8_t* inside = &m_inside[index(x, y, z)];
    int32_t cube = 0;
    for (size_t c = 0; c < 8; ++c)
        cube |= inside[kOffsets[c]] << c;
    return cube;
}

void MetaballsEffect::addTriangles(int32_t x, int32_t y, int32_t z, int32_t cube)
{
    // A mask of 255 is taken for "every edge": the cubes 85 and 170 make no triangles.
    const int32_t mask = marching::kEdgeMasks[size_t(cube)];
    if (mask == 0 || mask == 255)
        return;
    const marching::TriangleRow& row = marching::kTriangles[size_t(cube)];
    for (int32_t i = 0; row[size_t(i)] >= 0; i += 3) {
        int32_t corners[3];
        for (int32_t k = 0; k < 3; ++k) {
            const EdgeSlot& s = kEdgeSlots[row[size_t(i + 2 - k)]];
            corners[k] = m_cells[index(x + s.dx, y + s.dy, z + s.dz)].vertex[s.axis];
        }
        if (corners[0] < 0 || corners[1] < 0 || corners[2] < 0)
            continue;
        JPolygon* p = nullptr;
        if (!m_blob->addPolygon(3, p))
            return;
        for (int32_t k = 0; k < 3; ++k)
            p->vertices[k] = &m_blob->vertices[corners[k]];
        p->flags = 0;
    }
}

void MetaballsEffect::buildSurface(const Balls& balls)
{
    for (int32_t z = 0; z < kGrid; ++z)
        for (int32_t y = 0; y < kGrid; ++y)
            fieldRow(balls, y, z, &m_field[index(0, y, z)]);
    for (size_t i = 0; i < m_field.size(); ++i)
        m_inside[i] = m_field[i] < kThreshold;
    // Every count starts from zero each frame, the references included.
    JMesh& blob = *m_blob;
    blob.vertexCount = 0;
    blob.polygonCount = 0;
    blob.referenceCount = 0;
    blob.resetActiveLists();
    for (int32_t z = 0; z < kEdgeLast; ++z)
        for (int32_t y = 0; y < kEdgeLast; ++y)
            for (int32_t x = 0; x < kEdgeLast; ++x)
                for (int32_t axis = 0; axis < 3; ++axis) {
                    const size_t i = index(x, y, z);
                    const bool crosses = m_inside[i] != m_inside[i + kAxisStride[axis]];
                    m_cells[i].vertex[axis] = crosses ? edgeVertex(balls, x, y, z, axis) : -1;
                }
    for (int32_t z = 0; z < kCubeLast; ++z)
        for (int32_t y = 0; y < kCubeLast; ++y)
            for (int32_t x = 0; x < kCubeLast; ++x) {
                const int32_t cube = cubeIndex(x, y, z);
                if (cube != 0 && cube != 255) // all outside or all inside: no surface here
                    addTriangles(x, y, z, cube);
            }
    blob.resetActiveLists();
}

void MetaballsEffect::drawCage(Bitmap& view, double t)
{
    JMesh& cage = *m_cage;
    JMatrix rotation;
    rotation.rotationFromDegrees(JVector(t * 0.1, t * 0.05, t / 30));
    cage.translation.translation(JVector(0, 0, 0));
    cage.scaling.scaling(JVector(kCageScale, kCageScale, kCageScale));
    cage.rotationMatrix = rotation;
    cage.pivotMatrix.identity();
    cage.computeWorld();
    cage.resetActiveLists();
    cage.resetLighting(0);
    cage.transformVertices();
    m_frustum->setUp(640, 320, kCageFocal);
    cage.updateBounds(*m_frustum);
    m_frustum->clipMesh(cage);
    cage.project(kCageFocal);

    for (int32_t i = 0; i < cage.activePolygonCount; ++i) {
        const JPolygon& p = cage.polygons[i];
        if (p.flags != 0 || p.count != 2)
            continue;
        const JVertex& a = *p.vertices[0];
        const JVertex& b = *p.vertices[1];
        drawLine(view, float(a.screenX + kCentreX), float(a.screenY + kCentreY), float(b.screenX + kCentreX),
                 float(b.screenY + kCentreY), 255, 255, 255);
    }
    const double halfW = m_flare.width() / 2, halfH = m_flare.height() / 2;
    for (int32_t i = 0; i < cage.polygonCount; ++i) {
        const JPolygon& p = cage.polygons[i];
        if (p.count < 2)
            continue;
        const JVector& p0 = p.vertices[0]->cameraPosition;
        const JVector& p1 = p.vertices[1]->cameraPosition;
        const int32_t k = truncToInt32(t + i) % 100;
        const JVector q = add(p0, scale(subtract(p1, p0), k * 0.01));
        if (!(q.z > 0))
            continue;
        const double sx = kCageFocal * q.x / q.z, sy = kCageFocal * q.y / q.z;
        if (std::fabs(sx) > kFlareLimit || std::fabs(sy) > kFlareLimit)
            continue;
        blitAdd(m_flare, view, float(kCentreX - halfW + sx), float(kCentreY - halfH + sy), 255, 255, 255);
    }
}

void MetaballsEffect::drawBlob(Bitmap& view, double t)
{
    JMatrix scaling, rotation, translation;
    scaling.scaling(JVector(kBlobScale, kBlobScale, kBlobScale));
    rotation.rotationFromDegrees(JVector(t * 0.1, t * 0.05, t / 30));
    translation.translation(JVector(0, 0, kBlobDepth));
    const JMatrix m = translation * rotation * scaling;
    JMesh& blob = *m_blob;
    for (int32_t i = 0; i < blob.vertexCount; ++i) {
        JVertex& v = blob.vertices[i];
        v.cameraPosition = m.transform(v.position);
        v.normal = m.transform(v.normal); // the whole transform, translation included
        v.project(kBlobZoom);
    }
    // Nearest first, and only the faces turned away on screen: the two together draw the blob mirrored.
    int32_t listed = 0;
    for (int32_t i = 0; i < blob.polygonCount && listed < kCapacity; ++i) {
        const JPolygon& p = blob.polygons[i];
        if (p.count < 3)
            continue;
        if (!(screenWinding(*p.vertices[0], *p.vertices[1], *p.vertices[2]) > 0))
            continue;
        double depth = 0;
        for (int32_t k = 0; k < p.count; ++k)
            depth += p.vertices[k]->cameraPosition.z;
        m_drawList[size_t(listed++)] = RadixRecord{i, 0, truncToInt32(100 * depth + 200000)};
    }
    RadixRecord* from = m_drawList.data();
    RadixRecord* to = m_sortBuffer.data();
    for (int32_t shift : kSortShifts) {
        radixPass(shift, listed, from, to);
        std::swap(from, to);
    }
    m_triangle.destination = reinterpret_cast<uint32_t*>(view.pixels());
    m_trianglesDrawn = 0;
    for (int32_t i = 0; i < listed; ++i) {
        const JPolygon& p = blob.polygons[from[i].a];
        if (p.count != 3)
            continue;
        for (int32_t k = 0; k < 3; ++k) {
            const JVertex& v = *p.vertices[k];
            RasterVertex& r = m_triangle.vertices[k];
            r.y = float(v.screenY + kCentreY);
            r.x = float(v.screenX + kCentreX);
            r.attributes[0] = float(128 + 100 * v.normal.x);
            r.attributes[1] = float(128 + 100 * v.normal.y);
        }
        drawTriangle(m_triangle);
        ++m_trianglesDrawn;
    }
}

int MetaballsEffect::render(RenderContext&, Bitmap& view, TriggerSource& player, double elapsed)
{
    const double t = elapsed;
    copyPicture(m_background, view);
    drawCage(view, t);
    setupRasterizer(640, 320, 32);
    buildSurface(computeBalls(t * 0.01));
    drawBlob(view, t);
    const int32_t b = truncToInt32(m_fadeOut.value(t, player.trigger(255)));
    if (b != 0)
        subtractColor(view, b, b, b);
    return 1;
}
