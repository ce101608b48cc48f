#include "data/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
// Largest image accepted by create: far beyond any picture of the show, small enough that
// width x height x 4 cannot overflow.
constexpr int64_t kMaxPixels = int64_t(1) << 26;

bool sizeOk(int32_t width, int32_t height)
{
    return width > 0 && height > 0 && int64_t(width) * height <= kMaxPixels;
}
} // namespace

int32_t Bitmap::bytesPerPixel(int32_t format)
{
    switch (format) {
    case FormatXrgb32: return 4;
    case FormatRgb565: return 2;
    case FormatGrey8: return 1;
    case FormatRgb24: return 3;
    default: return 0;
    }
}

Bitmap::Bitmap(Bitmap&& other) noexcept
{
    *this = std::move(other);
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept
{
    if (this != &other) {
        m_block = std::move(other.m_block);
        m_pixels = std::exchange(other.m_pixels, nullptr);
        m_end = std::exchange(other.m_end, nullptr);
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
        m_pitch = std::exchange(other.m_pitch, 0);
        m_format = std::exchange(other.m_format, FormatNone);
    }
    return *this;
}

Bitmap Bitmap::view(const Bitmap& parent, int32_t x, int32_t y, int32_t width, int32_t height)
{
    Bitmap v;
    // Clipped to the parent, so no part of a view lies outside the pixels it shares.
    const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t(x) + width, parent.m_width);
    const int64_t bottom = std::min<int64_t>(int64_t(y) + height, parent.m_height);
    if (!parent.m_pixels || right <= left || bottom <= top)
        return v;
    v.m_pixels = parent.m_pixels + static_cast<ptrdiff_t>(top) * parent.m_pitch +
                 static_cast<ptrdiff_t>(left) * bytesPerPixel(parent.m_format);
    v.m_end = parent.m_end;
    v.m_width = int32_t(right - left);
    v.m_height = int32_t(bottom - top);
    v.m_pitch = parent.m_pitch;
    v.m_format = parent.m_format;
    return v;
}

void Bitmap::adopt(std::unique_ptr<uint8_t[]> block, size_t size, int32_t width, int32_t height, int32_t format)
{
    m_block = std::move(block);
    m_pixels = m_block.get();
    m_end = m_pixels + size;
    m_width = width;
    m_height = height;
    m_pitch = width * bytesPerPixel(format);
    m_format = format;
}

int Bitmap::create(int32_t width, int32_t height, int32_t format)
{
    destroy();
    const int32_t bpp = bytesPerPixel(format);
    if (!bpp || !sizeOk(width, height))
        return 0;
    const size_t size = size_t(width) * size_t(height) * size_t(bpp);
    adopt(std::make_unique<uint8_t[]>(size), size, width, height, format); // value-initialised: zero
    return 1;
}

void Bitmap::destroy()
{
    m_block.reset();
    m_pixels = m_end = nullptr;
    m_width = m_height = m_pitch = 0;
    m_format = FormatNone;
}

void Bitmap::fill(int red, int green, int blue)
{
    if (m_format != FormatXrgb32 || !m_pixels || m_height <= 0 || m_pitch <= 0)
        return;
    const uint32_t colour = (uint32_t(red & 255) << 16) | (uint32_t(green & 255) << 8) | uint32_t(blue & 255);
    size_t words = size_t(m_height) * size_t(m_pitch) / 4;
    // A view's last rows may reach past its parent's block when it starts right of column 0.
    words = std::min(words, size_t(m_end - m_pixels) / 4);
    auto* p = reinterpret_cast<uint32_t*>(m_pixels);
    std::fill(p, p + words, colour);
}

int Bitmap::convert(int32_t target)
{
    if (target == m_format)
        return 1;
    if (!m_block)
        return 0; // empty images and views are never converted
    const size_t count = size_t(m_width) * size_t(m_height);
    const uint8_t* src = m_pixels;
    if (target == FormatXrgb32 && (m_format == FormatGrey8 || m_format == FormatRgb24)) {
        auto block = std::make_unique<uint8_t[]>(count * 4);
        auto* dst = reinterpret_cast<uint32_t*>(block.get());
        if (m_format == FormatGrey8) {
            for (size_t i = 0; i < count; ++i)
                dst[i] = uint32_t(src[i]) * 0x010101u;
        } else {
            for (size_t i = 0; i < count; ++i, src += 3)
                dst[i] = (uint32_t(src[0]) << 16) | (uint32_t(src[1]) << 8) | src[2];
        }
        adopt(std::move(block), count * 4, m_width, m_height, FormatXrgb32);
        return 1;
    }
    if (target == FormatRgb565 && m_format == FormatXrgb32) {
        auto block = std::make_unique<uint8_t[]>(count * 2);
        auto* dst = reinterpret_cast<uint16_t*>(block.get());
        const auto* s = reinterpret_cast<const uint32_t*>(src);
        for (size_t i = 0; i < count; ++i) {
            const uint32_t r = (s[i] >> 16) & 255, g = (s[i] >> 8) & 255, b = s[i] & 255;
            dst[i] = uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
        }
        adopt(std::move(block), count * 2, m_width, m_height, FormatRgb565);
        return 1;
    }
    return 0;
}

int Bitmap::resize(int32_t width, int32_t height)
{
    if (!m_block || (width == m_width && height == m_height) || !sizeOk(width, height))
        return 0;
    const int32_t bpp = bytesPerPixel(m_format);
    const size_t size = size_t(width) * size_t(height) * size_t(bpp);
    auto block = std::make_unique<uint8_t[]>(size);
    for (int32_t i = 0; i < height; ++i) {
        const uint8_t* srcRow = row(int32_t(int64_t(i) * m_height / height));
        uint8_t* dstRow = block.get() + size_t(i) * size_t(width) * size_t(bpp);
        for (int32_t j = 0; j < width; ++j) {
            const int32_t sx = int32_t(int64_t(j) * m_width / width);
            std::memcpy(dstRow + size_t(j) * bpp, srcRow + size_t(sx) * bpp, size_t(bpp));
        }
    }
    adopt(std::move(block), size, width, height, m_format);
    return 1;
}

uint32_t Bitmap::touch() const
{
    if (!m_pixels || m_format != FormatXrgb32)
        return 0;
    uint32_t sum = 0;
    for (int32_t y = 0; y < m_height; ++y) {
        const uint32_t* p = row32(y);
        for (int32_t x = 0; x < m_width; ++x)
            sum += p[x];
    }
    return sum;
}
