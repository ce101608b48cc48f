#pragma once
// Builds archive files in the layout PackArchive reads: inverted 256-byte headers, scrambled data.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PackWriter {
public:
    // Appends an entry. The name is stored as given: write folders with backslashes ("data\\x.jpg"),
    // 1 to 231 bytes without NUL. False (nothing added) for a bad name or more than 2^31 - 1 bytes.
    // Entries beyond the reader's 2048 are written but never read.
    bool add(const std::string& name, const uint8_t* data, size_t size);
    bool add(const std::string& name, const std::vector<uint8_t>& data) { return add(name, data.data(), data.size()); }

    int32_t count() const { return m_count; }
    // The archive file's bytes so far.
    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    // Writes the archive file; false unless every byte was written.
    bool write(const std::string& path) const;

private:
    std::vector<uint8_t> m_bytes;
    int32_t m_count = 0;
};
