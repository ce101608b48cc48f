#include "render/TextureHash.h"

#include "data/Bitmap.h"

namespace {

// One step of the hash: rotate (h ^ word) left by one; when the new low bit is 0, mix in a constant.
uint32_t hashStep(uint32_t h, uint32_t word)
{
    h ^= word;
    h = (h << 1) | (h >> 31);
    if ((h & 1) == 0)
        h ^= 0x1FACE412u;
    return h;
}

} // namespace

uint32_t pictureHash(const Bitmap& picture)
{
    if (!picture.pixels() || picture.width() <= 0 || picture.height() <= 0)
        return 0;
    const int32_t rowBytes = picture.width() * Bitmap::bytesPerPixel(picture.format());
    uint32_t h = 0;
    for (int32_t y = 0; y < picture.height(); ++y) {
        const uint8_t* row = picture.row(y);
        uint32_t word = 0;
        int32_t filled = 0;
        for (int32_t i = 0; i < rowBytes; ++i) {
            word |= uint32_t(row[i]) << (8 * filled);
            if (++filled == 4) {
                h = hashStep(h, word);
                word = 0;
                filled = 0;
            }
        }
        if (filled)
            h = hashStep(h, word);
    }
    h = hashStep(h, uint32_t(picture.width()));
    return hashStep(h, uint32_t(picture.height()));
}
