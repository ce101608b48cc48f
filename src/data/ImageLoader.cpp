#include "data/ImageLoader.h"

#include "data/Bitmap.h"
#include "data/ByteReader.h"
#include "data/PackFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool sizeAccepted(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width * height <= kMaxImagePixels;
}

uint32_t rgb(uint8_t r, uint8_t g, uint8_t b)
{
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

// One stored row of 8-bit indices, 24-bit B, G, R or 32-bit B, G, R, x (taken as stored: the fourth byte
// lands in the top byte) into `width` XRGB pixels.
void storeRow(uint32_t* dst, int32_t width, const std::vector<uint8_t>& row, int depth, const uint32_t* palette)
{
    ByteReader pixels(row.data(), row.size());
    uint8_t b, g, r;
    uint32_t stored;
    for (int32_t x = 0; x < width; ++x) {
        if (depth == 8) {
            pixels.u8(b);
            dst[x] = palette[b];
        } else if (depth == 24) {
            pixels.u8(b);
            pixels.u8(g);
            pixels.u8(r);
            dst[x] = rgb(r, g, b);
        } else {
            pixels.u32le(stored);
            dst[x] = stored;
        }
    }
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
    ByteReader header(h, sizeof h);
    uint8_t idLength, imageType, entryBits, depth;
    int16_t mapFirst, mapLength, width, height;
    header.u8(idLength);
    header.skip(1); // colour map type
    header.u8(imageType);
    header.i16le(mapFirst);
    header.i16le(mapLength);
    header.u8(entryBits);
    header.skip(4); // origin
    header.i16le(width);
    header.i16le(height);
    header.u8(depth);
    if (imageType != 1 && imageType != 2)
        return 0;
    const int32_t entryBytes = (entryBits + 7) / 8;
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
            storeRow(image.row32(height - 1 - k), width, row, depth, palette);
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
    ByteReader header(h, sizeof h);
    uint32_t dataOffset, infoSize, compression, coloursUsed;
    int32_t width, height;
    uint16_t bitCount;
    header.seek(10);
    header.u32le(dataOffset);
    header.u32le(infoSize);
    header.i32le(width);
    header.i32le(height);
    header.skip(2); // planes
    header.u16le(bitCount);
    header.u32le(compression);
    header.seek(46);
    header.u32le(coloursUsed);
    if (infoSize != 40 || (bitCount != 8 && bitCount != 24 && bitCount != 32))
        return 0;
    // Height <= 0 would be a top-down file: not supported.
    if (!sizeAccepted(width, height))
        return 0;
    if (compression == 3 && bitCount == 32) {
        // Bit-field masks are fine when they describe the plain B, G, R, x layout.
        uint8_t masks[12];
        if (file.read(masks, sizeof masks) != int32_t(sizeof masks))
            return 0;
        ByteReader fields(masks, sizeof masks);
        uint32_t red, green, blue;
        fields.u32le(red);
        fields.u32le(green);
        fields.u32le(blue);
        if (red != 0x00FF0000u || green != 0x0000FF00u || blue != 0x000000FFu)
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
        storeRow(image.row32(height - 1 - k), width, row, bitCount, palette);
    }
    return 1;
}
