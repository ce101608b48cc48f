#pragma once
// One node of a row list of the span buffer: columns x0 .. x1 drawn one way, with its depth line.

#include <cstdint>

class Bitmap;

// What a span draws (its `kind`).
enum SpanKind : int32_t {
    SpanFlat = 1,              // every pixel = colour
    SpanGouraud = 4,           // r, g, b stepped across the span
    SpanTextured = 0x82,       // perspective-correct texture
    SpanTexturedShaded = 0x86, // perspective-correct texture times the Gouraud colour
    SpanSkip = 0xffff,         // pixels left as they are
};
// Bit of SpanTextured and SpanTexturedShaded.
constexpr int32_t kSpanKindTextureBit = 0x80;

// Which values a span carries (its `attributes`).
enum SpanAttribute : int32_t {
    SpanAttrBase = 0x1,    // always set
    SpanAttrColour = 0x2,  // r, g, b and their changes
    SpanAttrTexture = 0x8, // uw, vw and their changes
};

// The values w, r, g, b, uw, vw hold at column `origin`, the first column of the polygon's row span; cutting
// a span only moves x0 and x1, so every piece of a polygon's row evaluates its depth and colours from the same
// start and step wherever it was cut, and a cut never changes a pixel or a depth comparison.
struct Span {
    int32_t x0 = 0, x1 = 0;      // first and last column, inclusive
    int32_t origin = 0;          // column of the values below, <= x0
    float w = 0;                 // 1/z at origin
    int32_t r = 0, g = 0, b = 0; // colour at origin, 0..255 (with SpanAttrColour)
    float uw = 0, vw = 0;        // (u + 0.5)/z and (v + 0.5)/z at origin (with SpanAttrTexture)
    float dw = 0;                // change of w per column
    float dr = 0, dg = 0, db = 0;
    float duw = 0, dvw = 0;
    uint32_t colour = 0; // 0x00RRGGBB (SpanFlat)
    int32_t kind = SpanSkip;
    int32_t attributes = SpanAttrBase;
    const Bitmap* texture = nullptr; // 256 x 256, 32 bits (textured kinds)
    Span* next = nullptr;
    Span* previous = nullptr;
};

// w of span `s` at column x, in float, the one way every depth comparison and drawing evaluates it.
inline float depthAt(const Span& s, int32_t x)
{
    return s.w + s.dw * float(x - s.origin);
}
