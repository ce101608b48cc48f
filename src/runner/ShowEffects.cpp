#include "runner/ShowEffects.h"

#include "data/Bitmap.h"
#include "effects/EndPictureEffect.h"
#include "effects/FlirpEffect.h"
#include "effects/KlamEffect.h"
#include "effects/TunnelEffect.h"
#include "runner/Console.h"

namespace {
// Stands in for an effect that is not built yet: a black band.
class BlankEffect final : public Effect {
public:
    int render(RenderContext&, Bitmap& view, TriggerSource&, double) override
    {
        view.fill(0, 0, 0);
        return 1;
    }
};
} // namespace

const char* effectName(EffectId id)
{
    static const char* const names[kEffectCount] = {
        "EndPictureEffect", "GreetingsEffect", "LabyrinthEffect", "ObjectShowEffect", "TunnelEffect",
        "FlirpEffect",      "MetaballsEffect", "WaterEffect",     "CubeEffect",       "KlamEffect",
    };
    return names[int(id)];
}

Effect* ShowEffects::at(EffectId id) const
{
    const std::unique_ptr<Effect>* slots[kEffectCount] = {&endPicture, &greetings, &labyrinth, &objectShow, &tunnel,
                                                          &flirp,      &metaballs, &water,     &cube,       &klam};
    return slots[int(id)]->get();
}

ShowEffects makeShowEffects(Console& console, RenderContext&)
{
    ShowEffects e;
    e.endPicture = std::make_unique<EndPictureEffect>(console);
    e.greetings = std::make_unique<BlankEffect>();
    e.labyrinth = std::make_unique<BlankEffect>();
    e.objectShow = std::make_unique<BlankEffect>();
    e.tunnel = std::make_unique<TunnelEffect>(console);
    e.flirp = std::make_unique<FlirpEffect>(console);
    e.metaballs = std::make_unique<BlankEffect>();
    e.water = std::make_unique<BlankEffect>();
    e.cube = std::make_unique<BlankEffect>();
    e.klam = std::make_unique<KlamEffect>(console);
    return e;
}
