#include "runner/ShowEffects.h"

#include "data/Bitmap.h"
#include "effects/EndPictureEffect.h"
#include "effects/FlirpEffect.h"
#include "effects/KlamEffect.h"
#include "effects/TunnelEffect.h"

#include <cassert>

namespace {

// Stands in for an effect that is not built yet: a black band.
class BlankEffect final : public Effect {
public:
    explicit BlankEffect(Console&) {}
    int render(RenderContext&, Bitmap& view, TriggerSource&, double) override
    {
        view.fill(0, 0, 0);
        return 1;
    }
};

// The runner prepares Tunnel, Flirp, Water and ObjectShow, in that order.
constexpr EffectRow kShowEffects[] = {
    {EffectId::EndPicture, "EndPictureEffect", 0, makeEffect<EndPictureEffect>},
    {EffectId::Greetings, "GreetingsEffect", 0, makeEffect<BlankEffect>},
    {EffectId::Labyrinth, "LabyrinthEffect", 0, makeEffect<BlankEffect>},
    {EffectId::ObjectShow, "ObjectShowEffect", 4, makeEffect<BlankEffect>},
    {EffectId::Tunnel, "TunnelEffect", 1, makeEffect<TunnelEffect>},
    {EffectId::Flirp, "FlirpEffect", 2, makeEffect<FlirpEffect>},
    {EffectId::Metaballs, "MetaballsEffect", 0, makeEffect<BlankEffect>},
    {EffectId::Water, "WaterEffect", 3, makeEffect<BlankEffect>},
    {EffectId::Cube, "CubeEffect", 0, makeEffect<BlankEffect>},
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
