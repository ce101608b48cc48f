#pragma once
// Bounds-checked reads of little- and big-endian fields from a memory image, one field at a time.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// A cursor over [data, data + size). Every read checks the bytes left before it touches them; the first
// failed check stops the reader for good (later reads fail too and write 0) and names itself in failure().
class ByteReader {
public:
    // A null `data` is an empty image.
    ByteReader(const uint8_t* data, size_t size) : m_data(data ? data : &kNoBytes), m_size(data ? size : 0) {}

    size_t size() const { return m_size; }
    size_t position() const { return m_position; }
    size_t remaining() const { return m_size - m_position; }
    // True when `count` more bytes lie inside the image and no check has failed.
    bool has(uint64_t count) const { return !m_failure && count <= remaining(); }
    // The next byte; valid for remaining() bytes.
    const uint8_t* current() const { return m_data + m_position; }
    bool ok() const { return m_failure == nullptr; }
    // The check that stopped the reader ("read past end", ...), or nullptr while it is good.
    const char* failure() const { return m_failure; }
    // Stops the reader with the caller's own reason (a static string); keeps the first reason. Returns false.
    bool fail(const char* reason)
    {
        if (!m_failure)
            m_failure = reason;
        return false;
    }

    // Moves to `offset` from the start; an offset beyond the end fails.
    bool seek(uint64_t offset)
    {
        if (m_failure)
            return false;
        if (offset > m_size)
            return fail("seek past end");
        m_position = size_t(offset);
        return true;
    }
    bool skip(uint64_t count) { return take(count) != nullptr; }

    bool u8(uint8_t& out)
    {
        const uint8_t* p = take(1);
        out = p ? p[0] : 0;
        return p != nullptr;
    }
    bool u16le(uint16_t& out) { return field(out, false); }
    bool u16be(uint16_t& out) { return field(out, true); }
    bool u32le(uint32_t& out) { return field(out, false); }
    bool u32be(uint32_t& out) { return field(out, true); }
    bool i16le(int16_t& out) { return signedField<uint16_t>(out, false); }
    bool i16be(int16_t& out) { return signedField<uint16_t>(out, true); }
    bool i32le(int32_t& out) { return signedField<uint32_t>(out, false); }
    bool i32be(int32_t& out) { return signedField<uint32_t>(out, true); }
    // IEEE 754 single precision, bit pattern as stored.
    bool f32le(float& out) { return floatField(out, false); }
    bool f32be(float& out) { return floatField(out, true); }

    // Copies the next `count` bytes; on failure `out` is left untouched.
    bool bytes(void* out, uint64_t count)
    {
        const uint8_t* p = take(count);
        if (p && count)
            std::memcpy(out, p, size_t(count));
        return p != nullptr;
    }
    // A field of exactly `length` bytes holding text padded with NULs: `out` gets the bytes before the first NUL.
    bool fixedString(std::string& out, uint64_t length)
    {
        out.clear();
        const uint8_t* p = take(length);
        if (!p)
            return false;
        const void* end = std::memchr(p, 0, size_t(length));
        out.assign(reinterpret_cast<const char*>(p), end ? static_cast<const uint8_t*>(end) - p : size_t(length));
        return true;
    }
    // Text up to and including a NUL inside what is left; `out` excludes the NUL.
    bool cString(std::string& out)
    {
        out.clear();
        if (m_failure)
            return false;
        const void* end = std::memchr(current(), 0, remaining());
        if (!end)
            return fail("string not terminated");
        const size_t length = size_t(static_cast<const uint8_t*>(end) - current());
        out.assign(reinterpret_cast<const char*>(current()), length);
        m_position += length + 1;
        return true;
    }

private:
    // The next `count` bytes and the cursor moved past them, or nullptr (and the reader stopped).
    const uint8_t* take(uint64_t count)
    {
        if (m_failure)
            return nullptr;
        if (count > remaining()) {
            fail("read past end");
            return nullptr;
        }
        const uint8_t* p = current();
        m_position += size_t(count);
        return p;
    }
    template<typename T>
    bool field(T& out, bool bigEndian)
    {
        out = 0;
        const uint8_t* p = take(sizeof(T));
        if (!p)
            return false;
        for (size_t i = 0; i < sizeof(T); ++i)
            out = T(out | T(p[bigEndian ? i : sizeof(T) - 1 - i]) << (8 * (sizeof(T) - 1 - i)));
        return true;
    }
    template<typename U, typename S>
    bool signedField(S& out, bool bigEndian)
    {
        U bits;
        const bool got = field(bits, bigEndian);
        out = S(bits); // two's complement
        return got;
    }
    bool floatField(float& out, bool bigEndian)
    {
        uint32_t bits;
        const bool got = field(bits, bigEndian);
        std::memcpy(&out, &bits, sizeof out);
        return got;
    }

    static constexpr uint8_t kNoBytes = 0; // what an empty image points at, so take() never returns null on success

    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
    const char* m_failure = nullptr;
};
