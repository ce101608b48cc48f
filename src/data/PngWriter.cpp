#include "data/PngWriter.h"

#include "data/Bitmap.h"

#include <array>
#include <cstdio>

namespace {

const std::array<uint32_t, 256>& crcTable()
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

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
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = start; i < out.size(); ++i)
        crc = crcTable()[(crc ^ out[i]) & 255] ^ (crc >> 8);
    put32(out, crc ^ 0xFFFFFFFFu);
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

    // Scanlines with filter byte 0, then a zlib stream of stored blocks.
    std::vector<uint8_t> raw;
    raw.reserve(size_t(h) * (1 + w * channels));
    for (uint32_t y = 0; y < h; ++y) {
        raw.push_back(0);
        const uint32_t* p = image.row32(int32_t(y));
        for (uint32_t x = 0; x < w; ++x) {
            raw.push_back(uint8_t(p[x] >> 16));
            raw.push_back(uint8_t(p[x] >> 8));
            raw.push_back(uint8_t(p[x]));
            if (alpha)
                raw.push_back(uint8_t(p[x] >> 24));
        }
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        z.insert(z.end(), {uint8_t(last), uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)});
        z.insert(z.end(), raw.begin() + ptrdiff_t(pos), raw.begin() + ptrdiff_t(pos + n));
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32(z, (b << 16) | a);
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
