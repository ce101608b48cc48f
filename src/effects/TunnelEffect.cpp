#include "effects/TunnelEffect.h"

#include "effects/ViewFade.h"
#include "engine3d/JMatrix.h"
#include "music/TriggerSource.h"
#include "render/Fixed.h"
#include "render/PixelOps.h"
#include "render/Random.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int32_t kGridWidth = 41;
constexpr int32_t kGridHeight = 21;
constexpr double kFocal = 480.0;
constexpr double kCentreX = 320.0;
constexpr double kCentreY = 160.0;
} // namespace

TunnelEffect::TunnelEffect(Console&)
    : m_texture("data\\tunnel_tmap.jpg"), m_flare1("data\\tunnel_flare1.tga"), m_flare2("data\\tunnel_flare2.tga"),
      m_bigFlare("data\\tunnel_bigflare.tga"), m_grid(kGridWidth, kGridHeight, 640, 320, &m_texture)
{
    m_texture.convert(Bitmap::FormatXrgb32);
    m_flare1.convert(Bitmap::FormatXrgb32);
    m_flare2.convert(Bitmap::FormatXrgb32);
}

int TunnelEffect::prepare()
{
    m_texture.touch();
    m_flare1.touch();
    m_flare2.touch();
    m_bigFlare.touch();
    return 1;
}

void TunnelEffect::computeGrid(const JVector& camera, const JVector& angles, double screenDistance, double depthOffset)
{
    JMatrix rotation;
    rotation.rotationFromDegrees(angles);
    const double radius = m_radius;
    const double wobble = m_gridWobble;
    const float tenth = 0.1f;
    for (int32_t gy = 0; gy < kGridHeight; ++gy) {
        for (int32_t gx = 0; gx < kGridWidth; ++gx) {
            GridNode& node = m_grid.node(gx, gy);
            JVector direction((gx - 20) * 10.0, (gy - 10) * 10.0, screenDistance);
            direction.normalize();
            const JVector r = rotation.transform(direction);
            // e.y and e.z are narrowed to float once and used as such.
            const JVector e(-r.x, double(float(-r.y)), double(float(-r.z)));
            const double a = float(e.x * e.x + e.y * e.y);
            const double b = float(2.0 * (e.x * camera.x + e.y * camera.y));
            const double c = camera.x * camera.x + camera.y * camera.y - radius * radius;
            const double disc = float(b * b - 4.0 * a * c);
            // A ray along the axis (a = 0, the centre node whenever there are no angles) never meets the
            // wall: it gets the no-hit values, like a ray that misses.
            if (disc < 0 || a == 0) {
                node = GridNode{128, 128, 0, 0};
                continue;
            }
            const double root = std::sqrt(disc);
            const double s1 = (root - b) / (2.0 * a);
            const double s2 = (-b - root) / (2.0 * a);
            double s = std::min(s1, s2);
            const double w =
                0.1 * std::sin(0.1 * gx + 0.001 * camera.z - 0.2 * gy) - 0.2 * std::cos(0.1 * (gy - gx + angles.x));
            s = s + s * w * wobble;
            const JVector hit = add(camera, scale(e, s));
            const double light = std::min(std::fabs(0.02 * s * e.z), 255.0);
            node.u = lowBits16(std::fabs(hit.z) * double(tenth));
            node.v = lowBits16(std::atan2(std::fabs(hit.y), std::fabs(hit.x)) * 163.05732484076432);
            node.light = lowBits16(4.0 * (255.0 - light));
            node.extra = lowBits16(std::clamp((std::fabs(hit.z) - depthOffset) * 0.1, 0.0, 1020.0));
        }
    }
}

void TunnelEffect::spawnParticle(const JVector& at)
{
    Particle* p = nullptr;
    for (Particle& candidate : m_particles) {
        if (!candidate.active) {
            p = &candidate;
            break;
        }
    }
    if (!p)
        return;
    Random& random = Random::shared();
    // Drawn in the order z, y, x.
    const int rz = random.next() % 200;
    const int ry = random.next() % 200;
    const int rx = random.next() % 200;
    p->position = JVector(at.x + rx - 100, at.y + ry - 100, at.z + rz - 100);
    p->active = 1;
    p->sprite = random.next() % 10 > 5 ? &m_flare1 : &m_flare2;
    const int vx = random.next() % 50 - 25;
    const int vy = random.next() % 50 - 25;
    p->velocity = JVector(vx, vy, 0);
}

int TunnelEffect::render(RenderContext&, Bitmap& view, TriggerSource& player, double elapsed)
{
    const double t = elapsed;
    const JVector camera(50.0 * std::sin(0.01 * t), 50.0 * std::cos(0.0125 * t), 50.0 * t);
    const double d = t - m_flashTime;
    const double sx = std::sin(0.04 * d), cy = std::cos(d / 28.0);
    const JVector bigFlare(500.0 * sx * sx, 500.0 * cy * cy,
                           m_baseZ + 1000.0 * std::sin(0.002 * d) + std::pow(50.0 * d, 1.02));

    if (player.trigger(128)) {
        m_baseZ = camera.z;
        m_flashTime = t;
        m_wobble = 3.0f;
        m_flash = 255;
        m_flaresOn = 1;
    }
    if (m_wobble > 0) {
        m_wobble = float(m_wobble * 0.9);
        if (m_wobble < 1.0f)
            m_wobble = 1.0f;
    }
    if (m_flash > 0) {
        m_flash = int32_t(m_flash * 0.8);
        if (m_flash < 5)
            m_flash = 0;
    }

    m_gridWobble = m_wobble;
    computeGrid(camera, JVector(0, 0, 0), 320.0, 50000.0);
    drawGrid(m_grid, view);

    if (m_flaresOn) {
        for (Particle& p : m_particles)
            if (p.active)
                p.position = add(p.position, p.velocity);
        const JVector q = subtract(bigFlare, camera);
        // The big flare (and the spawning around it) only while it is well ahead of the camera.
        if (q.z > 80) {
            for (int i = 0; i < 3; ++i)
                spawnParticle(bigFlare);
            const double size = 307200.0 / q.z;
            blitScaledAdd(m_bigFlare, view, float(kCentreX + kFocal * q.x / q.z - size / 2),
                          float(kCentreY + kFocal * q.y / q.z - size / 2), float(size), float(size), 255, 255, 255);
        }
        for (Particle& p : m_particles) {
            if (!p.active)
                continue;
            p.cameraPosition = subtract(p.position, camera);
            const JVector& c = p.cameraPosition;
            if (c.z <= 0) {
                p.active = 0;
                continue;
            }
            const double size = 61440.0 / c.z;
            p.screenX = float(kCentreX + kFocal * c.x / c.z - size / 2);
            p.screenY = float(kCentreY + kFocal * c.y / c.z - size / 2);
            blitScaledAdd(*p.sprite, view, p.screenX, p.screenY, float(size), float(size), 255, 255, 255);
        }
    }

    if (m_flash != 0)
        addColor(view, m_flash, m_flash, m_flash);
    applyFade(view, m_fade.levels(t, player));
    return 1;
}
