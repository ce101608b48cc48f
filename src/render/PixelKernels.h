#pragma once
// The hot loops behind PixelOps: a scalar reference set, an SSE2 set and an AVX2 set with identical results,
// one of them chosen once at start-up: AVX2 where the processor has it, else SSE2 (scalarKernelsOnly() picks
// the scalar set).

#include <cstddef>
#include <cstdint>

struct WaterTables;

// One block of the grid mapper, all in 16.16: u, v (texels) and light (x 16384) at the block's left and
// right edges on its top row, and the steps of both edges per row.
struct GridEdges {
    int32_t lu, lv, ll, ru, rv, rl;
    int32_t dlu, dlv, dll, dru, drv, drl;

    // Moves both edges down one row.
    void stepRow()
    {
        lu += dlu;
        lv += dlv;
        ll += dll;
        ru += dru;
        rv += drv;
        rl += drl;
    }
};

struct PixelKernels {
    const char* name;
    // Per-byte saturating add / subtract of `colour` over `groups` groups of 4 pixels of each row.
    void (*addColor)(uint8_t* pixels, int32_t groups, int32_t rows, ptrdiff_t pitch, uint32_t colour);
    void (*subtractColor)(uint8_t* pixels, int32_t groups, int32_t rows, ptrdiff_t pitch, uint32_t colour);
    // dst[k] = saturating add of dst[k] and (src[k] byte x colour byte) >> 8, k = 0 .. count - 1.
    void (*blitRow)(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t colour);
    // As blitRow, reading src[(k x step) >> 16] (64-bit product).
    void (*blitScaledRow)(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t step, uint32_t colour);
    // One lit, texture-mapped span of the grid mapper: texel (v >> 16 & 255, u >> 16 & 255), u += du,
    // v += dv (32-bit wrap); brightness b, b = b + db with signed 16-bit saturation; each texel byte t
    // becomes clamp((2t x b) >> 16, 0, 255).
    void (*gridSpan)(uint32_t* dst, const uint32_t* texture, ptrdiff_t texturePitch, int32_t count, uint32_t u,
                     uint32_t du, uint32_t v, uint32_t dv, int16_t b, int16_t db);
    // A block of `rows` spans of `columns` pixels, rows `pitch` pixels apart: span r runs from the left
    // edge to the right one in 16 steps ((right - left) >> 4 each), brightness (left light >> 9) and step
    // (light step >> 9) as signed 16 bits; then both edges take their row steps.
    void (*gridBlock)(uint32_t* dst, ptrdiff_t pitch, const uint32_t* texture, ptrdiff_t texturePitch, int32_t columns,
                      int32_t rows, GridEdges edges);
    // One lit span of the rasterizer over a 256 x 256 texture: texel ((v >> 8) & 0xff00) | ((u >> 16) & 255),
    // u += du, v += dv (32-bit wrap); each byte becomes min(255, ((texel x colour) >> 8) + ambient).
    void (*litSpan)(uint32_t* dst, const uint32_t* texture, int32_t count, uint32_t u, uint32_t du, uint32_t v,
                    uint32_t dv, uint32_t colour, uint32_t ambient);
    // One row y of renderWater: output columns 1 .. width - 1 from heights[y x width + k], k = 0 .. width - 2.
    void (*waterRow)(const WaterTables& tables, const uint8_t* picture, uint32_t* dstRow, const int16_t* heights,
                     int32_t width, int32_t y);
    // One row of stepWater: cells 1 .. width - 2 of the row starting at index rowStart.
    void (*stepRow)(const int16_t* current, int16_t* previous, ptrdiff_t rowStart, int32_t width, int32_t shift);
};

const PixelKernels& scalarPixelKernels();
// The SSE2 set, or null where the build has none.
const PixelKernels* sse2PixelKernels();
// The AVX2 set (the SSE2 one with its widest loops eight pixels wide), or null where the build or the
// processor has none.
const PixelKernels* avx2PixelKernels();
// The set in use: AVX2, else SSE2, unless forced to scalar.
const PixelKernels& pixelKernels();
// Puts `set` in use (tests and benchmarks compare the sets); null restores the start-up choice.
void usePixelKernels(const PixelKernels* set);
