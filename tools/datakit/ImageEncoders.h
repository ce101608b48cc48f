#pragma once
// Encodes Canvas pictures as the files the effects load: baseline JPEG and uncompressed 24-bit TGA.

#include "Canvas.h"

#include <cstdint>
#include <vector>

// Baseline JPEG, RGB, at a fixed quality (1..100); empty on failure.
std::vector<uint8_t> encodeJpeg(const Canvas& picture, int quality);
// Uncompressed true-colour TGA, 24 bits (B, G, R), rows stored bottom-up.
std::vector<uint8_t> encodeTga(const Canvas& picture);
