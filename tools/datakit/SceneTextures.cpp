#include "SceneTextures.h"

#include "Noise.h"

#include <algorithm>
#include <cmath>

namespace {

// Distance in pixels from (x, y) to the nearest mortar line of a running-bond wall of bricks
// `w` x `h`, each course shifted by half a brick; also the brick's own number.
float mortarDistance(int32_t x, int32_t y, int32_t w, int32_t h, int32_t& brick)
{
    const int32_t course = y / h;
    const int32_t shifted = x + (course % 2) * (w / 2);
    const int32_t lx = shifted % w;
    const int32_t ly = y % h;
    brick = course * 16 + (shifted / w) % 16;
    return static_cast<float>(std::min({lx, w - 1 - lx, ly, h - 1 - ly}));
}

// Dressed stone in courses; `lamp` adds a glowing band along the middle course.
Canvas stoneWall(Rgb stone, Rgb glow, uint32_t seed, bool band)
{
    Canvas c(256, 256);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            int32_t brick = 0;
            const float edge = mortarDistance(x, y, 64, 32, brick);
            const float grain = fractalNoise(static_cast<float>(x), static_cast<float>(y), 32.0f, 256, 4, seed);
            const float shade = 0.55f + 0.6f * latticeValue(brick, 3, seed) + 0.5f * (grain - 0.5f);
            Rgb colour = stone * shade;
            // Bevelled edges: light on the upper left, shadow on the lower right of each stone.
            if (edge < 3.0f) {
                colour = colour * (0.55f + 0.15f * edge);
            }
            if (edge < 1.0f) {
                colour = kNight;
            }
            // Wear toward the floor.
            colour = colour * (0.75f + 0.25f * (1.0f - static_cast<float>(y) / 255.0f));
            if (band) {
                const float d = std::fabs(static_cast<float>(y) - 112.0f);
                colour = colour + glow * (0.9f * std::exp(-d * d / 18.0f));
            }
            c.at(x, y) = colour;
        }
    }
    return c;
}

// Large floor slabs with glowing seams; `lit` a soft gold panel in the middle (the ceiling's lamp).
Canvas slabs(Rgb base, Rgb seam, uint32_t seed, bool lit)
{
    Canvas c(256, 256);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            const int32_t lx = x % 128;
            const int32_t ly = y % 128;
            const float edge = static_cast<float>(std::min({lx, 127 - lx, ly, 127 - ly}));
            const float grain = fractalNoise(static_cast<float>(x), static_cast<float>(y), 64.0f, 256, 5, seed);
            const float tile = latticeValue(x / 128, y / 128, seed);
            Rgb colour = base * (0.6f + 0.5f * tile + 0.6f * (grain - 0.5f));
            colour = colour + seam * (0.8f * std::exp(-edge / 1.5f));
            if (lit) {
                const float dx = static_cast<float>(x) - 127.5f;
                const float dy = static_cast<float>(y) - 127.5f;
                const float d = std::sqrt(dx * dx + dy * dy);
                colour =
                    colour + kGold * (0.9f * clamp01(1.0f - d / 70.0f)) + kIce * (0.5f * std::exp(-d * d / 300.0f));
            }
            c.at(x, y) = colour;
        }
    }
    return c;
}

} // namespace

std::vector<PictureRecipe> SceneTextures::recipes()
{
    using F = PictureRecipe::Format;
    std::vector<PictureRecipe> list;
    const auto add = [&](const char* name, std::function<Canvas()> draw) {
        list.push_back(PictureRecipe{name, 256, 256, F::Jpeg,
                                     [draw = std::move(draw)](FontRenderer&, FontRenderer&) { return draw(); }});
    };
    add("data\\scen\\maze_wall1.jpg", [] { return stoneWall(mix(kIndigo, kViolet, 0.55f) * 1.6f, kCyan, 21, true); });
    add("data\\scen\\maze_wall2.jpg", [] { return stoneWall(mix(kViolet, kRose, 0.35f) * 1.3f, kGold, 22, false); });
    add("data\\scen\\maze_floor.jpg", [] { return slabs(mix(kIndigo, kNight, 0.2f) * 2.0f, kCyan, 23, false); });
    add("data\\scen\\maze_ceil.jpg", [] { return slabs(mix(kViolet, kNight, 0.5f) * 1.4f, kRose, 24, true); });
    return list;
}
