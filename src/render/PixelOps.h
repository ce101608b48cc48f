#pragma once
// Whole-image and sprite operations on 32-bit Bitmaps: fades, additive sprites, lines, the grid mapper and
// the water routines. Each runs through the active kernels (SIMD where available, see PixelKernels.h).

#include <cstdint>

class Bitmap;
class GridMap;

// Every pixel: per-byte saturating add of (r, g, b) (low 8 bits each), all four bytes alike. Only 32-bit
// Bitmaps; each row is processed in width / 4 groups of 4 pixels, the 1 to 3 pixels after the last
// whole group are left as they are (a width below 4 changes nothing).
void addColor(Bitmap& image, int r, int g, int b);
// As addColor with a per-byte saturating subtract.
void subtractColor(Bitmap& image, int r, int g, int b);

// Adds `source` modulated by (r, g, b) ((byte x colour byte) >> 8) into `target` with its top-left corner
// at (x, y), truncated toward zero; clipped to the target. Empty or non-32-bit images and non-finite or
// huge (beyond +-2^30) positions draw nothing.
void blitAdd(const Bitmap& source, Bitmap& target, float x, float y, int r, int g, int b);
// As blitAdd with the whole sprite scaled to w x h pixels (nearest texel, 16.16 steps). Nothing is drawn
// for w < 1 or h < 1 (or not a number).
void blitScaledAdd(const Bitmap& source, Bitmap& target, float x, float y, float w, float h, int r, int g, int b);

// Adds an antialiased line of (r, g, b) to the 32-bit `target`; everything within 2 pixels of the border
// is left alone. Lines brighten what they cross and never darken it.
void drawLine(Bitmap& target, float x0, float y0, float x1, float y1, int r, int g, int b);

// Fills `target` with a colour made of three successive values of the shared generator (red, green, blue,
// each masked to 8 bits; always exactly three calls), then draws the grid's lit, texture-mapped 16 x 16
// blocks over it, clipped to the target. Without a 32-bit texture of at least 256 x 256 only the fill is
// drawn.
void drawGrid(const GridMap& grid, Bitmap& target);

// Offset tables of the water routines: entry 2048 + d stands for a displacement d, clamped to the picture.
struct WaterTables {
    int32_t rows[4096];    // picture pitch x clamp(i - 2048, 0, height - 1), in bytes
    int32_t columns[4096]; // 4 x clamp(i - 2048, 0, width - 1), in bytes
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
};
// Builds the tables for a width x height area of `picture` (32-bit, at least that large; otherwise the
// tables stay empty and renderWater draws nothing).
void buildWaterTables(WaterTables& tables, int32_t width, int32_t height, const Bitmap& picture);
// Draws the refracted, highlighted picture into rows 1 .. height - 2 and columns 1 .. width - 1 of
// `target`, from `heights` (width x height signed heights, row by row). The picture must be the one the
// tables were built for; the target must be at least width x height.
void renderWater(const WaterTables& tables, const Bitmap& picture, Bitmap& target, const int16_t* heights,
                 int32_t width, int32_t height);
// One simulation step over the inner cells: previous[i] = n - (n >> shift) with n = (sum of the eight
// neighbours of current[i]) / 4 - previous[i] (arithmetic shifts), kept as its low 16 bits. The border
// cells are not touched. The caller swaps the buffers after each step.
void stepWater(const int16_t* current, int16_t* previous, int32_t width, int32_t height, int32_t shift);
