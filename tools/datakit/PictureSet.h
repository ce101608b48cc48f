#pragma once
// The table of every picture the show's effects load, each drawn procedurally in one palette.

#include "Canvas.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class FontRenderer;

struct PictureRecipe {
    enum class Format { Jpeg, Tga };
    std::string name; // archive entry name, "data\\tunnel_tmap.jpg"
    int32_t width = 0;
    int32_t height = 0;
    Format format = Format::Jpeg;
    std::function<Canvas(FontRenderer& bold, FontRenderer& regular)> draw;
};

class PictureSet {
public:
    // Every picture in a fixed order.
    static std::vector<PictureRecipe> recipes();
    // JPEG quality of every JPEG picture.
    static constexpr int kJpegQuality = 90;
};
