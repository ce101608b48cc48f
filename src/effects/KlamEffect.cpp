#include "effects/KlamEffect.h"

#include "engine3d/JMatrix.h"
#include "render/Fixed.h"
#include "render/PixelOps.h"

#include <algorithm>
#include <cmath>

KlamEffect::KlamEffect(Console&)
    : m_flare("data\\klam_flare.tga"), m_texture("data\\klam_tmap.jpg"), m_grid(41, 21, 640, 320, &m_texture)
{}

void KlamEffect::computeGrid(GridMap& grid, const JVector& position, double screenDistance)
{
    JMatrix rotation;
    rotation.rotationFromDegrees(JVector(position.x / 9.0, position.y / 8.0, position.z / 7.0));
    for (int32_t gy = 0; gy < grid.gridHeight(); ++gy) {
        for (int32_t gx = 0; gx < grid.gridWidth(); ++gx) {
            JVector direction(gx - 20.0, gy - 10.0, screenDistance);
            direction.normalize();
            const JVector d = rotation.transform(direction);
            GridNode& node = grid.node(gx, gy);
            node.u = lowBits16(4.0 * (position.x + 180.0 * d.x + 128.0));
            node.v = lowBits16(4.0 * (position.y + 180.0 * d.y + 128.0));
            node.light = 1020;
            node.extra = int16_t(16 * gy);
        }
    }
}

int KlamEffect::render(RenderContext&, Bitmap& view, TriggerSource&, double elapsed)
{
    const double t = elapsed;
    computeGrid(m_grid, JVector(0.5 * t, t / 3.0, t), 20.0);
    drawGrid(m_grid, view);

    const double a = 0.005 * t;
    const double s1 = 0.4 * std::sin(a);
    const double s2 = std::sin(0.25 * a) * std::sin(0.25 * a);
    const float half = float(m_flare.width()) / 2.0f;
    for (int32_t i = 0; i < 10; ++i) {
        for (int32_t j = 0; j <= 12; ++j) {
            const int32_t m = j + 2, n = 251 - 2 * j, k = 8 + 4 * j;
            const int32_t x = truncToInt32(20.0 * m * std::sin(a + m * s2 - s1 + 0.6283184 * i) - half);
            const int32_t y = truncToInt32(16.0 * m * std::cos(a + s1 + m * s2 - 0.6283184 * i) - half);
            const int32_t w = std::clamp(truncToInt32(n + 255.0 * std::sin(k + 10.0 * a + 0.4 * i)), 0, 200);
            blitAdd(m_flare, view, float(x + 320), float(y + 130), w, w, w);
        }
    }
    return 1;
}
