#include "Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// One box pass over `count` values spaced `stride` apart.
void boxPass(float* values, int32_t count, int32_t stride, int32_t radius, bool wrap, std::vector<float>& scratch)
{
    scratch.assign(static_cast<size_t>(count), 0.0f);
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    auto value = [&](int32_t i) {
        if (wrap) {
            i = ((i % count) + count) % count;
        } else if (i < 0 || i >= count) {
            return 0.0f;
        }
        return values[static_cast<std::ptrdiff_t>(i) * stride];
    };
    double sum = 0.0; // a running sum: double keeps its drift far below a grey level
    for (int32_t i = -radius; i <= radius; ++i) {
        sum += value(i);
    }
    for (int32_t i = 0; i < count; ++i) {
        scratch[static_cast<size_t>(i)] = static_cast<float>(sum) * scale;
        sum += value(i + radius + 1) - value(i - radius);
    }
    for (int32_t i = 0; i < count; ++i) {
        values[static_cast<std::ptrdiff_t>(i) * stride] = scratch[static_cast<size_t>(i)];
    }
}

void blurPlane(float* values, int32_t width, int32_t height, int32_t channels, int32_t radius, bool wrap)
{
    if (radius < 1) {
        return;
    }
    std::vector<float> scratch;
    for (int pass = 0; pass < 3; ++pass) {
        for (int32_t c = 0; c < channels; ++c) {
            for (int32_t y = 0; y < height; ++y) {
                boxPass(values + static_cast<std::ptrdiff_t>(y) * width * channels + c, width, channels, radius, wrap,
                        scratch);
            }
            for (int32_t x = 0; x < width; ++x) {
                boxPass(values + static_cast<std::ptrdiff_t>(x) * channels + c, height, width * channels, radius, wrap,
                        scratch);
            }
        }
    }
}

} // namespace

void Mask::blur(int32_t radius, bool wrap)
{
    blurPlane(m_values.data(), m_width, m_height, 1, radius, wrap);
}

Rgb Canvas::wrapped(int32_t x, int32_t y) const
{
    x = ((x % m_width) + m_width) % m_width;
    y = ((y % m_height) + m_height) % m_height;
    return at(x, y);
}

void Canvas::addMask(const Mask& mask, int32_t x, int32_t y, Rgb colour)
{
    for (int32_t j = 0; j < mask.height(); ++j) {
        for (int32_t i = 0; i < mask.width(); ++i) {
            const int32_t px = x + i;
            const int32_t py = y + j;
            if (px >= 0 && py >= 0 && px < m_width && py < m_height) {
                at(px, py) = at(px, py) + colour * mask.at(i, j);
            }
        }
    }
}

void Canvas::paintMask(const Mask& mask, int32_t x, int32_t y, Rgb colour)
{
    for (int32_t j = 0; j < mask.height(); ++j) {
        for (int32_t i = 0; i < mask.width(); ++i) {
            const int32_t px = x + i;
            const int32_t py = y + j;
            if (px >= 0 && py >= 0 && px < m_width && py < m_height) {
                at(px, py) = mix(at(px, py), colour, std::clamp(mask.at(i, j), 0.0f, 1.0f));
            }
        }
    }
}

void Canvas::addGlow(float cx, float cy, float radius, Rgb colour, float falloff)
{
    const int32_t x0 = std::max(0, static_cast<int32_t>(std::floor(cx - radius)));
    const int32_t x1 = std::min(m_width - 1, static_cast<int32_t>(std::ceil(cx + radius)));
    const int32_t y0 = std::max(0, static_cast<int32_t>(std::floor(cy - radius)));
    const int32_t y1 = std::min(m_height - 1, static_cast<int32_t>(std::ceil(cy + radius)));
    for (int32_t y = y0; y <= y1; ++y) {
        for (int32_t x = x0; x <= x1; ++x) {
            const float dx = static_cast<float>(x) + 0.5f - cx;
            const float dy = static_cast<float>(y) + 0.5f - cy;
            const float d = std::sqrt(dx * dx + dy * dy) / radius;
            if (d < 1.0f) {
                at(x, y) = at(x, y) + colour * std::pow(1.0f - d, falloff);
            }
        }
    }
}

void Canvas::blur(int32_t radius, bool wrap)
{
    std::vector<float> planes(m_pixels.size() * 3);
    for (size_t i = 0; i < m_pixels.size(); ++i) {
        planes[i * 3] = m_pixels[i].r;
        planes[i * 3 + 1] = m_pixels[i].g;
        planes[i * 3 + 2] = m_pixels[i].b;
    }
    blurPlane(planes.data(), m_width, m_height, 3, radius, wrap);
    for (size_t i = 0; i < m_pixels.size(); ++i) {
        m_pixels[i] = {planes[i * 3], planes[i * 3 + 1], planes[i * 3 + 2]};
    }
}

std::vector<uint8_t> Canvas::rgb8() const
{
    std::vector<uint8_t> out;
    out.reserve(m_pixels.size() * 3);
    for (const Rgb& p : m_pixels) {
        for (float v : {p.r, p.g, p.b}) {
            out.push_back(static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)));
        }
    }
    return out;
}
