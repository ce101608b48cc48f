#pragma once
// The ten effects of the show, constructed in their fixed order.

#include "runner/Effect.h"

#include <memory>

class Console;
class RenderContext;

// Effects in the order they are constructed.
enum class EffectId { EndPicture, Greetings, Labyrinth, ObjectShow, Tunnel, Flirp, Metaballs, Water, Cube, Klam };
constexpr int kEffectCount = 10;
// The class name, for logs ("TunnelEffect").
const char* effectName(EffectId id);

struct ShowEffects {
    std::unique_ptr<Effect> endPicture, greetings, labyrinth, objectShow, tunnel, flirp, metaballs, water, cube, klam;

    Effect* at(EffectId id) const;
};

// Constructs every effect (each loads its data now) in the show's order.
ShowEffects makeShowEffects(Console& console, RenderContext& context);
