#include "data/FileBytes.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

bool readWholeFile(const char* fileName, std::vector<uint8_t>& bytes, uint64_t maxBytes)
{
    bytes.clear();
    if (!fileName)
        return false;
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error))
        return false;
    const uintmax_t size = std::filesystem::file_size(fileName, error);
    if (error || size > maxBytes)
        return false;
    std::FILE* f = std::fopen(fileName, "rb");
    if (!f)
        return false;
    bool ok = true;
    try {
        bytes.reserve(size_t(size));
        uint8_t chunk[65536];
        size_t n;
        // The file may have grown since its size was taken: the limit holds for what is read.
        while (ok && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
            ok = bytes.size() + n <= maxBytes;
            if (ok)
                bytes.insert(bytes.end(), chunk, chunk + n);
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    ok = ok && !std::ferror(f);
    std::fclose(f);
    if (!ok)
        std::vector<uint8_t>().swap(bytes);
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
