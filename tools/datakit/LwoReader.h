#pragma once
// Reads an LWOB file back for the kit's checks: every field bounds-checked, big-endian.

#include "engine3d/JVector.h"

#include <cstdint>
#include <string>
#include <vector>

struct LwoReadSurface {
    std::string name;
    std::vector<std::string> tags; // sub-chunk tags in file order
    uint16_t flags = 0;
    uint16_t specular = 0;
    std::string image;         // TIMG
    uint16_t textureFlags = 0; // TFLG
};

struct LwoReadPolygon {
    std::vector<uint16_t> corners;
    int32_t surface = 0;
};

struct LwoRead {
    std::vector<std::string> chunks; // chunk tags in file order
    std::vector<JVector> points;
    std::vector<std::string> surfaceNames; // SRFS
    std::vector<LwoReadPolygon> polygons;
    std::vector<LwoReadSurface> surfaces; // SURF chunks
};

// False with `error` set when the bytes are not a well-formed LWOB file (header, chunk bounds, even
// chunk sizes, names inside their chunk).
bool readLwo(const std::vector<uint8_t>& bytes, LwoRead& out, std::string& error);
