#include "data/PackWriter.h"

#include "data/FileBytes.h"
#include "data/PackArchive.h"

#include <climits>

bool PackWriter::add(const std::string& name, const uint8_t* data, size_t size)
{
    if (name.empty() || name.size() >= size_t(PackArchive::kNameBytes) || name.find('\0') != std::string::npos ||
        size > size_t(INT32_MAX) || (size && !data))
        return false;
    uint8_t header[PackArchive::kHeaderSize] = {};
    for (size_t i = 0; i < name.size(); ++i)
        header[i] = uint8_t(name[i]);
    const uint32_t length = uint32_t(size);
    for (int i = 0; i < 4; ++i)
        header[PackArchive::kLengthOffset + i] = uint8_t(length >> (8 * i));
    for (uint8_t& b : header)
        b = uint8_t(~b);
    m_bytes.insert(m_bytes.end(), header, header + sizeof header);
    const size_t start = m_bytes.size();
    m_bytes.insert(m_bytes.end(), data, data + size);
    PackArchive::scramble(m_bytes.data() + start, size);
    ++m_count;
    return true;
}

bool PackWriter::write(const std::string& path) const
{
    return writeWholeFile(path.c_str(), m_bytes.data(), m_bytes.size());
}
