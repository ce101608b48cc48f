#include "data/PackFile.h"

#include "data/FileBytes.h"
#include "data/PackArchive.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

PackFile::PackFile() : m_archive(packArchive())
{}

PackFile::PackFile(const PackArchive& archive) : m_archive(archive)
{}

int PackFile::open(const char* name)
{
    close();
    if (!name)
        return 0;
    if (m_archive.mode() == 1) {
        const PackArchive::Entry* e = m_archive.find(name);
        if (!e)
            return 0;
        m_data = e->data;
        m_present = e->present;
        m_length = e->length;
    } else {
        // Names are written with backslashes; on disk the separator is a slash.
        std::string path = PackArchive::foldName(name);
        std::replace(path.begin(), path.end(), '\\', '/');
        if (!readWholeFile(path.c_str(), m_plainBytes, uint64_t(INT32_MAX))) {
            m_plainBytes.clear();
            return 0;
        }
        m_data = m_plainBytes.data();
        m_present = m_length = int32_t(m_plainBytes.size());
    }
    m_position = 0;
    m_open = true;
    return 1;
}

int PackFile::close()
{
    m_open = false;
    m_data = nullptr;
    m_present = m_length = m_position = 0;
    m_plainBytes.clear();
    m_plainBytes.shrink_to_fit();
    return 1;
}

int32_t PackFile::read(void* destination, int32_t n)
{
    if (!m_open)
        return -1;
    if (n <= 0 || m_position < 0 || m_position >= m_length)
        return 0;
    const int32_t count = std::min(n, m_length - m_position);
    auto* dst = static_cast<uint8_t*>(destination);
    // Bytes the archive file did not hold read as zeros.
    const int32_t fromData = std::clamp(m_present - m_position, 0, count);
    if (fromData > 0)
        std::memcpy(dst, m_data + m_position, size_t(fromData));
    if (count > fromData)
        std::memset(dst + fromData, 0, size_t(count - fromData));
    m_position += count;
    return count;
}

int PackFile::readByte(uint8_t& byte)
{
    return read(&byte, 1) == 1;
}

int PackFile::readLine(char* destination, int32_t capacity)
{
    int32_t used = 0;
    int atEnd = 0;
    for (;;) {
        if (m_open && m_position >= m_present && m_position < m_length) {
            // Past the bytes the archive held the entry is zeros to its end: no line ending follows.
            // Skipping them at once keeps a huge stated length from being walked byte by byte.
            m_position = m_length;
            atEnd = 1;
            break;
        }
        uint8_t c;
        if (!readByte(c)) {
            atEnd = 1;
            break;
        }
        if (c == '\n')
            break;
        if (c == '\r') {
            // CR LF is one line ending; a byte other than LF after a lone CR starts the next line.
            if (m_position >= 0 && m_position < m_length) {
                uint8_t next;
                const int32_t at = m_position;
                if (readByte(next) && next != '\n')
                    m_position = at;
            }
            break;
        }
        if (destination && used + 1 < capacity)
            destination[used++] = char(c);
    }
    if (destination && capacity > 0)
        destination[used] = 0;
    return atEnd;
}

int PackFile::seek(int32_t position)
{
    m_position = position;
    return 1;
}

int PackFile::endOfFile() const
{
    return m_position < 0 || m_position >= m_length;
}
