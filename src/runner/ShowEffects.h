#pragma once
// The ten effects of the show, constructed in their fixed order.

#include "runner/Effect.h"

#include <memory>

class Console;
class RenderContext;

struct ShowEffects {
    std::unique_ptr<Effect> endPicture, greetings, labyrinth, objectShow, tunnel, flirp, metaballs, water, cube, klam;
};

// Constructs every effect (each loads its data now) in the show's order.
ShowEffects makeShowEffects(Console& console, RenderContext& context);
