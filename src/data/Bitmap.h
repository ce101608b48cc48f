#pragma once
// The one pixel-image type: pictures, the back buffer, textures, work buffers and views into them.

#include <cstddef>
#include <cstdint>
#include <memory>

class Bitmap {
public:
    // Pixel format codes.
    enum : int32_t {
        FormatNone = 0,
        FormatXrgb32 = 1, // 32-bit word 0x00RRGGBB; bytes B, G, R, 0 in memory
        FormatRgb565 = 2, // 16-bit word: red 11..15, green 5..10, blue 0..4
        FormatGrey8 = 3,  // one grey byte
        FormatRgb24 = 4,  // bytes R, G, B
    };
    static int32_t bytesPerPixel(int32_t format);

    Bitmap() = default;
    // An owned, zeroed image; pitch = width x bytes per pixel.
    Bitmap(int32_t width, int32_t height, int32_t format) { create(width, height, format); }
    // Loads a picture by archive name; on failure the Bitmap is empty (null pixels, all fields 0).
    explicit Bitmap(const char* fileName) { load(fileName); }
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap() = default;

    // A view of the rectangle at (x, y) of `parent`, clipped to it, sharing its pixels; x counts pixels.
    // Nothing left after clipping gives an empty Bitmap.
    // It keeps the parent's pitch and format, owns nothing and must not outlive the parent.
    static Bitmap view(const Bitmap& parent, int32_t x, int32_t y, int32_t width, int32_t height);

    // Replaces the contents with an owned, zeroed image. Returns 1, or 0 (empty) for a bad size or format.
    int create(int32_t width, int32_t height, int32_t format);
    // Replaces the contents with a picture from the archive (or plain file). Returns 1, or 0 (empty).
    int load(const char* fileName);
    // Frees an owned block; a view just forgets its pixels. Harmless twice.
    void destroy();

    uint8_t* pixels() const { return m_pixels; }
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    int32_t pitch() const { return m_pitch; }
    int32_t format() const { return m_format; }
    bool ownsPixels() const { return m_block != nullptr; }
    uint32_t* row32(int32_t y) const
    {
        return reinterpret_cast<uint32_t*>(m_pixels + static_cast<ptrdiff_t>(y) * m_pitch);
    }
    uint8_t* row(int32_t y) const { return m_pixels + static_cast<ptrdiff_t>(y) * m_pitch; }

    // Format 1 only: writes 0x00RRGGBB into height x pitch / 4 consecutive words from the first pixel
    // (whole rows of a view's parent), never past the parent's block. Other formats are unchanged.
    void fill(int red, int green, int blue);
    // Converts in place to format 1 (from 3 or 4) or 2 (from 1). 1 = done or already, 0 = refused.
    int convert(int32_t target);
    // Rescales an owned image in place by nearest neighbour. 1 = done, 0 = nothing to do or a view.
    int resize(int32_t width, int32_t height);
    // Reads every pixel of a 32-bit image once; the checksum only keeps the reads alive.
    uint32_t touch() const;

private:
    std::unique_ptr<uint8_t[]> m_block; // owned pixels, or null for a view or an empty Bitmap
    uint8_t* m_pixels = nullptr;
    uint8_t* m_end = nullptr; // one past the last byte of the (parent's) block
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_pitch = 0;
    int32_t m_format = FormatNone;

    void adopt(std::unique_ptr<uint8_t[]> block, size_t size, int32_t width, int32_t height, int32_t format);
};
