#include "data/PngWriter.h"

#include "data/Bitmap.h"

#include <cstdio>

#include <zlib.h>

namespace {

constexpr uint8_t kFilterSub = 1;

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    put32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

} // namespace

std::vector<uint8_t> encodePng(const Bitmap& image, bool alpha)
{
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (image.format() != Bitmap::FormatXrgb32 || !image.pixels())
        return {};
    const uint32_t w = uint32_t(image.width()), h = uint32_t(image.height());
    const uint32_t channels = alpha ? 4 : 3;

    std::vector<uint8_t> header;
    put32(header, w);
    put32(header, h);
    header.insert(header.end(), {8, uint8_t(alpha ? 6 : 2), 0, 0, 0});
    chunk(out, "IHDR", header);

    // Scanlines with the Sub filter (each byte less the same channel of the pixel to its left), which
    // suits the show's gradients, then deflated at zlib's fastest level: a capture writes many frames.
    std::vector<uint8_t> raw;
    raw.reserve(size_t(h) * (1 + w * channels));
    for (uint32_t y = 0; y < h; ++y) {
        raw.push_back(kFilterSub);
        const uint32_t* p = image.row32(int32_t(y));
        uint32_t left = 0;
        for (uint32_t x = 0; x < w; ++x) {
            raw.push_back(uint8_t((p[x] >> 16) - (left >> 16)));
            raw.push_back(uint8_t((p[x] >> 8) - (left >> 8)));
            raw.push_back(uint8_t(p[x] - left));
            if (alpha)
                raw.push_back(uint8_t((p[x] >> 24) - (left >> 24)));
            left = p[x];
        }
    }
    uLongf packed = compressBound(uLong(raw.size()));
    std::vector<uint8_t> z(packed);
    if (compress2(z.data(), &packed, raw.data(), uLong(raw.size()), Z_BEST_SPEED) != Z_OK)
        return {};
    z.resize(packed);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    return out;
}

bool writePng(const std::string& path, const Bitmap& image, bool alpha)
{
    const std::vector<uint8_t> png = encodePng(image, alpha);
    if (png.empty())
        return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}
