#include "runner/ShowEffects.h"

#include "data/Bitmap.h"
#include "effects/CubeEffect.h"
#include "effects/EndPictureEffect.h"
#include "effects/FlirpEffect.h"
#include "effects/GreetingsEffect.h"
#include "effects/KlamEffect.h"
#include "effects/LabyrinthEffect.h"
#include "effects/MetaballsEffect.h"
#include "effects/ObjectShowEffect.h"
#include "effects/TunnelEffect.h"
#include "effects/WaterEffect.h"

#include <cassert>

namespace {

// The runner prepares Tunnel, Flirp, Water and ObjectShow, in that order.
constexpr EffectRow kShowEffects[] = {
    {EffectId::EndPicture, "EndPictureEffect", 0, makeEffect<EndPictureEffect>},
    {EffectId::Greetings, "GreetingsEffect", 0, makeEffect<GreetingsEffect>},
    {EffectId::Labyrinth, "LabyrinthEffect", 0, makeEffect<LabyrinthEffect>},
    {EffectId::ObjectShow, "ObjectShowEffect", 4, makeEffect<ObjectShowEffect>},
    {EffectId::Tunnel, "TunnelEffect", 1, makeEffect<TunnelEffect>},
    {EffectId::Flirp, "FlirpEffect", 2, makeEffect<FlirpEffect>},
    {EffectId::Metaballs, "MetaballsEffect", 0, makeEffect<MetaballsEffect>},
    {EffectId::Water, "WaterEffect", 3, makeEffect<WaterEffect>},
    {EffectId::Cube, "CubeEffect", 0, makeEffect<CubeEffect>},
    {EffectId::Klam, "KlamEffect", 0, makeEffect<KlamEffect>},
};

constexpr bool rowsInIdOrder(EffectTable table)
{
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].id != EffectId(i))
            return false;
    return true;
}
static_assert(std::size(kShowEffects) == kEffectCount && rowsInIdOrder(kShowEffects));

} // namespace

EffectTable showEffectTable()
{
    return kShowEffects;
}

const char* effectName(EffectId id)
{
    return kShowEffects[size_t(id)].name;
}

ShowEffects::ShowEffects(EffectTable table) : m_table(table), m_effects(table.size())
{
    assert(rowsInIdOrder(table));
}

ShowEffects::ShowEffects(EffectTable table, Console& console, RenderContext& context) : ShowEffects(table)
{
    for (const EffectRow& row : m_table)
        set(row.id, row.make(console, context));
}

ShowEffects::~ShowEffects()
{
    while (!m_effects.empty())
        m_effects.pop_back();
}

void ShowEffects::prepare() const
{
    for (int order = 1; order <= int(m_table.size()); ++order)
        for (const EffectRow& row : m_table)
            if (row.prepareOrder == order && at(row.id))
                at(row.id)->prepare();
}

ShowEffects makeShowEffects(Console& console, RenderContext& context)
{
    return ShowEffects(showEffectTable(), console, context);
}
