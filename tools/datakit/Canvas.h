#pragma once
// A floating-point RGB picture for drawing the show's pictures (values 0..1, clamped on output).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

inline Rgb operator+(Rgb a, Rgb b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb operator*(Rgb a, float k)
{
    return {a.r * k, a.g * k, a.b * k};
}
inline Rgb operator*(Rgb a, Rgb b)
{
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
inline Rgb mix(Rgb a, Rgb b, float t)
{
    return a * (1.0f - t) + b * t;
}
// 0xRRGGBB as a colour.
inline Rgb hex(uint32_t rgb)
{
    return {static_cast<float>((rgb >> 16) & 0xFF) / 255.0f, static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
            static_cast<float>(rgb & 0xFF) / 255.0f};
}

// The show's palette: a frozen night with aurora light and gold sparks.
inline const Rgb kNight = hex(0x07061A);
inline const Rgb kIndigo = hex(0x1D1550);
inline const Rgb kViolet = hex(0x6A2C9A);
inline const Rgb kRose = hex(0xC23C8C);
inline const Rgb kCyan = hex(0x2FD4E0);
inline const Rgb kIce = hex(0xBFF6FF);
inline const Rgb kGold = hex(0xFFB347);

inline float clamp01(float v)
{
    return std::clamp(v, 0.0f, 1.0f);
}

// A single-channel coverage or height field of the same shape as a Canvas.
class Mask {
public:
    Mask() = default;
    Mask(int32_t width, int32_t height)
        : m_width(width), m_height(height), m_values(static_cast<size_t>(width * height), 0.0f)
    {}
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    float& at(int32_t x, int32_t y) { return m_values[static_cast<size_t>(y * m_width + x)]; }
    float at(int32_t x, int32_t y) const { return m_values[static_cast<size_t>(y * m_width + x)]; }
    // 0 outside.
    float get(int32_t x, int32_t y) const { return x < 0 || y < 0 || x >= m_width || y >= m_height ? 0.0f : at(x, y); }
    // Box blur of the given radius, three passes (close to a Gaussian); `wrap` treats the edges as joined.
    void blur(int32_t radius, bool wrap = false);

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    std::vector<float> m_values;
};

class Canvas {
public:
    Canvas(int32_t width, int32_t height)
        : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width * height))
    {}
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    Rgb& at(int32_t x, int32_t y) { return m_pixels[static_cast<size_t>(y * m_width + x)]; }
    Rgb at(int32_t x, int32_t y) const { return m_pixels[static_cast<size_t>(y * m_width + x)]; }
    // Nearest texel with wrap-around.
    Rgb wrapped(int32_t x, int32_t y) const;

    // Adds `colour` x coverage of the mask placed with its top-left at (x, y).
    void addMask(const Mask& mask, int32_t x, int32_t y, Rgb colour);
    // Blends towards `colour` by the mask's coverage.
    void paintMask(const Mask& mask, int32_t x, int32_t y, Rgb colour);
    // Adds a soft round glow: colour x (1 - d / radius)^falloff inside the radius.
    void addGlow(float cx, float cy, float radius, Rgb colour, float falloff = 2.0f);
    void blur(int32_t radius, bool wrap = false);

    // Bytes R, G, B per pixel, top row first, each channel clamped and rounded.
    std::vector<uint8_t> rgb8() const;

private:
    int32_t m_width;
    int32_t m_height;
    std::vector<Rgb> m_pixels;
};
