#pragma once
// Writes small LWOB object files in memory for tests and benchmarks: big-endian fields, IFF chunks, names
// padded to an even length.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class LwoBuilder {
public:
    using Bytes = std::vector<uint8_t>;

    static void u16(Bytes& b, uint32_t v)
    {
        b.push_back(uint8_t(v >> 8));
        b.push_back(uint8_t(v));
    }
    static void u32(Bytes& b, uint32_t v)
    {
        u16(b, v >> 16);
        u16(b, v & 0xffff);
    }
    static void f32(Bytes& b, float f)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        u32(b, bits);
    }
    static void text(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }
    // The name, its NUL and a pad byte when those two have an odd length.
    static void name(Bytes& b, const std::string& s)
    {
        text(b, s);
        b.push_back(0);
        if ((s.size() + 1) % 2)
            b.push_back(0);
    }
    static Bytes chunk(const char* tag, const Bytes& body)
    {
        Bytes b;
        text(b, tag);
        u32(b, uint32_t(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        return b;
    }
    static Bytes field(const char* tag, const Bytes& body)
    {
        Bytes b;
        text(b, tag);
        u16(b, uint32_t(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        return b;
    }
    static Bytes points(const std::vector<float>& xyz)
    {
        Bytes b;
        for (float f : xyz)
            f32(b, f);
        return chunk("PNTS", b);
    }
    static Bytes names(const std::vector<std::string>& list)
    {
        Bytes b;
        for (const std::string& s : list)
            name(b, s);
        return chunk("SRFS", b);
    }
    // One polygon record: corner count, indices, surface number (negative: details follow).
    static void polygon(Bytes& b, const std::vector<uint32_t>& indices, int surface)
    {
        u16(b, uint32_t(indices.size()));
        for (uint32_t i : indices)
            u16(b, i);
        u16(b, uint32_t(surface) & 0xffff);
    }
    static Bytes surface(const std::string& surfaceName, const std::vector<Bytes>& fields)
    {
        Bytes b;
        name(b, surfaceName);
        for (const Bytes& f : fields)
            b.insert(b.end(), f.begin(), f.end());
        return chunk("SURF", b);
    }
    // FORM ... LWOB around the chunks.
    static Bytes object(const std::vector<Bytes>& chunks, const char* kind = "LWOB")
    {
        Bytes body;
        text(body, kind);
        for (const Bytes& c : chunks)
            body.insert(body.end(), c.begin(), c.end());
        Bytes b;
        text(b, "FORM");
        u32(b, uint32_t(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        return b;
    }
    // A grid of (n + 1)^2 points and n^2 quads on surface 1 ("Grid"), smooth: a loader workload.
    static Bytes grid(int n)
    {
        std::vector<float> xyz;
        for (int y = 0; y <= n; ++y)
            for (int x = 0; x <= n; ++x) {
                xyz.push_back(float(x));
                xyz.push_back(float((x * 7 + y * 3) % 5) * 0.1f);
                xyz.push_back(float(y));
            }
        Bytes pols;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const uint32_t a = uint32_t(y * (n + 1) + x);
                polygon(pols, {a, a + 1, a + uint32_t(n) + 2, a + uint32_t(n) + 1}, 1);
            }
        Bytes flags;
        u16(flags, 0x4);
        return object({points(xyz), names({"Grid"}), chunk("POLS", pols), surface("Grid", {field("FLAG", flags)})});
    }
};
