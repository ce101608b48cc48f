#include "music/Periods.h"

#include <cmath>

namespace {
// Amiga periods of notes 0..119, and the neighbour of note 119.
const int kAmigaTable[121] = {
    27392, 25856, 24384, 23040, 21696, 20480, 19328, 18240, 17216, 16256, 15360, 14496, 13696, 12928, 12192, 11520,
    10848, 10240, 9664,  9120,  8608,  8128,  7680,  7248,  6848,  6464,  6096,  5760,  5424,  5120,  4832,  4560,
    4304,  4064,  3840,  3624,  3424,  3232,  3048,  2880,  2712,  2560,  2416,  2280,  2152,  2032,  1920,  1812,
    1712,  1616,  1524,  1440,  1356,  1280,  1208,  1140,  1076,  1016,  960,   906,   856,   808,   762,   720,
    678,   640,   604,   570,   538,   508,   480,   453,   428,   404,   381,   360,   339,   320,   302,   285,
    269,   254,   240,   226,   214,   202,   190,   180,   170,   160,   151,   143,   135,   127,   120,   113,
    107,   101,   95,    90,    85,    80,    75,    71,    67,    63,    60,    56,    53,    50,    47,    45,
    42,    40,    37,    35,    33,    31,    30,    28,    26,
};
} // namespace

Periods::Periods()
{
    for (uint16_t& e : m_noteOfPeriod)
        e = 0;
    for (int i = 0; i < 96; ++i) {
        int p = amiga(i, 0);
        m_noteOfPeriod[p < 9999 ? p : 9999] = uint16_t(i); // later notes overwrite earlier ones
    }
    for (int i = 9998; i >= 1; --i)
        if (m_noteOfPeriod[i] == 0)
            m_noteOfPeriod[i] = m_noteOfPeriod[i + 1];
}

int Periods::linear(int note, int finetune)
{
    return int(std::trunc(7680.0 - note * 64.0 - finetune / 2.0));
}

int Periods::amiga(int note, int finetune)
{
    if (note < 0)
        note = 0;
    if (note > 119)
        note = 119;
    double base = kAmigaTable[note];
    if (finetune < 0) {
        // Note 0 has no lower neighbour: it uses itself.
        double lower = note > 0 ? kAmigaTable[note - 1] : kAmigaTable[0];
        return int(std::trunc(base + (lower - base) * (-finetune / 128.0)));
    }
    if (finetune > 0)
        return int(std::trunc(base + (kAmigaTable[note + 1] - base) * (finetune / 128.0)));
    return int(base);
}

double Periods::frequency(int mode, int period)
{
    if (mode == 0)
        return 8363.0 * std::pow(2.0, (4608.0 - period) / 768.0);
    if (mode == 1)
        return 14317456.0 / (period < 1 ? 1 : period);
    return 0.0;
}

int Periods::noteOfPeriod(int period) const
{
    return m_noteOfPeriod[period < 1 ? 1 : (period > 9999 ? 9999 : period)];
}

int Periods::roundToNote(int mode, int period, int finetune) const
{
    if (mode == 0) {
        int base = linear(0, finetune);
        int step = kLinearNoteStep;
        return base + step * ((period + step / 2 - base) / step);
    }
    return amiga(noteOfPeriod(period), finetune);
}
