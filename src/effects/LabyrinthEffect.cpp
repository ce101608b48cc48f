#include "effects/LabyrinthEffect.h"

#include "effects/ViewFade.h"
#include "engine3d/JMesh.h"

namespace {
constexpr int kSurfaces = 60;
constexpr int kSceneItems = 256;
} // namespace

LabyrinthEffect::LabyrinthEffect(Console& console, RenderContext& context)
    : m_surfaces(kSurfaces), m_frustum(false), m_scene(kSceneItems)
{
    m_scene.load("data\\scen\\labyrint.lws", &m_surfaces, console);
    // The render context keeps its own copies of the textures.
    JMesh::registerTextures(m_surfaces, context);
    JMesh::releaseTexturePixels(m_surfaces);
    m_scene.renderFrame(context, m_frustum, 0); // everything is touched once before the show
}

int LabyrinthEffect::render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed)
{
    const double t = elapsed;
    m_polygonsDrawn = m_scene.renderFrame(context, m_frustum, t);
    applyFade(view, m_fade.levels(t, player));
    return 1;
}
