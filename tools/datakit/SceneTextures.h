#pragma once
// The 256 x 256 textures of the labyrinth's walls, floor and ceiling, in the show's palette. Each
// spans one cell side and the wall's full height; their top quarters all differ (the engine shares
// textures by a hash of that part).

#include "PictureSet.h"

#include <vector>

class SceneTextures {
public:
    static std::vector<PictureRecipe> recipes();
};
