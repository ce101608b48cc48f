#include "LwoBuilder.h"

#include <cstring>

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v >> 16);
    put16(out, v & 0xffff);
}

void putFloat(std::vector<uint8_t>& out, double value)
{
    const float f = float(value);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    put32(out, bits);
}

void putTag(std::vector<uint8_t>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

// A NUL-terminated string padded to an even length.
void putName(std::vector<uint8_t>& out, const std::string& text)
{
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    if ((text.size() + 1) % 2)
        out.push_back(0);
}

// A chunk (32-bit size) or sub-chunk (16-bit size) around `body`.
void putChunk(std::vector<uint8_t>& out, const char* tag, const std::vector<uint8_t>& body, bool sub)
{
    putTag(out, tag);
    if (sub)
        put16(out, uint32_t(body.size()));
    else
        put32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

std::vector<uint8_t> surfaceChunk(const LwoBuilder::Surface& s)
{
    std::vector<uint8_t> body, sub;
    putName(body, s.name);
    sub = {s.red, s.green, s.blue, 0};
    putChunk(body, "COLR", sub, true);
    sub.clear();
    put16(sub, s.flags);
    putChunk(body, "FLAG", sub, true);
    if (!s.image.empty()) {
        sub.clear();
        putName(sub, "Planar Image Map");
        putChunk(body, "CTEX", sub, true);
        sub.clear();
        putName(sub, s.image);
        putChunk(body, "TIMG", sub, true);
        sub.clear();
        put16(sub, s.axisFlags);
        putChunk(body, "TFLG", sub, true);
        sub.clear();
        putFloat(sub, s.textureSize.x);
        putFloat(sub, s.textureSize.y);
        putFloat(sub, s.textureSize.z);
        putChunk(body, "TSIZ", sub, true);
    }
    return body;
}

} // namespace

uint16_t LwoBuilder::addPoint(const JVector& p)
{
    m_points.push_back(p);
    return uint16_t(m_points.size() - 1);
}

void LwoBuilder::addPolygon(const std::vector<uint16_t>& corners, int16_t surface)
{
    m_polygons.push_back({corners, surface});
}

void LwoBuilder::addQuad(const JVector& a, const JVector& b, const JVector& c, const JVector& d, const JVector& facing,
                         int16_t surface)
{
    // Seen from the side where the corners run clockwise: (b - a) x (c - a) points toward the viewer.
    const bool keep = dot(cross(b - a, c - a), facing) > 0;
    const uint16_t ia = addPoint(a), ib = addPoint(b), ic = addPoint(c), id = addPoint(d);
    addPolygon(keep ? std::vector<uint16_t>{ia, ib, ic, id} : std::vector<uint16_t>{id, ic, ib, ia}, surface);
}

int16_t LwoBuilder::addSurface(const Surface& surface)
{
    m_surfaces.push_back(surface);
    return int16_t(m_surfaces.size());
}

std::vector<uint8_t> LwoBuilder::bytes() const
{
    std::vector<uint8_t> body, chunk;
    putTag(body, "LWOB");
    for (const JVector& p : m_points) {
        putFloat(chunk, p.x);
        putFloat(chunk, p.y);
        putFloat(chunk, p.z);
    }
    putChunk(body, "PNTS", chunk, false);
    chunk.clear();
    for (const Surface& s : m_surfaces)
        putName(chunk, s.name);
    putChunk(body, "SRFS", chunk, false);
    chunk.clear();
    for (const Polygon& polygon : m_polygons) {
        put16(chunk, uint32_t(polygon.corners.size()));
        for (uint16_t c : polygon.corners)
            put16(chunk, c);
        put16(chunk, uint16_t(polygon.surface));
    }
    putChunk(body, "POLS", chunk, false);
    for (const Surface& s : m_surfaces)
        putChunk(body, "SURF", surfaceChunk(s), false);
    std::vector<uint8_t> file;
    putChunk(file, "FORM", body, false);
    return file;
}
