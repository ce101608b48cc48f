#include "runner/ShowEffects.h"

#include "data/Bitmap.h"
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

ShowEffects makeShowEffects(Console&, RenderContext&)
{
    ShowEffects e;
    e.endPicture = std::make_unique<BlankEffect>();
    e.greetings = std::make_unique<BlankEffect>();
    e.labyrinth = std::make_unique<BlankEffect>();
    e.objectShow = std::make_unique<BlankEffect>();
    e.tunnel = std::make_unique<BlankEffect>();
    e.flirp = std::make_unique<BlankEffect>();
    e.metaballs = std::make_unique<BlankEffect>();
    e.water = std::make_unique<BlankEffect>();
    e.cube = std::make_unique<BlankEffect>();
    e.klam = std::make_unique<BlankEffect>();
    return e;
}
