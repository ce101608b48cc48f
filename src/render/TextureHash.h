#pragma once
// Tells pictures apart for texture registration.

#include <cstdint>

class Bitmap;

// A hash of every pixel byte of `picture` (row by row, width x bytes per pixel per row, so a view hashes
// only its own pixels) followed by its width and height. Equal pictures hash alike; 0 for no pixels.
uint32_t pictureHash(const Bitmap& picture);
