#include "data/PackArchive.h"

#include "data/FileBytes.h"

#include <algorithm>
#include <cstring>

namespace {

void copyBounded(char* dst, size_t capacity, const char* src, size_t maxLength)
{
    size_t n = 0;
    while (n + 1 < capacity && n < maxLength && src[n])
        ++n;
    std::memcpy(dst, src, n);
    dst[n] = 0;
}

} // namespace

PackArchive::PackArchive() : m_entries(std::make_unique<Entry[]>(kMaxEntries))
{}

uint8_t PackArchive::foldByte(uint8_t c)
{
    if (c >= 'A' && c <= 'Z')
        return uint8_t(c + ('a' - 'A'));
    if (c == 0xC5 || c == 0xC4 || c == 0xD6) // Å Ä Ö
        return uint8_t(c + 0x20);
    return c;
}

std::string PackArchive::foldName(const char* name)
{
    std::string folded;
    for (const char* p = name; p && *p; ++p)
        folded.push_back(char(foldByte(uint8_t(*p))));
    return folded;
}

void PackArchive::scramble(uint8_t* bytes, size_t count, size_t index)
{
    size_t k = index % kKeyLength;
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = uint8_t(~bytes[i] ^ uint8_t(kKey[k]));
        if (++k == kKeyLength)
            k = 0;
    }
}

int PackArchive::openFailed(const char* fileName)
{
    if (!fileName) {
        m_mode = 0;
        return 0;
    }
    std::vector<uint8_t> bytes;
    if (!readWholeFile(fileName, bytes))
        return 1;
    loadBlock(std::move(bytes), fileName);
    return 0;
}

void PackArchive::loadFromMemory(const uint8_t* bytes, size_t size, const char* archiveName)
{
    loadBlock(std::vector<uint8_t>(bytes, bytes + size), archiveName);
}

void PackArchive::loadBlock(std::vector<uint8_t> bytes, const char* archiveName)
{
    // The entries point into the block, which lives as long as the archive.
    m_blocks.push_back(std::move(bytes));
    uint8_t* data = m_blocks.back().data();
    const size_t size = m_blocks.back().size();

    size_t pos = 0;
    // A header cut short by the end of the file ends the archive; so does a full table.
    while (size - pos >= size_t(kHeaderSize) && m_count < kMaxEntries) {
        uint8_t header[kHeaderSize];
        for (int32_t i = 0; i < kHeaderSize; ++i)
            header[i] = uint8_t(~data[pos + size_t(i)]);
        const int32_t length =
            int32_t(uint32_t(header[kLengthOffset]) | uint32_t(header[kLengthOffset + 1]) << 8 |
                    uint32_t(header[kLengthOffset + 2]) << 16 | uint32_t(header[kLengthOffset + 3]) << 24);
        if (length < 0)
            break; // no sensible entry follows a negative length
        pos += kHeaderSize;

        Entry& e = m_entries[size_t(m_count)];
        copyBounded(e.storedName, sizeof e.storedName, reinterpret_cast<const char*>(header), kNameBytes);
        std::memcpy(e.name, e.storedName, sizeof e.name);
        for (char* p = e.name; *p; ++p)
            *p = char(foldByte(uint8_t(*p)));
        copyBounded(e.archiveName, sizeof e.archiveName, archiveName ? archiveName : "", sizeof e.archiveName);
        e.length = length;
        e.offset = uint32_t(pos);
        // Data cut short by the end of the file keeps its stated length; the missing bytes read as zeros.
        const size_t present = std::min(size - pos, size_t(length));
        e.present = int32_t(present);
        e.data = data + pos;
        scramble(data + pos, present);
        pos += present;
        ++m_count;
    }
    m_mode = 1;
}

void PackArchive::clear()
{
    for (int32_t i = 0; i < m_count; ++i)
        m_entries[size_t(i)] = Entry();
    m_blocks.clear();
    m_count = 0;
    m_mode = 0;
}

const PackArchive::Entry* PackArchive::find(const char* name) const
{
    if (!name)
        return nullptr;
    const std::string folded = foldName(name);
    for (int32_t i = 0; i < m_count; ++i) {
        if (folded == m_entries[size_t(i)].name)
            return &m_entries[size_t(i)];
    }
    return nullptr;
}

PackArchive& packArchive()
{
    static PackArchive archive;
    return archive;
}
