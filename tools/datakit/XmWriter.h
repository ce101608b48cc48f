#pragma once
// Serialises an XmSong in the standard XM layout (fixed header sizes, packed patterns, delta samples).

#include "XmSong.h"

#include <cstdint>
#include <string>
#include <vector>

class XmWriter {
public:
    // Returns the file image, or an empty vector with `error()` set when the song breaks a format limit
    // (over 32 channels, 256 patterns or orders, 255 instruments, 16 samples, 12 envelope points,
    // 256 rows, or a pattern whose packed data exceeds 65535 bytes).
    std::vector<uint8_t> write(const XmSong& song);
    const std::string& error() const { return m_error; }

private:
    std::string m_error;
    std::vector<uint8_t> m_out;

    void put8(uint32_t value) { m_out.push_back(static_cast<uint8_t>(value)); }
    void put16(uint32_t value);
    void put32(uint32_t value);
    void putText(const std::string& text, size_t size);
    bool fail(const std::string& reason);
    bool writePattern(const XmPattern& pattern, int32_t channels);
    bool writeInstrument(const XmInstrument& instrument);
};
