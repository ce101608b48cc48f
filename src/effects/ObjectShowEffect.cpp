#include "effects/ObjectShowEffect.h"

#include "effects/PictureCopy.h"
#include "effects/ViewFade.h"
#include "music/TriggerSource.h"
#include "runner/Console.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
constexpr int kNextObject = 144;
constexpr int kRestartGrowth = 128;
constexpr double kZoom = 400;
constexpr double kDepth = 400;
constexpr double kHeight = -50;
constexpr double kSide = 160;
constexpr double kFullScale = 80;
constexpr double kGrowthRate = 0.0125; // full size 80 time units after a switch
constexpr double kGrowthShape = 0.7;

} // namespace

ObjectShowEffect::ObjectShowEffect(Console& console, RenderContext& context)
{
    char name[64];
    for (int32_t i = 0; i < kObjects; ++i) {
        std::snprintf(name, sizeof name, "data\\obj_bkgr%d.jpg", i + 1);
        m_backgrounds[size_t(i)].load(name);
        m_backgrounds[size_t(i)].convert(Bitmap::FormatXrgb32);
        std::snprintf(name, sizeof name, "data\\obj_map%d.jpg", i + 1);
        m_maps[size_t(i)].load(name);
        m_maps[size_t(i)].convert(Bitmap::FormatXrgb32);
        std::snprintf(name, sizeof name, "data\\obj_%d.lwo", i + 1);
        m_objects[size_t(i)] = std::make_unique<ShowObject>(context, name, nullptr, m_maps[size_t(i)]);
    }
    console.write("Ok.\n");
}

ObjectShowEffect::~ObjectShowEffect() = default;

int ObjectShowEffect::prepare()
{
    for (const Bitmap& map : m_maps)
        map.touch();
    for (const Bitmap& background : m_backgrounds)
        background.touch();
    return 1;
}

int ObjectShowEffect::render(RenderContext&, Bitmap& view, TriggerSource& player, double elapsed)
{
    const double t = elapsed;
    if (player.trigger(kNextObject)) {
        ++m_current;
        m_switchTime = t;
    }
    if (player.trigger(kRestartGrowth))
        m_switchTime = t;
    m_current = std::min(m_current, kObjects - 1);
    const double x0 = m_current == 1 || m_current == 3 ? kSide : -kSide;
    // A switch time from an earlier turn of the effect can lie ahead of t: the object is then not grown yet.
    const double e = std::pow(std::max(0.0, (t - m_switchTime) * kGrowthRate), kGrowthShape);
    m_lastScale = std::min(kFullScale * e, kFullScale);

    copyPicture(m_backgrounds[size_t(m_current)], view);
    m_objects[size_t(m_current)]->draw(view, kZoom, JVector(x0, kHeight, kDepth), JVector(-t, -0.5 * t, -t / 3),
                                       m_lastScale);

    applyFade(view, m_fade.levels(t, player));
    return 1;
}
