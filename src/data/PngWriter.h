#pragma once
// Writes 32-bit Bitmaps as PNG files, deflated by zlib at its fastest level.

#include <cstdint>
#include <string>
#include <vector>

class Bitmap;

// RGB from each 0x00RRGGBB pixel; with `alpha` the top byte becomes the alpha channel.
std::vector<uint8_t> encodePng(const Bitmap& image, bool alpha = false);
// Returns true when the whole file was written.
bool writePng(const std::string& path, const Bitmap& image, bool alpha = false);
