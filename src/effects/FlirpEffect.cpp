#include "effects/FlirpEffect.h"

#include "effects/ViewFade.h"
#include "render/Fixed.h"
#include "render/PixelOps.h"
#include "render/Random.h"

#include <algorithm>
#include <cmath>

FlirpEffect::FlirpEffect(Console&)
    : m_texture("data\\flirp_tmap.jpg"), m_pictures{Bitmap("data\\flirp_fp1.jpg"), Bitmap("data\\flirp_fp2.jpg"),
                                                    Bitmap("data\\flirp_fp3.jpg")},
      m_grid(41, 21, 640, 320, &m_texture)
{}

int FlirpEffect::prepare()
{
    m_texture.touch();
    m_pictures[0].touch();
    m_pictures[1].touch();
    return 1;
}

void FlirpEffect::computeGrid(float time, double amplitude, double depth)
{
    const double t = time;
    // Two phases per frame, narrowed to float.
    const double pp = float(1.57075 + 3.27 * std::sin(1.0 + 0.01 * t - 2.28 * std::cos(0.0004 * t)));
    const double qp = float(4.25 * std::sin(0.012 * t - 2.28 * std::sin(0.0004 * t)));
    for (int32_t gy = 0; gy < m_grid.gridHeight(); ++gy) {
        for (int32_t gx = 0; gx < m_grid.gridWidth(); ++gx) {
            GridNode& node = m_grid.node(gx, gy);
            node.u = lowBits16(16.0 * (0.05 * t + 3.2 * gx + amplitude * std::sin(pp - 0.1 * gy + 0.12 * gx)));
            node.v = lowBits16(16.0 * (3.2 * gy - 0.06 * t + amplitude * std::sin(qp - 0.22 * gx - 0.1 * gy)));
            const double shade =
                255.0 -
                depth * std::sin(3.0 * std::sin(0.2 * gy + 0.008 * t) +
                                 0.1 * (0.05 * t + 1.6 * gx + amplitude * std::sin(pp - qp + 0.22 * gx + 0.15 * gy)));
            node.light = int16_t(4 * std::clamp(truncToInt32(shade), 0, 255));
            node.extra = 0;
        }
    }
}

int FlirpEffect::render(RenderContext&, Bitmap& view, TriggerSource& player, double elapsed)
{
    const double t = elapsed;
    computeGrid(float(t), 8.0, 250.0);
    drawGrid(m_grid, view);

    const float rise = float(m_pictureRise.value(t, 1));
    const double fall = m_pictureFall.value(t, rise == 255.0f ? 1 : 0);
    int32_t k;
    if (rise < 255.0f) {
        k = truncToInt32(rise);
    } else {
        k = truncToInt32(fall);
        if (k == 0) {
            // The next picture (or the pause after the third) begins; its rise starts on the next frame.
            ++m_pictureIndex;
            if (m_pictureIndex == 3)
                m_pictureIndex = -1;
            m_pictureRise.reset();
            m_pictureFall.reset();
        }
    }
    m_lastBrightness = k;
    if (m_pictureIndex != -1) {
        // The first value gives y; two separate statements fix the order of the calls.
        Random& random = Random::shared();
        const int r1 = random.next();
        const int r2 = random.next();
        blitAdd(m_pictures[m_pictureIndex], view, float(r2 % 20 - 10), float(r1 % 20 - 10), k, k, k);
    }

    applyFade(view, m_fade.levels(t, player));
    return 1;
}
