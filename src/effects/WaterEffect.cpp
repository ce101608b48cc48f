#include "effects/WaterEffect.h"

#include "effects/PictureCopy.h"
#include "effects/ViewFade.h"
#include "engine3d/JMatrix.h"
#include "engine3d/JSurfaceList.h"
#include "render/Fixed.h"
#include "render/Random.h"
#include "runner/Console.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int32_t kShift = 5;
constexpr int32_t kDropSize = 10;
constexpr int16_t kMarkCentre = 800;
constexpr int16_t kMarkSide = 400;
constexpr int kBehindGrey = 152;
constexpr int kInFrontGrey = 190;
constexpr double kCentreX = 320;
constexpr double kCentreY = 160;
constexpr double kObjectScale = 90;
constexpr int32_t kObjectSurfaces = 10;

// Screen offsets from the view centre at zoom 320; false when the point is too close to project.
bool project(const JVector& c, double& sx, double& sy)
{
    if (!(c.z > 1))
        return false;
    sx = WaterEffect::kSurfaceDepth * c.x / c.z;
    sy = WaterEffect::kSurfaceDepth * c.y / c.z;
    return true;
}
} // namespace

WaterEffect::WaterEffect(Console& console)
{
    console.write("Constructing watereffect\n");
    console.write("Loading data\\water_bkgr.jpg..");
    m_background.load("data\\water_bkgr.jpg");
    if (!m_background.pixels()) {
        console.write("Error!!!");
        console.fatalError();
        std::exit(1);
    }
    m_background.convert(Bitmap::FormatXrgb32);
    console.write("Ok!\n");
    console.write("New Water\n");
    m_heights[0].assign(size_t(kWidth) * kHeight, 0);
    m_heights[1].assign(size_t(kWidth) * kHeight, 0);
    console.write("new TempBuf\n");
    m_work.create(kWidth, kHeight, Bitmap::FormatXrgb32);
    JSurfaceList surfaces(kObjectSurfaces); // the effect never draws surfaces
    m_object = std::make_unique<JMesh>("data\\water_obj.lwo", &surfaces, console);
    m_tables = std::make_unique<WaterTables>();
}

int WaterEffect::prepare()
{
    m_background.touch();
    return 1;
}

void WaterEffect::markCrossing(int16_t* marks, double cx, double cy)
{
    const int64_t row = int64_t(truncToInt32(cy)) + 160;
    const int64_t col = truncToInt32(cx + kCentreX);
    if (row < 1 || row > kHeight - 2 || col < 1 || col > kWidth - 2)
        return;
    int16_t* cell = marks + row * kWidth + col;
    cell[0] = kMarkCentre;
    cell[-1] = cell[1] = kMarkSide;
    cell[-kWidth] = cell[kWidth] = kMarkSide;
}

void WaterEffect::drawSegment(const JVector& c0, const JVector& c1, Pass pass, Bitmap& target, int grey, int16_t* marks)
{
    const double z = kSurfaceDepth;
    int32_t flags = (c0.z > z ? 1 : 0) | (c1.z > z ? 2 : 0);
    if (pass == Pass::InFront)
        flags ^= 3;
    double x0, y0, x1, y1;
    if (flags == 0 || !project(c0, x0, y0) || !project(c1, x1, y1))
        return;
    if (flags == 3) {
        drawLine(target, float(x0 + kCentreX), float(y0 + kCentreY), float(x1 + kCentreX), float(y1 + kCentreY), grey,
                 grey, grey);
        return;
    }
    const double dz = c1.z - c0.z;
    const double r = std::fabs(dz) >= 0.1 ? (z - c0.z) / dz : 0.0;
    const JVector q = add(c0, scale(subtract(c1, c0), r));
    double cx, cy;
    if (!project(q, cx, cy))
        return;
    markCrossing(marks, cx, cy);
    const double fx = flags == 1 ? x0 : x1, fy = flags == 1 ? y0 : y1;
    drawLine(target, float(fx + kCentreX), float(fy + kCentreY), float(cx + kCentreX), float(cy + kCentreY), grey, grey,
             grey);
}

void WaterEffect::transformObject(double t)
{
    JMatrix scaling, rotation, translation;
    scaling.scaling(JVector(kObjectScale, kObjectScale, kObjectScale));
    rotation.rotationFromDegrees(JVector(t, t / 2, t / 3));
    translation.translation(JVector(std::sin(t * 0.00625) * 160, 0, kSurfaceDepth));
    const JMatrix m = translation * rotation * scaling;
    JMesh& mesh = *m_object;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        JVertex& v = mesh.vertices[i];
        v.cameraPosition = m.transform(v.position);
        v.clipFlags = 0; // the segments project their ends themselves, guarded against z <= 1
    }
}

void WaterEffect::drawObject(Pass pass, Bitmap& target, int grey, int16_t* marks) const
{
    const JMesh& mesh = *m_object;
    for (int32_t i = 0; i < mesh.polygonCount; ++i) {
        const JPolygon& p = mesh.polygons[i];
        if (p.count < 2)
            continue;
        drawSegment(p.vertices[0]->cameraPosition, p.vertices[1]->cameraPosition, pass, target, grey, marks);
    }
}

int WaterEffect::render(RenderContext&, Bitmap& view, TriggerSource& player, double elapsed)
{
    const double t = elapsed;
    // Every mark of this frame goes into the buffer that is first now, whatever its role after the swap.
    int16_t* marks = m_heights[m_first].data();
    Random& random = Random::shared();
    const int32_t x = random.next() % 600 + 20;
    const int32_t y = random.next() % 300 + 10;
    const int16_t h = int16_t(random.next() % 800 - 400);
    for (int32_t j = 0; j < kDropSize; ++j)
        std::fill_n(marks + (y + j) * kWidth + x, kDropSize, h);

    copyPicture(m_background, m_work);
    transformObject(t);
    drawObject(Pass::Behind, m_work, kBehindGrey, marks);

    m_first = 1 - m_first;
    stepWater(m_heights[m_first].data(), m_heights[1 - m_first].data(), kWidth, kHeight, kShift);
    buildWaterTables(*m_tables, kWidth, kHeight, m_work);
    renderWater(*m_tables, m_work, view, m_heights[m_first].data(), kWidth, kHeight);

    drawObject(Pass::InFront, view, kInFrontGrey, marks);

    applyFade(view, m_fade.levels(t, player));
    return 1;
}
