#include "music/WavFile.h"

#include <algorithm>

namespace {

constexpr long kRiffSizeAt = 4;
constexpr long kDataSizeAt = 40;
constexpr size_t kPieceSamples = 8192;

void put(uint8_t*& p, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        *p++ = uint8_t(v >> (8 * i));
}

} // namespace

WavWriter::~WavWriter()
{
    if (m_file)
        std::fclose(m_file);
}

bool WavWriter::open(const char* path, int sampleRate)
{
    m_file = std::fopen(path, "wb");
    if (!m_file)
        return false;
    uint8_t header[44];
    uint8_t* p = header;
    auto tag = [&p](const char* t) {
        for (int i = 0; i < 4; ++i)
            *p++ = uint8_t(t[i]);
    };
    tag("RIFF");
    put(p, 36, 4); // sizes for no data; finish() writes the real ones
    tag("WAVE");
    tag("fmt ");
    put(p, 16, 4);
    put(p, 1, 2); // PCM
    put(p, 2, 2);
    put(p, uint32_t(sampleRate), 4);
    put(p, uint32_t(sampleRate) * 4, 4);
    put(p, 4, 2);
    put(p, 16, 2);
    tag("data");
    put(p, 0, 4);
    m_ok = std::fwrite(header, 1, sizeof header, m_file) == sizeof header;
    return m_ok;
}

bool WavWriter::write(const int16_t* frames, size_t count)
{
    if (!m_file || !m_ok)
        return false;
    if (count > (kMaxDataBytes - m_dataBytes) / 4) {
        m_tooLarge = true;
        return false;
    }
    // Little-endian samples, a piece at a time.
    uint8_t piece[kPieceSamples * 2];
    for (size_t i = 0; i < count * 2;) {
        const size_t n = std::min(count * 2 - i, kPieceSamples);
        for (size_t k = 0; k < n; ++k) {
            const uint16_t v = uint16_t(frames[i + k]);
            piece[k * 2] = uint8_t(v);
            piece[k * 2 + 1] = uint8_t(v >> 8);
        }
        m_ok = m_ok && std::fwrite(piece, 1, n * 2, m_file) == n * 2;
        i += n;
    }
    m_dataBytes += uint64_t(count) * 4;
    return m_ok;
}

bool WavWriter::finish()
{
    if (!m_file)
        return false;
    uint8_t size[4];
    uint8_t* p = size;
    put(p, uint32_t(36 + m_dataBytes), 4);
    m_ok = m_ok && std::fseek(m_file, kRiffSizeAt, SEEK_SET) == 0 && std::fwrite(size, 1, 4, m_file) == 4;
    p = size;
    put(p, uint32_t(m_dataBytes), 4);
    m_ok = m_ok && std::fseek(m_file, kDataSizeAt, SEEK_SET) == 0 && std::fwrite(size, 1, 4, m_file) == 4;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return m_ok && closed;
}

bool writeWav(const char* path, const int16_t* frames, size_t count, int sampleRate)
{
    WavWriter w;
    const bool written = w.open(path, sampleRate) && w.write(frames, count);
    return w.finish() && written;
}
