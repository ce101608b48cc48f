#include "LwoReader.h"

#include <bit>
#include <cstring>

namespace {

class BigEndianIn {
public:
    BigEndianIn(const std::vector<uint8_t>& b, size_t begin, size_t end) : m_b(&b), m_at(begin), m_end(end) {}
    bool left() const { return m_at < m_end; }
    size_t at() const { return m_at; }
    bool u16(uint32_t& v)
    {
        if (m_end - m_at < 2) {
            return false;
        }
        v = uint32_t((*m_b)[m_at]) << 8 | (*m_b)[m_at + 1];
        m_at += 2;
        return true;
    }
    bool u32(uint32_t& v)
    {
        uint32_t hi = 0;
        uint32_t lo = 0;
        if (!u16(hi) || !u16(lo)) {
            return false;
        }
        v = hi << 16 | lo;
        return true;
    }
    bool f32(double& v)
    {
        uint32_t bits = 0;
        if (!u32(bits)) {
            return false;
        }
        v = std::bit_cast<float>(bits);
        return true;
    }
    bool tag(std::string& t)
    {
        if (m_end - m_at < 4) {
            return false;
        }
        t.assign(reinterpret_cast<const char*>(&(*m_b)[m_at]), 4);
        m_at += 4;
        return true;
    }
    // NUL-terminated and padded to an even length inside the range.
    bool name(std::string& s)
    {
        const size_t start = m_at;
        while (m_at < m_end && (*m_b)[m_at] != 0) {
            ++m_at;
        }
        if (m_at == m_end) {
            return false;
        }
        s.assign(reinterpret_cast<const char*>(&(*m_b)[start]), m_at - start);
        ++m_at;
        if ((m_at - start) % 2 != 0) {
            if (m_at == m_end) {
                return false;
            }
            ++m_at;
        }
        return true;
    }

private:
    const std::vector<uint8_t>* m_b;
    size_t m_at;
    size_t m_end;
};

bool readSurface(const std::vector<uint8_t>& bytes, size_t begin, size_t end, LwoReadSurface& s)
{
    BigEndianIn in(bytes, begin, end);
    if (!in.name(s.name)) {
        return false;
    }
    while (in.left()) {
        std::string tag;
        uint32_t size = 0;
        if (!in.tag(tag) || !in.u16(size) || size % 2 != 0 || end - in.at() < size) {
            return false;
        }
        BigEndianIn sub(bytes, in.at(), in.at() + size);
        s.tags.push_back(tag);
        uint32_t word = 0;
        if (tag == "FLAG" && sub.u16(word)) {
            s.flags = static_cast<uint16_t>(word);
        } else if (tag == "SPEC" && sub.u16(word)) {
            s.specular = static_cast<uint16_t>(word);
        } else if (tag == "TFLG" && sub.u16(word)) {
            s.textureFlags = static_cast<uint16_t>(word);
        } else if (tag == "TIMG" && !sub.name(s.image)) {
            return false;
        }
        BigEndianIn skip(bytes, in.at() + size, end);
        in = skip;
    }
    return true;
}

} // namespace

bool readLwo(const std::vector<uint8_t>& bytes, LwoRead& out, std::string& error)
{
    out = LwoRead{};
    BigEndianIn head(bytes, 0, bytes.size());
    std::string form;
    std::string kind;
    uint32_t formSize = 0;
    if (!head.tag(form) || !head.u32(formSize) || !head.tag(kind) || form != "FORM" || kind != "LWOB" ||
        formSize != bytes.size() - 8) {
        error = "not a FORM/LWOB file of the stated length";
        return false;
    }
    BigEndianIn in(bytes, 12, bytes.size());
    while (in.left()) {
        std::string tag;
        uint32_t size = 0;
        if (!in.tag(tag) || !in.u32(size) || bytes.size() - in.at() < size) {
            error = "a chunk runs past the end of the file";
            return false;
        }
        if (size % 2 != 0) {
            error = "chunk " + tag + " has an odd size";
            return false;
        }
        const size_t begin = in.at();
        const size_t end = begin + size;
        BigEndianIn body(bytes, begin, end);
        out.chunks.push_back(tag);
        bool ok = true;
        if (tag == "PNTS") {
            for (size_t i = 0; i < size / 12; ++i) {
                JVector p{};
                ok = ok && body.f32(p.x) && body.f32(p.y) && body.f32(p.z);
                out.points.push_back(p);
            }
        } else if (tag == "SRFS") {
            while (ok && body.left()) {
                std::string name;
                ok = body.name(name);
                out.surfaceNames.push_back(name);
            }
        } else if (tag == "POLS") {
            while (ok && body.left()) {
                uint32_t count = 0;
                uint32_t surface = 0;
                LwoReadPolygon p;
                ok = body.u16(count);
                for (uint32_t k = 0; ok && k < count; ++k) {
                    uint32_t index = 0;
                    ok = body.u16(index);
                    p.corners.push_back(static_cast<uint16_t>(index));
                }
                ok = ok && body.u16(surface);
                p.surface = static_cast<int16_t>(surface);
                out.polygons.push_back(std::move(p));
            }
        } else if (tag == "SURF") {
            LwoReadSurface s;
            ok = readSurface(bytes, begin, end, s);
            out.surfaces.push_back(std::move(s));
        }
        if (!ok) {
            error = "chunk " + tag + " is malformed";
            return false;
        }
        BigEndianIn next(bytes, end, bytes.size());
        in = next;
    }
    return true;
}
