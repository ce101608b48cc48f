#pragma once
// Bounds-checked little-endian reads from a memory image; a read outside the image fails.

#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(data ? size : 0) {}

    size_t size() const { return m_size; }
    // True when `count` bytes from `offset` lie inside the image (no overflow).
    bool has(uint64_t offset, uint64_t count) const { return offset <= m_size && count <= m_size - offset; }
    // The reads return false (and leave `out` 0) when the field is not inside the image.
    bool u8(uint64_t offset, uint32_t& out) const
    {
        out = 0;
        if (!has(offset, 1))
            return false;
        out = m_data[offset];
        return true;
    }
    bool u16(uint64_t offset, uint32_t& out) const
    {
        out = 0;
        if (!has(offset, 2))
            return false;
        out = uint32_t(m_data[offset]) | uint32_t(m_data[offset + 1]) << 8;
        return true;
    }
    bool u32(uint64_t offset, uint32_t& out) const
    {
        out = 0;
        if (!has(offset, 4))
            return false;
        out = uint32_t(m_data[offset]) | uint32_t(m_data[offset + 1]) << 8 | uint32_t(m_data[offset + 2]) << 16 |
              uint32_t(m_data[offset + 3]) << 24;
        return true;
    }
    bool bytes(uint64_t offset, void* out, uint64_t count) const
    {
        if (!has(offset, count))
            return false;
        if (count)
            std::memcpy(out, m_data + offset, size_t(count));
        return true;
    }
    // Copies what is there of [offset, offset + count) and zero-fills the rest; returns the bytes copied.
    uint64_t bytesPadded(uint64_t offset, void* out, uint64_t count) const
    {
        uint64_t avail = offset < m_size ? m_size - offset : 0;
        uint64_t n = avail < count ? avail : count;
        if (n)
            std::memcpy(out, m_data + offset, size_t(n));
        if (count > n)
            std::memset(static_cast<uint8_t*>(out) + n, 0, size_t(count - n));
        return n;
    }
    const uint8_t* at(uint64_t offset) const { return m_data + offset; }

private:
    const uint8_t* m_data;
    size_t m_size;
};
