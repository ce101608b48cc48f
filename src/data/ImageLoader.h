#pragma once
// The picture decoders behind Bitmap::load; each reads a PackFile and fills a 32-bit Bitmap.

#include <cstdint>

class Bitmap;

// Largest picture accepted, checked before anything is allocated (the show needs 640 x 480).
constexpr int64_t kMaxImagePixels = int64_t(1) << 24;

// Each returns 1 with `image` in format 1 (pitch 4 x width, rows top to bottom), or 0 with it empty.
int loadJpeg(Bitmap& image, const char* fileName);
int loadTga(Bitmap& image, const char* fileName);
int loadBmp(Bitmap& image, const char* fileName);
