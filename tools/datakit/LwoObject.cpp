#include "LwoObject.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <map>
#include <tuple>

namespace {

class BigEndianOut {
public:
    std::vector<uint8_t> data;

    void u16(uint32_t v)
    {
        data.push_back(static_cast<uint8_t>(v >> 8));
        data.push_back(static_cast<uint8_t>(v));
    }
    void u32(uint32_t v)
    {
        u16(v >> 16);
        u16(v & 0xFFFFu);
    }
    void f32(double v) { u32(std::bit_cast<uint32_t>(static_cast<float>(v))); }
    void tag(const char* t) { data.insert(data.end(), t, t + 4); }
    // NUL-terminated, padded with one more zero to an even length.
    void name(const std::string& s)
    {
        data.insert(data.end(), s.begin(), s.end());
        data.push_back(0);
        if (data.size() % 2 != 0) {
            data.push_back(0);
        }
    }
    void append(const BigEndianOut& o) { data.insert(data.end(), o.data.begin(), o.data.end()); }
};

// Strings are padded relative to their own start, so each chunk body is built on its own.
void chunk(BigEndianOut& out, const char* tag, const BigEndianOut& body)
{
    out.tag(tag);
    out.u32(static_cast<uint32_t>(body.data.size()));
    out.append(body);
}

void subChunk(BigEndianOut& out, const char* tag, const BigEndianOut& body)
{
    out.tag(tag);
    out.u16(static_cast<uint32_t>(body.data.size()));
    out.append(body);
}

BigEndianOut surfaceChunk(const LwoSurface& s)
{
    BigEndianOut body;
    body.name(s.name);
    BigEndianOut colour;
    colour.data = {s.red, s.green, s.blue, 0};
    subChunk(body, "COLR", colour);
    const auto word = [&](const char* tag, uint32_t value) {
        BigEndianOut b;
        b.u16(value);
        subChunk(body, tag, b);
    };
    word("FLAG", s.flags);
    word("DIFF", s.diffuse);
    word("SPEC", s.specular);
    word("GLOS", s.glossiness);
    if (s.image.empty()) {
        return body;
    }
    // The texture's sub-chunks follow the CTEX that starts it; a reader ignores them before one.
    BigEndianOut text;
    text.name("Planar Image Map");
    subChunk(body, "CTEX", text);
    text.data.clear();
    text.name(s.image);
    subChunk(body, "TIMG", text);
    word("TFLG", static_cast<uint32_t>(s.axis));
    for (const auto& [tag, v] : {std::pair{"TSIZ", s.textureSize}, std::pair{"TCTR", s.textureCentre}}) {
        BigEndianOut b;
        b.f32(v.x);
        b.f32(v.y);
        b.f32(v.z);
        subChunk(body, tag, b);
    }
    return body;
}

} // namespace

uint16_t LwoObject::addPoint(const JVector& p)
{
    points.push_back(p);
    return static_cast<uint16_t>(points.size() - 1);
}

void LwoObject::addPolygon(std::vector<uint16_t> corners, uint16_t surface)
{
    polygons.push_back({std::move(corners), surface});
}

void LwoObject::append(const LwoObject& other, uint16_t surfaceOffset)
{
    const auto base = static_cast<uint16_t>(points.size());
    points.insert(points.end(), other.points.begin(), other.points.end());
    for (LwoPolygon p : other.polygons) {
        for (uint16_t& c : p.corners) {
            c = static_cast<uint16_t>(c + base);
        }
        p.surface = static_cast<uint16_t>(p.surface + surfaceOffset);
        polygons.push_back(std::move(p));
    }
}

void LwoObject::weld(double tolerance)
{
    const auto key = [tolerance](const JVector& p) {
        return std::tuple{std::llround(p.x / tolerance), std::llround(p.y / tolerance), std::llround(p.z / tolerance)};
    };
    std::map<std::tuple<long long, long long, long long>, uint16_t> first;
    std::vector<JVector> kept;
    std::vector<uint16_t> remap(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        const auto [it, added] = first.try_emplace(key(points[i]), static_cast<uint16_t>(kept.size()));
        if (added) {
            kept.push_back(points[i]);
        }
        remap[i] = it->second;
    }
    points = std::move(kept);
    for (LwoPolygon& p : polygons) {
        for (uint16_t& c : p.corners) {
            c = remap[c];
        }
    }
}

void LwoObject::flip()
{
    for (LwoPolygon& p : polygons) {
        std::reverse(p.corners.begin(), p.corners.end());
    }
}

double LwoObject::signedVolume6() const
{
    double sum = 0.0;
    for (const LwoPolygon& p : polygons) {
        for (size_t k = 1; k + 1 < p.corners.size(); ++k) {
            const JVector& a = points[p.corners[0]];
            sum += dot(a, cross(points[p.corners[k]] - a, points[p.corners[k + 1]] - a));
        }
    }
    return sum;
}

double LwoObject::radius() const
{
    double r = 0.0;
    for (const JVector& p : points) {
        r = std::max(r, length(p));
    }
    return r;
}

void LwoObject::scale(double factor)
{
    for (JVector& p : points) {
        p = p * factor;
    }
}

std::vector<uint8_t> LwoObject::bytes() const
{
    if (points.size() > 65536 || surfaces.empty()) {
        return {};
    }
    BigEndianOut pnts;
    for (const JVector& p : points) {
        pnts.f32(p.x);
        pnts.f32(p.y);
        pnts.f32(p.z);
    }
    BigEndianOut srfs;
    for (const LwoSurface& s : surfaces) {
        srfs.name(s.name);
    }
    BigEndianOut pols;
    for (const LwoPolygon& p : polygons) {
        if (p.corners.empty() || p.corners.size() > 64 || p.surface < 1 || p.surface > surfaces.size()) {
            return {};
        }
        pols.u16(static_cast<uint32_t>(p.corners.size()));
        for (uint16_t c : p.corners) {
            pols.u16(c);
        }
        pols.u16(p.surface);
    }
    BigEndianOut body;
    body.tag("LWOB");
    chunk(body, "PNTS", pnts);
    chunk(body, "SRFS", srfs);
    chunk(body, "POLS", pols);
    for (const LwoSurface& s : surfaces) {
        chunk(body, "SURF", surfaceChunk(s));
    }
    BigEndianOut file;
    chunk(file, "FORM", body);
    return file.data;
}
