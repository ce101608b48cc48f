#include "music/Pattern.h"

bool Pattern::create(int channels, int rows, const uint8_t* packed, int packedSize)
{
    m_channels = channels;
    m_rows = rows;
    m_data.assign(packed, packed + packedSize);
    for (int& s : m_rowStart)
        s = 0;
    if (packedSize == 0)
        return true;
    int pos = 0;
    for (int r = 0; r < rows; ++r) {
        m_rowStart[r] = pos;
        for (int c = 0; c < channels; ++c) {
            if (pos >= packedSize)
                return false;
            uint8_t b = m_data[pos];
            if (b & 0x80) {
                int n = 1;
                for (int bit = 0; bit < 5; ++bit)
                    n += (b >> bit) & 1;
                pos += n;
            } else {
                pos += 5;
            }
        }
    }
    return pos == packedSize;
}

void Pattern::decodeRow(int row, RowEntry* out) const
{
    for (int c = 0; c < m_channels; ++c)
        out[c] = RowEntry();
    if (m_data.empty() || row < 0 || row >= m_rows)
        return;
    // The index check guarantees every field of every row lies inside the data.
    const uint8_t* p = m_data.data() + m_rowStart[row];
    for (int c = 0; c < m_channels; ++c) {
        uint8_t b = *p++;
        int field[5] = {0, 0, 0, 0, 0};
        if (b & 0x80) {
            for (int bit = 0; bit < 5; ++bit)
                if (b & (1 << bit))
                    field[bit] = *p++;
        } else {
            field[0] = b;
            for (int i = 1; i < 5; ++i)
                field[i] = *p++;
        }
        RowEntry& e = out[c];
        e.note = field[0] & 0x7F;
        if (e.note > 97)
            e.note = 0; // 98..127 are no notes
        e.instrument = field[1];
        e.volume = field[2];
        // Types above 35 would alias the split E types and the arpeggio marker.
        e.effect = field[3] > 35 ? 0 : (field[3] << 8 | field[4]);
    }
}
