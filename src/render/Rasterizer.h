#pragma once
// Scanline filler for sorted, textured screen-space triangles, and the radix pass that sorts them.
// The target is module state set by setupRasterizer; used from the frame loop's thread only.

#include <cstdint>

// One corner: screen row and column, then six attribute slots (u in slot 0, v in slot 1, in texels).
struct RasterVertex {
    float y = 0;
    float x = 0;
    float attributes[6] = {};
};

struct TriangleParams {
    enum : int32_t {
        ModeTextured = 0x1,    // the texel
        ModeTexturedLit = 0x41 // per byte: min(255, ((texel x colour) >> 8) + ambient)
    };
    RasterVertex vertices[3];
    int32_t textureDepth = 32; // bits per texel; only 32 is drawn
    int32_t mode = ModeTextured;
    uint32_t colour = 0;               // 0x00RRGGBB, mode 0x41
    uint32_t ambient = 0;              // 0x00RRGGBB, mode 0x41
    uint32_t* destination = nullptr;   // pixel 0 of row 0; rows are `width` pixels apart
    const uint32_t* texture = nullptr; // 256 x 256 texels, rows 256 texels apart
};

// Sets the target to width x height pixels (pitch = width x 4 bytes). Returns 1, or 0 for a size outside
// 1..768 rows or a width below 1 (nothing is drawn until a valid setup).
int setupRasterizer(int32_t width, int32_t height, int32_t bitsPerPixel);

// Fills one triangle. Rows are rounded with R(a) = nearest integer to a + 0.5, halves to even; a row's
// span covers columns R(xl) .. R(xr) - 1. Row 0 and column width - 1 are never drawn. Triangles with
// non-finite values, no texture or destination, a texture depth other than 32 or an unknown mode are
// skipped.
void drawTriangle(const TriangleParams& triangle);

// A record of the sort: two payload words and the key.
struct RadixRecord {
    int32_t a;
    int32_t b;
    int32_t key;
};

// One stable counting-sort pass by the byte (key >> shift) & 255 (arithmetic shift), ascending. `input`
// and `output` must not overlap. Over several passes a negative key sorts after every non-negative one
// (its top byte is 0x80..0xff): callers keep their keys non-negative.
void radixPass(int32_t shift, int32_t count, const RadixRecord* input, RadixRecord* output);
