#include "music/WavFile.h"

#include <algorithm>
#include <cstdio>
#include <vector>

bool writeWav(const char* path, const int16_t* frames, size_t count, int sampleRate)
{
    std::FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    const uint32_t dataBytes = uint32_t(count * 4);
    auto u32 = [&](uint32_t v) {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        std::fwrite(b, 1, 4, f);
    };
    auto u16 = [&](uint32_t v) {
        const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
        std::fwrite(b, 1, 2, f);
    };
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1); // PCM
    u16(2);
    u32(uint32_t(sampleRate));
    u32(uint32_t(sampleRate) * 4);
    u16(4);
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(dataBytes);
    // Little-endian samples, written a piece at a time.
    std::vector<uint8_t> piece;
    for (size_t i = 0; i < count * 2;) {
        const size_t n = std::min<size_t>(count * 2 - i, 65536);
        piece.resize(n * 2);
        for (size_t k = 0; k < n; ++k) {
            const uint16_t v = uint16_t(frames[i + k]);
            piece[k * 2] = uint8_t(v);
            piece[k * 2 + 1] = uint8_t(v >> 8);
        }
        std::fwrite(piece.data(), 1, piece.size(), f);
        i += n;
    }
    const bool ok = std::ferror(f) == 0;
    return std::fclose(f) == 0 && ok;
}
