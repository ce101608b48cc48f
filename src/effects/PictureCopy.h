#pragma once
// The block copy of a background into a picture of the effects.

#include "data/Bitmap.h"

#include <algorithm>
#include <cstring>

// Copies the smaller of the two pictures' rows and row bytes, row by row; without source pixels the target
// turns black, so a missing background never leaves the previous frame behind.
inline void copyPicture(const Bitmap& source, Bitmap& target)
{
    if (!target.pixels())
        return;
    if (!source.pixels()) {
        target.fill(0, 0, 0);
        return;
    }
    const int32_t rows = std::min(source.height(), target.height());
    const size_t bytes = size_t(std::min(source.pitch(), target.pitch()));
    for (int32_t y = 0; y < rows; ++y)
        std::memcpy(target.row(y), source.row(y), bytes);
}
