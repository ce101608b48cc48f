#include "effects/GreetingsEffect.h"

#include "effects/ViewFade.h"
#include "engine3d/JMesh.h"
#include "music/TriggerSource.h"
#include "render/Fixed.h"
#include "render/PixelOps.h"

#include <cstdio>

namespace {
constexpr int kSurfaces = 60;
constexpr int kSceneItems = 256;
constexpr int kNextGreeting = 128;
constexpr int32_t kNotFlashed = 256; // the flash ramp's value before its first start
constexpr int32_t kBottomRow = 319;  // greetings end just above the view's last row
} // namespace

GreetingsEffect::GreetingsEffect(Console& console, RenderContext& context)
    : m_surfaces(kSurfaces), m_frustum(false), m_scene(kSceneItems)
{
    m_scene.load("data\\scen2\\boneman.lws", &m_surfaces, console);
    JMesh::registerTextures(m_surfaces, context);
    JMesh::releaseTexturePixels(m_surfaces);
    m_scene.renderFrame(context, m_frustum, 0);
    char name[64];
    for (int32_t i = 0; i < kGreetings; ++i) {
        std::snprintf(name, sizeof name, "data\\zelvo_greet%d.jpg", i + 1);
        m_pictures[size_t(i)].load(name);
        m_pictures[size_t(i)].convert(Bitmap::FormatXrgb32);
    }
}

int GreetingsEffect::render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed)
{
    const double t = elapsed;
    m_polygonsDrawn = m_scene.renderFrame(context, m_frustum, t);
    if (player.trigger(kNextGreeting)) {
        ++m_greeting;
        m_flash.reset();
        m_flash.value(t, 1);
    }
    const int32_t g = truncToInt32(m_flash.value(t, 0));
    m_lastBrightness = -1;
    if (g != kNotFlashed && m_greeting >= 0 && m_greeting < kGreetings) {
        const Bitmap& picture = m_pictures[size_t(m_greeting)];
        blitAdd(picture, view, 0, float(kBottomRow - picture.height()), g, g, g);
        m_lastBrightness = g;
    }
    applyFade(view, m_fade.levels(t, player));
    return 1;
}
