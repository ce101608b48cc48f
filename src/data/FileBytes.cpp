#include "data/FileBytes.h"

#include <cstdio>

bool readWholeFile(const char* fileName, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    if (!fileName)
        return false;
    std::FILE* f = std::fopen(fileName, "rb");
    if (!f)
        return false;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool writeWholeFile(const char* fileName, const uint8_t* bytes, size_t size)
{
    std::FILE* f = std::fopen(fileName, "wb");
    if (!f)
        return false;
    const bool ok = size == 0 || std::fwrite(bytes, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
