#include "PictureSet.h"

#include "FontRenderer.h"
#include "Noise.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr float kPi = 3.14159265358979f;

const Rgb kWhite = {1.0f, 1.0f, 1.0f};

float smoothstep(float a, float b, float v)
{
    const float t = clamp01((v - a) / (b - a));
    return t * t * (3.0f - 2.0f * t);
}

// Piecewise-linear colour ramp over stops sorted by position.
Rgb ramp(const std::vector<std::pair<float, Rgb>>& stops, float t)
{
    if (t <= stops.front().first) {
        return stops.front().second;
    }
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].first) {
            const float span = stops[i].first - stops[i - 1].first;
            return mix(stops[i - 1].second, stops[i].second, span > 0.0f ? (t - stops[i - 1].first) / span : 1.0f);
        }
    }
    return stops.back().second;
}

struct TextStyle {
    Rgb top = kIce;
    Rgb bottom = kCyan;
    Rgb glow = kViolet;
    float glowStrength = 1.6f;
    int32_t glowRadius = 8;
    int32_t tracking = 0;
};

// Draws text centred on (cx, cy): a blurred glow added under a vertically graded fill.
void drawText(Canvas& canvas, FontRenderer& font, const std::string& text, int32_t size, float cx, float cy,
              const TextStyle& style)
{
    const Mask mask = font.render(text, size, style.tracking);
    const int32_t x0 = static_cast<int32_t>(std::lround(cx - static_cast<float>(mask.width()) / 2.0f));
    const int32_t y0 = static_cast<int32_t>(std::lround(cy - static_cast<float>(mask.height()) / 2.0f));
    const int32_t margin = style.glowRadius * 3;
    Mask glow(mask.width() + 2 * margin, mask.height() + 2 * margin);
    for (int32_t y = 0; y < mask.height(); ++y) {
        for (int32_t x = 0; x < mask.width(); ++x) {
            glow.at(x + margin, y + margin) = mask.at(x, y);
        }
    }
    glow.blur(style.glowRadius);
    canvas.addMask(glow, x0 - margin, y0 - margin, style.glow * style.glowStrength);
    for (int32_t y = 0; y < mask.height(); ++y) {
        const Rgb colour =
            mix(style.top, style.bottom, static_cast<float>(y) / static_cast<float>(std::max(1, mask.height() - 1)));
        for (int32_t x = 0; x < mask.width(); ++x) {
            const int32_t px = x0 + x;
            const int32_t py = y0 + y;
            if (px >= 0 && py >= 0 && px < canvas.width() && py < canvas.height()) {
                canvas.at(px, py) = mix(canvas.at(px, py), colour, clamp01(mask.at(x, y)));
            }
        }
    }
}

// The largest size up to `size` at which the text fits in `width` pixels.
int32_t fitSize(FontRenderer& font, const std::string& text, int32_t size, int32_t width, int32_t tracking = 0)
{
    while (size > 8 && font.render(text, size, tracking).width() > width) {
        --size;
    }
    return size;
}

void addStars(Canvas& c, uint32_t seed, int32_t count, float brightness)
{
    Scatter s(seed);
    for (int32_t i = 0; i < count; ++i) {
        const float x = s.next() * static_cast<float>(c.width());
        const float y = s.next() * static_cast<float>(c.height());
        const float size = s.next();
        const float tint = s.next();
        const Rgb colour = mix(kIce, tint > 0.8f ? kGold : kWhite, tint > 0.8f ? 0.6f : 0.2f);
        const float r = 1.2f + 2.8f * size * size * size;
        c.addGlow(x, y, r, colour * (brightness * (0.4f + 0.6f * size)), 1.6f);
    }
}

// The textures (256 x 256, tileable).

Canvas tunnelTexture()
{
    Canvas c(256, 256);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            const int32_t cx = x / 32;
            const int32_t cy = y / 32;
            const int32_t lx = x % 32;
            const int32_t ly = y % 32;
            const float pick = latticeValue(cx, cy, 7);
            const float grime = fractalNoise(static_cast<float>(x), static_cast<float>(y), 32.0f, 256, 4, 3);
            Rgb base = mix(kIndigo, kViolet, 0.25f + 0.5f * pick) * (0.55f + 0.6f * grime);
            // Fine grooves on some panels give the flight a sense of speed.
            if (pick < 0.35f && ly % 4 == 0) {
                base = base * 0.7f;
            }
            const int32_t edge = std::min(std::min(lx, ly), std::min(31 - lx, 31 - ly));
            if (edge >= 2 && edge <= 3) {
                base = (lx <= 3 || ly <= 3) && lx < 29 && ly < 29 ? base * 1.5f : base * 0.6f;
            }
            if (edge < 2) {
                base = kNight;
            }
            // Glowing seams between the panels.
            base = base + kCyan * (0.9f * std::exp(-static_cast<float>(edge) / 1.2f));
            // Lamps in a few panels.
            if (pick > 0.78f) {
                const float dx = static_cast<float>(lx) - 15.5f;
                const float dy = static_cast<float>(ly) - 15.5f;
                const float d = std::sqrt(dx * dx + dy * dy);
                base = base + kGold * (1.2f * std::exp(-d * d / 30.0f)) + kRose * (0.35f * std::exp(-d / 6.0f));
            }
            c.at(x, y) = base;
        }
    }
    return c;
}

Canvas flirpTexture()
{
    Canvas c(256, 256);
    const std::vector<std::pair<float, Rgb>> cycle = {{0.0f, kNight}, {0.18f, kIndigo}, {0.36f, kViolet},
                                                      {0.52f, kRose}, {0.64f, kGold},   {0.74f, kIce},
                                                      {0.84f, kCyan}, {0.93f, kIndigo}, {1.0f, kNight}};
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            const float u = static_cast<float>(x) / 256.0f * 2.0f * kPi;
            const float v = static_cast<float>(y) / 256.0f * 2.0f * kPi;
            const float n = fractalNoise(static_cast<float>(x), static_cast<float>(y), 64.0f, 256, 4, 11);
            const float plasma =
                std::sin(2.0f * u + 1.5f * std::sin(v)) + std::sin(3.0f * v + std::cos(u)) + std::sin(u + v) + 2.0f * n;
            float t = plasma * 0.18f + 0.5f;
            t = t - std::floor(t);
            c.at(x, y) = ramp(cycle, t) * 0.8f; // kept below full so that the additive pictures read over it
        }
    }
    return c;
}

// A mandala tile of 64 x 64, repeated; symmetric about its centre so that neighbouring tiles join.
Canvas klamTexture()
{
    Canvas c(256, 256);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            const float dx = static_cast<float>(x % 64) - 31.5f;
            const float dy = static_cast<float>(y % 64) - 31.5f;
            const float r = std::sqrt(dx * dx + dy * dy) / 32.0f;
            const float a = std::atan2(dy, dx);
            const float petals = 0.5f + 0.5f * std::cos(8.0f * a + 3.0f * r);
            const float rings = 0.5f + 0.5f * std::cos(r * 14.0f);
            Rgb colour = mix(kIndigo, kViolet, rings * 0.8f);
            colour = colour + kCyan * (std::pow(petals, 6.0f) * smoothstep(0.95f, 0.2f, r) * 0.9f);
            colour = colour + kGold * (std::exp(-r * r * 30.0f) * 1.2f);
            colour = colour + kRose * (std::pow(petals * rings, 3.0f) * 0.5f);
            // Corners, where four tiles meet, share a dark star.
            const float corner = smoothstep(1.1f, 1.4f, r);
            c.at(x, y) = mix(colour, kNight + kCyan * 0.15f, corner);
        }
    }
    return c;
}

// The cube's face is the top-left 64 x 64; the tile repeats over the rest.
Canvas cubeTexture(FontRenderer& bold)
{
    Canvas tile(64, 64);
    for (int32_t y = 0; y < 64; ++y) {
        for (int32_t x = 0; x < 64; ++x) {
            const int32_t edge = std::min(std::min(x, y), std::min(63 - x, 63 - y));
            const float t = static_cast<float>(x + y) / 126.0f;
            Rgb base = mix(kViolet, kIndigo, t);
            if (edge < 3) {
                base = mix(kIce, kCyan, static_cast<float>(edge) / 3.0f);
            } else if (edge < 6) {
                base = base * (x < y ? 0.6f : 1.4f);
            }
            tile.at(x, y) = base;
        }
    }
    TextStyle style;
    style.top = kWhite;
    style.bottom = kGold;
    style.glow = kRose;
    style.glowRadius = 3;
    style.glowStrength = 1.2f;
    drawText(tile, bold, "K", 44, 32.0f, 32.0f, style);
    Canvas c(256, 256);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            c.at(x, y) = tile.at(x % 64, y % 64);
        }
    }
    return c;
}

Canvas cubeBackground()
{
    Canvas c(256, 256);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            const float n = fractalNoise(static_cast<float>(x), static_cast<float>(y), 64.0f, 256, 3, 21);
            const int32_t gx = std::min(x % 32, 32 - x % 32);
            const int32_t gy = std::min(y % 32, 32 - y % 32);
            const float line = std::exp(-static_cast<float>(std::min(gx, gy)) / 1.5f);
            const float node = std::exp(-static_cast<float>(gx * gx + gy * gy) / 6.0f);
            c.at(x, y) = mix(kNight, kIndigo, n) + kViolet * (0.8f * line) + kCyan * (1.2f * node);
        }
    }
    return c;
}

// The environment maps (sphere maps).

// Colour seen in direction (x, y, z); y points down the screen, z towards the viewer.
using Environment = Rgb (*)(float x, float y, float z);

Canvas sphereMap(Environment environment)
{
    Canvas c(256, 256);
    for (int32_t v = 0; v < 256; ++v) {
        for (int32_t u = 0; u < 256; ++u) {
            float nx = (static_cast<float>(u) - 128.0f) / 127.0f;
            float ny = (static_cast<float>(v) - 128.0f) / 127.0f;
            // Outside the disc the colour of its edge continues outwards; at the very rim the reflection
            // turns straight back, which would paint a ring of one colour.
            const float r = std::sqrt(nx * nx + ny * ny);
            if (r > 0.97f) {
                nx *= 0.97f / r;
                ny *= 0.97f / r;
            }
            const float nz = std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
            // Reflection of the view ray (0, 0, -1) about the normal.
            c.at(u, v) = environment(2.0f * nz * nx, 2.0f * nz * ny, 2.0f * nz * nz - 1.0f);
        }
    }
    return c;
}

float sunGlow(float x, float y, float z, float sx, float sy, float sz, float power)
{
    const float length = std::sqrt(sx * sx + sy * sy + sz * sz);
    return std::pow(std::max(0.0f, (x * sx + y * sy + z * sz) / length), power);
}

Rgb chromeSky(float x, float y, float z)
{
    const float up = -y;
    Rgb colour = up > 0.0f ? mix(mix(kIce, kCyan, 0.3f), kIndigo, std::pow(up, 0.6f))
                           : mix(kViolet * 0.8f, kNight, std::pow(-up, 0.5f));
    colour = colour + kWhite * (0.9f * std::exp(-std::fabs(up) * 14.0f));
    colour = colour + kWhite * (1.5f * sunGlow(x, y, z, 0.5f, -0.6f, 0.6f, 80.0f)) +
             kGold * sunGlow(x, y, z, 0.5f, -0.6f, 0.6f, 8.0f) * 0.4f;
    return colour;
}

Rgb goldSky(float x, float y, float z)
{
    const float up = -y;
    Rgb colour =
        up > 0.0f ? mix(kGold, kRose * 0.6f, std::pow(up, 0.7f)) : mix(hex(0x5A2A10), kNight, std::pow(-up, 0.6f));
    colour = colour + hex(0xFFF0C0) * (0.8f * std::exp(-std::fabs(up) * 10.0f));
    colour = colour + kWhite * (1.6f * sunGlow(x, y, z, -0.4f, -0.5f, 0.7f, 60.0f));
    return colour;
}

Rgb iceSky(float x, float y, float z)
{
    const float up = -y;
    const float azimuth = std::atan2(x, z);
    Rgb colour =
        up > 0.0f ? mix(kCyan * 0.7f, kNight, std::pow(up, 0.8f)) : mix(kIce * 0.8f, kIndigo, std::pow(-up, 0.4f));
    // Aurora bands across the upper half.
    const float band = std::pow(0.5f + 0.5f * std::sin(azimuth * 5.0f + up * 6.0f), 4.0f) * smoothstep(0.0f, 0.3f, up) *
                       smoothstep(0.9f, 0.4f, up);
    colour = colour + mix(kCyan, kViolet, up) * (1.2f * band);
    colour = colour + kWhite * (0.7f * std::exp(-std::fabs(up) * 18.0f));
    return colour;
}

Rgb neonStudio(float x, float y, float z)
{
    Rgb colour = mix(kNight, kIndigo, 0.5f + 0.5f * z);
    // Strip lights: two tall ones at the sides, one wide above.
    auto strip = [](float value, float centre, float half) {
        return smoothstep(half, half * 0.6f, std::fabs(value - centre));
    };
    colour = colour + kRose * (1.6f * strip(x, -0.65f, 0.12f) * strip(y, 0.0f, 0.7f));
    colour = colour + kCyan * (1.6f * strip(x, 0.65f, 0.12f) * strip(y, 0.0f, 0.7f));
    colour = colour + kWhite * (1.4f * strip(y, -0.75f, 0.1f) * strip(x, 0.0f, 0.6f));
    colour = colour + kGold * (0.5f * std::pow(std::max(0.0f, -y), 8.0f));
    return colour;
}

// Radially symmetric: the metaballs see it mirrored.
Canvas metaballsMap()
{
    Canvas c(256, 256);
    const std::vector<std::pair<float, Rgb>> rings = {{0.0f, kWhite},   {0.18f, kIce},    {0.38f, kCyan},
                                                      {0.55f, kViolet}, {0.66f, kRose},   {0.72f, kGold},
                                                      {0.78f, kRose},   {0.88f, kIndigo}, {1.0f, kViolet}};
    for (int32_t v = 0; v < 256; ++v) {
        for (int32_t u = 0; u < 256; ++u) {
            const float dx = static_cast<float>(u) - 128.0f;
            const float dy = static_cast<float>(v) - 128.0f;
            const float r = std::min(1.0f, std::sqrt(dx * dx + dy * dy) / 127.0f);
            c.at(u, v) = ramp(rings, r);
        }
    }
    return c;
}

// The backgrounds (640 x 320).

Canvas auroraSky(uint32_t seed, bool mountains)
{
    Canvas c(640, 320);
    for (int32_t y = 0; y < 320; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            const float fy = static_cast<float>(y) / 320.0f;
            Rgb colour = ramp({{0.0f, kNight}, {0.55f, kIndigo}, {1.0f, kViolet * 0.7f}}, fy);
            // Curtains: a wavy lower edge, rays rising from it.
            const float fx = static_cast<float>(x);
            const float edge = 150.0f + 45.0f * std::sin(fx / 97.0f + static_cast<float>(seed)) +
                               30.0f * (valueNoise(fx, 0.0f, 60.0f, 0, seed) - 0.5f);
            const float above = (edge - static_cast<float>(y)) / 110.0f;
            if (above > -0.05f) {
                const float rays = fractalNoise(fx * 1.0f, static_cast<float>(y) * 0.08f, 24.0f, 0, 3, seed + 5);
                const float strength = std::exp(-std::max(0.0f, above) * 2.2f) * smoothstep(-0.05f, 0.03f, above) *
                                       (0.35f + 0.9f * rays * rays);
                colour = colour + mix(kCyan, kViolet, clamp01(above * 1.2f)) * (1.1f * strength);
            }
            c.at(x, y) = colour;
        }
    }
    addStars(c, seed + 17, 160, 0.8f);
    if (mountains) {
        for (int32_t x = 0; x < 640; ++x) {
            const float fx = static_cast<float>(x);
            const float ridge =
                250.0f - 55.0f * fractalNoise(fx, 0.0f, 160.0f, 0, 5, seed + 9) + 10.0f * std::sin(fx / 40.0f);
            for (int32_t y = 0; y < 320; ++y) {
                const float depth = static_cast<float>(y) - ridge;
                if (depth > 0.0f) {
                    // Dark slopes with a thin rim of aurora light on the ridge.
                    const Rgb slope = mix(kIndigo * 0.55f, kNight, clamp01(depth / 40.0f));
                    const Rgb rim = kCyan * (0.45f * std::exp(-depth / 2.5f));
                    c.at(x, y) = mix(c.at(x, y), slope + rim, clamp01(depth));
                }
            }
        }
    }
    return c;
}

Canvas horizonGrid()
{
    Canvas c(640, 320);
    const float horizon = 190.0f;
    for (int32_t y = 0; y < 320; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            const float fy = static_cast<float>(y);
            const float fx = static_cast<float>(x) - 320.0f;
            Rgb colour;
            if (fy < horizon) {
                colour = ramp({{0.0f, kNight}, {0.45f, kIndigo}, {0.75f, kViolet}, {0.92f, kRose}, {1.0f, kGold}},
                              fy / horizon);
                // A striped sun sitting on the horizon.
                const float dy = fy - (horizon - 20.0f);
                const float d = std::sqrt(fx * fx + dy * dy);
                if (d < 80.0f) {
                    const bool gap =
                        fy > horizon - 70.0f &&
                        static_cast<int32_t>(fy) % 12 < (static_cast<int32_t>(fy - (horizon - 70.0f)) / 12 + 1);
                    if (!gap) {
                        colour = mix(kGold, kRose, clamp01((fy - (horizon - 100.0f)) / 80.0f)) * 1.1f;
                    }
                }
                colour = colour + kRose * (0.5f * std::exp(-(d - 80.0f > 0.0f ? d - 80.0f : 0.0f) / 25.0f));
            } else {
                const float depth = (fy - horizon) / (320.0f - horizon);
                const float z = 1.0f / std::max(depth, 0.02f);
                const float gx = fx / (fy - horizon + 1.0f) * 6.0f;
                const float lineX = std::fabs(gx - std::round(gx));
                const float lineZ = std::fabs(z * 2.0f - std::round(z * 2.0f));
                const float width = 0.04f + 0.02f * depth;
                const float grid = std::max(smoothstep(width * 2.0f, 0.0f, lineX), smoothstep(0.08f * z, 0.0f, lineZ));
                colour = mix(kNight, kIndigo, depth) + kCyan * (grid * (0.3f + 0.9f * depth));
                colour = colour + kRose * (0.6f * std::exp(-(fy - horizon) / 12.0f));
            }
            c.at(x, y) = colour;
        }
    }
    return c;
}

Canvas nebula(uint32_t seed, float brightness)
{
    Canvas c(640, 320);
    for (int32_t y = 0; y < 320; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            const float fx = static_cast<float>(x);
            const float fy = static_cast<float>(y);
            const float a = fractalNoise(fx, fy, 160.0f, 0, 6, seed);
            const float b = fractalNoise(fx + 300.0f, fy, 120.0f, 0, 5, seed + 3);
            const float cloud = smoothstep(0.42f, 0.8f, a);
            const float wisp = smoothstep(0.5f, 0.85f, b);
            Rgb colour = mix(kNight, kIndigo, 0.6f * a);
            colour = colour + kViolet * (cloud * 0.9f * brightness) + kRose * (cloud * wisp * 0.7f * brightness) +
                     kCyan * (wisp * (1.0f - cloud) * 0.5f * brightness);
            c.at(x, y) = colour;
        }
    }
    addStars(c, seed + 1, 260, 0.9f);
    return c;
}

Canvas ringBurst()
{
    Canvas c(640, 320);
    for (int32_t y = 0; y < 320; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            const float dx = static_cast<float>(x) - 320.0f;
            const float dy = static_cast<float>(y) - 160.0f;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float a = std::atan2(dy, dx);
            const float rings = std::pow(0.5f + 0.5f * std::cos(r / 9.0f), 8.0f);
            const float rays = std::pow(0.5f + 0.5f * std::cos(a * 12.0f), 3.0f);
            Rgb colour = mix(kViolet * 0.8f, kNight, clamp01(r / 300.0f));
            colour = colour + kIndigo * (rings * 0.9f) + kRose * (rays * 0.25f * std::exp(-r / 220.0f));
            colour = colour + kGold * (0.6f * std::exp(-r / 40.0f));
            c.at(x, y) = colour;
        }
    }
    // Soft round bokeh lights.
    Scatter s(77);
    for (int i = 0; i < 26; ++i) {
        const float x = s.next() * 640.0f;
        const float y = s.next() * 320.0f;
        const float radius = 8.0f + 22.0f * s.next();
        c.addGlow(x, y, radius, (s.next() > 0.5f ? kCyan : kRose) * 0.25f, 0.4f);
    }
    return c;
}

// A pool floor in mosaic, the show's name laid in gold tiles, under rippling light.
Canvas waterFloor(FontRenderer& bold)
{
    Canvas c(640, 320);
    const Mask letters = bold.render("KALVORA", fitSize(bold, "KALVORA", 118, 580, 6), 6);
    const int32_t lx = (640 - letters.width()) / 2;
    const int32_t ly = (320 - letters.height()) / 2;
    const int32_t tile = 10;
    for (int32_t y = 0; y < 320; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            const int32_t tx = x / tile;
            const int32_t ty = y / tile;
            const int32_t cx = tx * tile + tile / 2;
            const int32_t cy = ty * tile + tile / 2;
            const float jitter = latticeValue(tx, ty, 31);
            Rgb colour = mix(hex(0x14507A), hex(0x1E7FA0), jitter);
            const int32_t borderRows = std::min(ty, 31 - ty);
            if (borderRows == 1 || (borderRows == 2 && (tx % 2 == 0))) {
                colour = mix(kViolet, kRose, jitter * 0.5f);
            }
            if (letters.get(cx - lx, cy - ly) > 0.5f) {
                colour = mix(kGold, hex(0xFFE0A0), jitter);
            }
            const int32_t gx = x % tile;
            const int32_t gy = y % tile;
            if (gx == 0 || gy == 0) {
                colour = hex(0x0A2436);
            } else if (gx == 1 || gy == 1) {
                colour = colour * 1.15f;
            }
            // Caustics: bright threads where two noise fields cross their middle.
            const float n1 = fractalNoise(static_cast<float>(x), static_cast<float>(y), 48.0f, 0, 3, 41);
            const float n2 = fractalNoise(static_cast<float>(x) + 90.0f, static_cast<float>(y), 40.0f, 0, 3, 43);
            const float caustic = std::exp(-std::fabs(n1 - 0.5f) * 40.0f) + std::exp(-std::fabs(n2 - 0.5f) * 40.0f);
            c.at(x, y) = colour * (0.8f + 0.25f * caustic) + kIce * (0.18f * caustic);
        }
    }
    return c;
}

Canvas endPicture(FontRenderer& bold, FontRenderer& regular)
{
    Canvas c = auroraSky(5, true);
    TextStyle title;
    title.top = kWhite;
    title.bottom = kCyan;
    title.glow = kViolet;
    title.glowRadius = 10;
    title.glowStrength = 2.0f;
    title.tracking = 8;
    drawText(c, bold, "KALVORA", fitSize(bold, "KALVORA", 104, 560, 8), 320.0f, 118.0f, title);
    TextStyle line;
    line.top = kIce;
    line.bottom = kIce;
    line.glow = kIndigo;
    line.glowRadius = 4;
    line.glowStrength = 1.5f;
    drawText(c, regular, "thank you for watching", 26, 320.0f, 210.0f, line);
    line.top = kGold;
    line.bottom = kGold;
    drawText(c, regular, "music, code and pictures made for this show", 17, 320.0f, 290.0f, line);
    return c;
}

// The overlays and greetings (on black).

Canvas flirpOverlay(FontRenderer& bold, FontRenderer& regular, int index)
{
    Canvas c(640, 320);
    TextStyle big;
    big.top = kWhite;
    big.bottom = kCyan;
    big.glow = kViolet;
    big.glowRadius = 10;
    big.glowStrength = 2.2f;
    TextStyle small;
    small.top = kGold;
    small.bottom = kRose;
    small.glow = kRose;
    small.glowRadius = 5;
    small.glowStrength = 1.2f;
    if (index == 1) {
        big.tracking = 10;
        drawText(c, bold, "KALVORA", fitSize(bold, "KALVORA", 112, 580, 10), 320.0f, 140.0f, big);
        drawText(c, regular, "a real-time show", 28, 320.0f, 235.0f, small);
    } else if (index == 2) {
        drawText(c, bold, "ten scenes", fitSize(bold, "ten scenes", 84, 580), 320.0f, 130.0f, big);
        drawText(c, regular, "drawn by the processor, pixel by pixel", 24, 320.0f, 220.0f, small);
    } else {
        drawText(c, bold, "one song", fitSize(bold, "one song", 84, 580), 320.0f, 130.0f, big);
        drawText(c, regular, "mixed live, keeping the time", 24, 320.0f, 220.0f, small);
    }
    // A thin rule under the words.
    for (int32_t x = 120; x < 520; ++x) {
        const float fade = 1.0f - std::fabs(static_cast<float>(x) - 320.0f) / 200.0f;
        c.at(x, 270) = c.at(x, 270) + kCyan * (0.8f * fade);
        c.at(x, 271) = c.at(x, 271) + kViolet * (0.5f * fade);
    }
    return c;
}

const char* const kGreetings[8] = {
    "Kalvora says hello",    "greetings to all trackers", "to every pixel artist",    "to the coders of the night",
    "to all who make demos", "to the sound wizards",      "to everyone at the party", "and to you, watching",
};

Canvas greeting(FontRenderer& bold, int index)
{
    Canvas c(400, 80);
    const std::string text = kGreetings[index - 1];
    TextStyle style;
    style.top = kWhite;
    style.bottom = index % 2 ? kCyan : kGold;
    style.glow = index % 2 ? kViolet : kRose;
    style.glowRadius = 5;
    style.glowStrength = 1.6f;
    const int32_t size = fitSize(bold, text, 34, 350);
    const int32_t width = bold.render(text, size).width();
    drawText(c, bold, text, size, 38.0f + static_cast<float>(width) / 2.0f, 40.0f, style);
    // A small star before the words.
    c.addGlow(18.0f, 40.0f, 12.0f, kGold, 2.5f);
    c.addGlow(18.0f, 40.0f, 4.0f, kWhite, 1.0f);
    return c;
}

// The flares (TGA, black surround).

Canvas flare(int32_t size, Rgb core, Rgb halo, int rays)
{
    Canvas c(size, size);
    const float centre = static_cast<float>(size) / 2.0f;
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - centre) / centre;
            const float dy = (static_cast<float>(y) + 0.5f - centre) / centre;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float window = smoothstep(1.0f, 0.8f, d);
            Rgb colour = core * std::exp(-d * d * 28.0f) + halo * (0.7f * std::pow(std::max(0.0f, 1.0f - d), 2.5f));
            if (rays > 0) {
                const float a = std::atan2(dy, dx);
                const float spike = std::pow(std::fabs(std::cos(a * static_cast<float>(rays) / 2.0f)), 60.0f);
                colour = colour + mix(core, halo, d) * (spike * std::pow(std::max(0.0f, 1.0f - d), 1.5f));
            }
            c.at(x, y) = colour * window;
        }
    }
    return c;
}

} // namespace

std::vector<PictureRecipe> PictureSet::recipes()
{
    using F = PictureRecipe::Format;
    std::vector<PictureRecipe> list;
    auto add = [&](std::string name, int32_t w, int32_t h, F format,
                   std::function<Canvas(FontRenderer&, FontRenderer&)> draw) {
        list.push_back(PictureRecipe{std::move(name), w, h, format, std::move(draw)});
    };
    add("data\\endpic.jpg", 640, 320, F::Jpeg, [](FontRenderer& b, FontRenderer& r) { return endPicture(b, r); });
    for (int i = 1; i <= 8; ++i) {
        add("data\\zelvo_greet" + std::to_string(i) + ".jpg", 400, 80, F::Jpeg,
            [i](FontRenderer& b, FontRenderer&) { return greeting(b, i); });
    }
    for (int i = 1; i <= 4; ++i) {
        add("data\\obj_map" + std::to_string(i) + ".jpg", 256, 256, F::Jpeg, [i](FontRenderer&, FontRenderer&) {
            const Environment maps[4] = {chromeSky, goldSky, iceSky, neonStudio};
            return sphereMap(maps[i - 1]);
        });
        add("data\\obj_bkgr" + std::to_string(i) + ".jpg", 640, 320, F::Jpeg, [i](FontRenderer&, FontRenderer&) {
            switch (i) {
            case 1: return auroraSky(1, true);
            case 2: return horizonGrid();
            case 3: return nebula(3, 1.0f);
            default: return ringBurst();
            }
        });
    }
    add("data\\tunnel_tmap.jpg", 256, 256, F::Jpeg, [](FontRenderer&, FontRenderer&) { return tunnelTexture(); });
    add("data\\tunnel_flare1.tga", 24, 24, F::Tga,
        [](FontRenderer&, FontRenderer&) { return flare(24, kWhite, kCyan, 0); });
    add("data\\tunnel_flare2.tga", 24, 24, F::Tga,
        [](FontRenderer&, FontRenderer&) { return flare(24, kWhite, kGold, 0); });
    add("data\\tunnel_bigflare.tga", 128, 128, F::Tga,
        [](FontRenderer&, FontRenderer&) { return flare(128, kWhite, kCyan, 6); });
    add("data\\flirp_tmap.jpg", 256, 256, F::Jpeg, [](FontRenderer&, FontRenderer&) { return flirpTexture(); });
    for (int i = 1; i <= 3; ++i) {
        add("data\\flirp_fp" + std::to_string(i) + ".jpg", 640, 320, F::Jpeg,
            [i](FontRenderer& b, FontRenderer& r) { return flirpOverlay(b, r, i); });
    }
    add("data\\meta_emap.jpg", 256, 256, F::Jpeg, [](FontRenderer&, FontRenderer&) { return metaballsMap(); });
    add("data\\meta_bkgr.jpg", 640, 320, F::Jpeg, [](FontRenderer&, FontRenderer&) { return nebula(9, 0.55f); });
    add("data\\meta_flare.tga", 24, 24, F::Tga,
        [](FontRenderer&, FontRenderer&) { return flare(24, kWhite, kViolet, 4); });
    add("data\\water_bkgr.jpg", 640, 320, F::Jpeg, [](FontRenderer& b, FontRenderer&) { return waterFloor(b); });
    add("data\\cube_tmap.jpg", 256, 256, F::Jpeg, [](FontRenderer& b, FontRenderer&) { return cubeTexture(b); });
    add("data\\cube_bkgr.jpg", 256, 256, F::Jpeg, [](FontRenderer&, FontRenderer&) { return cubeBackground(); });
    add("data\\klam_tmap.jpg", 256, 256, F::Jpeg, [](FontRenderer&, FontRenderer&) { return klamTexture(); });
    add("data\\klam_flare.tga", 32, 32, F::Tga,
        [](FontRenderer&, FontRenderer&) { return flare(32, kWhite, kGold, 4); });
    return list;
}
