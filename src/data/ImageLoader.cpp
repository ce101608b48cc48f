#include "data/ImageLoader.h"

#include "data/Bitmap.h"
#include "data/PackFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

uint16_t le16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool sizeAccepted(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width * height <= kMaxImagePixels;
}

uint32_t rgb(uint8_t r, uint8_t g, uint8_t b)
{
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

} // namespace

int Bitmap::load(const char* fileName)
{
    destroy();
    if (!fileName || !*fileName)
        return 0;
    // The decoder is chosen by the last letter alone: .tga, .jpg/.jpeg, .bmp.
    char last = fileName[std::strlen(fileName) - 1];
    if (last >= 'A' && last <= 'Z')
        last = char(last - 'A' + 'a');
    int ok = 0;
    if (last == 'a')
        ok = loadTga(*this, fileName);
    else if (last == 'g')
        ok = loadJpeg(*this, fileName);
    else if (last == 'p')
        ok = loadBmp(*this, fileName);
    if (!ok)
        destroy();
    return ok;
}

// Uncompressed TGA, colour-mapped (type 1) or true colour (type 2), stored bottom-up.
int loadTga(Bitmap& image, const char* fileName)
{
    image.destroy();
    PackFile file;
    if (!file.open(fileName))
        return 0;
    uint8_t h[18];
    if (file.read(h, sizeof h) != int32_t(sizeof h))
        return 0;
    const uint8_t idLength = h[0];
    const uint8_t imageType = h[2];
    if (imageType != 1 && imageType != 2)
        return 0;
    const int32_t mapFirst = int16_t(le16(h + 3));
    const int32_t mapLength = int16_t(le16(h + 5));
    const int32_t entryBytes = (h[7] + 7) / 8;
    const int32_t width = int16_t(le16(h + 12));
    const int32_t height = int16_t(le16(h + 14));
    const uint8_t depth = h[16];
    if (!sizeAccepted(width, height) || !image.create(width, height, Bitmap::FormatXrgb32))
        return 0;

    file.seek(int32_t(sizeof h) + idLength);
    // Entries outside the 256-entry palette are read and dropped; entries never set stay black.
    uint32_t palette[256] = {};
    uint8_t entry[32];
    for (int32_t i = 0; i < mapLength; ++i) {
        std::memset(entry, 0, sizeof entry);
        if (file.read(entry, entryBytes) <= 0 && entryBytes > 0)
            break;
        const int32_t index = mapFirst + i;
        if ((entryBytes == 3 || entryBytes == 4) && index >= 0 && index < 256)
            palette[index] = rgb(entry[2], entry[1], entry[0]);
    }

    const int32_t bytesPerPixel = depth == 8 ? 1 : depth == 24 ? 3 : depth == 32 ? 4 : 0;
    if (bytesPerPixel) {
        // Rows are taken as stored bottom-up, whatever the descriptor says; missing bytes read as zero.
        std::vector<uint8_t> row(size_t(width) * size_t(bytesPerPixel));
        for (int32_t k = 0; k < height; ++k) {
            std::fill(row.begin(), row.end(), uint8_t(0));
            if (file.read(row.data(), int32_t(row.size())) <= 0)
                break; // the rest stays as allocated: zero
            uint32_t* dst = image.row32(height - 1 - k);
            const uint8_t* src = row.data();
            for (int32_t x = 0; x < width; ++x, src += bytesPerPixel) {
                if (depth == 8)
                    dst[x] = palette[src[0]];
                else if (depth == 24)
                    dst[x] = rgb(src[2], src[1], src[0]);
                else
                    dst[x] = le32(src); // B, G, R, A: the alpha lands in the top byte
            }
        }
    }
    return 1;
}

// Uncompressed BMP with the 40-byte info header, 8, 24 or 32 bits, stored bottom-up.
int loadBmp(Bitmap& image, const char* fileName)
{
    image.destroy();
    PackFile file;
    if (!file.open(fileName))
        return 0;
    uint8_t h[54];
    if (file.read(h, sizeof h) != int32_t(sizeof h))
        return 0;
    const uint32_t dataOffset = le32(h + 10);
    const uint32_t infoSize = le32(h + 14);
    const int32_t width = int32_t(le32(h + 18));
    const int32_t height = int32_t(le32(h + 22));
    const uint16_t bitCount = le16(h + 28);
    const uint32_t compression = le32(h + 30);
    const uint32_t coloursUsed = le32(h + 46);
    if (infoSize != 40 || (bitCount != 8 && bitCount != 24 && bitCount != 32))
        return 0;
    // Height <= 0 would be a top-down file: not supported.
    if (!sizeAccepted(width, height))
        return 0;
    if (compression == 3 && bitCount == 32) {
        // Bit-field masks are fine when they describe the plain B, G, R, x layout.
        uint8_t masks[12];
        if (file.read(masks, sizeof masks) != int32_t(sizeof masks) || le32(masks) != 0x00FF0000u ||
            le32(masks + 4) != 0x0000FF00u || le32(masks + 8) != 0x000000FFu)
            return 0;
    } else if (compression != 0) {
        return 0; // run-length and other encodings
    }

    uint32_t palette[256] = {};
    if (bitCount == 8) {
        // The palette holds the stored number of colours, 0 meaning all 256.
        const uint32_t colours = coloursUsed == 0 || coloursUsed > 256 ? 256 : coloursUsed;
        uint8_t entries[256 * 4] = {};
        file.seek(int32_t(sizeof h));
        file.read(entries, int32_t(colours * 4));
        for (uint32_t i = 0; i < colours; ++i)
            palette[i] = rgb(entries[4 * i + 2], entries[4 * i + 1], entries[4 * i]);
    }
    if (!image.create(width, height, Bitmap::FormatXrgb32))
        return 0;

    // Pixel data starts at its stored offset; each row is padded to a multiple of 4 bytes.
    const int32_t bytesPerPixel = bitCount / 8;
    const size_t rowBytes = (size_t(width) * size_t(bytesPerPixel) + 3) & ~size_t(3);
    std::vector<uint8_t> row(rowBytes);
    file.seek(dataOffset > uint32_t(INT32_MAX) ? INT32_MAX : int32_t(dataOffset));
    for (int32_t k = 0; k < height; ++k) {
        std::fill(row.begin(), row.end(), uint8_t(0));
        if (file.read(row.data(), int32_t(rowBytes)) <= 0)
            break; // short pixel data: the remaining rows stay zero
        uint32_t* dst = image.row32(height - 1 - k);
        const uint8_t* src = row.data();
        for (int32_t x = 0; x < width; ++x, src += bytesPerPixel) {
            if (bitCount == 8)
                dst[x] = palette[src[0]];
            else if (bitCount == 24)
                dst[x] = rgb(src[2], src[1], src[0]);
            else
                dst[x] = le32(src); // taken as stored, the fourth byte included
        }
    }
    return 1;
}
