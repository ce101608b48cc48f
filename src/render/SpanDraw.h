#pragma once
// Drawing one span of the span buffer into a row of 32-bit pixels.

#include <cstdint>

struct Span;
struct SpanKernels;

// Pixels per perspective segment of a textured span of n pixels: 8 if |dw x n| > 1.5, else 16 if it is
// > 0.8, else 64 (the product in float, compared with the double constants).
int32_t perspectiveSegmentLength(float dw, int32_t n);

// Draws columns span.x0 .. x1 of `span` (x1 <= span.x1) into `row` (the pixel of column 0) by its kind.
void drawSpan(const Span& span, int32_t x1, uint32_t* row, const SpanKernels& kernels);
