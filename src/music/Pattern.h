#pragma once
// One packed XM pattern with its row index; decodes a row into one RowEntry per channel.

#include "music/XmModel.h"

#include <cstdint>
#include <vector>

class Pattern {
public:
    static constexpr int kMaxRows = 256;

    // Copies the packed bytes and builds the row index. Returns false when the packed rows do not end
    // exactly at the packed size (the pattern is then unusable).
    bool create(int channels, int rows, const uint8_t* packed, int packedSize);

    int channels() const { return m_channels; }
    int rows() const { return m_rows; }
    int packedSize() const { return int(m_data.size()); }
    // The header length the file stores for this pattern (tools).
    uint32_t storedHeaderLength() const { return m_storedHeaderLength; }
    void setStoredHeaderLength(uint32_t n) { m_storedHeaderLength = n; }

    // Fills `out[0..channels)`. A row outside 0..rows-1 or an empty pattern decodes as empty.
    void decodeRow(int row, RowEntry* out) const;

private:
    int m_channels = 0;
    int m_rows = 0;
    std::vector<uint8_t> m_data;
    int m_rowStart[kMaxRows] = {};
    uint32_t m_storedHeaderLength = 9;
};
