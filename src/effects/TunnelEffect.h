#pragma once
// A camera flying down an endless textured cylinder, ray-cast per grid node, with flashes, wall ripples
// and a stream of flare sprites around a big flare on sync 128.

#include "data/Bitmap.h"
#include "engine3d/JVector.h"
#include "render/GridMap.h"
#include "runner/Effect.h"
#include "runner/Ramp.h"

#include <array>

class Console;

class TunnelEffect final : public Effect {
public:
    static constexpr int32_t kParticleCount = 400;

    struct Particle {
        JVector position{0, 0, 0};
        JVector cameraPosition{0, 0, 0}; // relative to the camera, as last drawn
        JVector velocity{0, 0, 0};       // added to position once per frame
        float screenX = 0;               // top-left corner as last drawn
        float screenY = 0;
        int32_t active = 0;
        const Bitmap* sprite = nullptr;
    };

    explicit TunnelEffect(Console& console);
    TunnelEffect(const TunnelEffect&) = delete; // the grid and the particles point at the pictures
    TunnelEffect& operator=(const TunnelEffect&) = delete;
    int render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed) override;
    int prepare() override;

    // Fills the grid for camera `camera`, view angles `angles` (degrees), screen distance `screenDistance`
    // and depth offset `depthOffset`, using the current ripple strength.
    void computeGrid(const JVector& camera, const JVector& angles, double screenDistance, double depthOffset);

    const GridMap& grid() const { return m_grid; }
    const std::array<Particle, kParticleCount>& particles() const { return m_particles; }
    int32_t flash() const { return m_flash; }
    float wobble() const { return m_wobble; }
    bool flaresOn() const { return m_flaresOn != 0; }
    // Activates the first inactive particle near `at` (random offsets and velocity); nothing when all are in use.
    void spawnParticle(const JVector& at);

private:
    Bitmap m_texture;
    Bitmap m_flare1;
    Bitmap m_flare2;
    Bitmap m_bigFlare;
    GridMap m_grid;
    float m_radius = 1000.0f;
    float m_gridWobble = 0.0f; // the ripple used by computeGrid, copied before each computation
    std::array<Particle, kParticleCount> m_particles;
    float m_wobble = 0.0f;
    int32_t m_flash = 0;
    int32_t m_flaresOn = 0;
    double m_baseZ = 0;
    double m_flashTime = 0;
    Fade m_fade{Ramp(100, 255, 0, 1.0), Ramp(80, 0, 255, 1.5)};
};
