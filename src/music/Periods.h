#pragma once
// Period arithmetic of the two frequency modes: note periods, frequencies and the period-to-note table.

#include <cstdint>

class Periods {
public:
    static constexpr int kMinPeriod = 10;
    static constexpr int kMaxPeriod = 10000;
    static constexpr int kLinearNoteStep = -64;

    // Builds the period-to-note table (Amiga periods of notes 0..95 at finetune 0).
    Periods();

    // Linear mode: trunc(7680 - note x 64 - finetune / 2).
    static int linear(int note, int finetune);
    // Amiga mode: the table period of `note` (clamped to 0..119), moved towards the neighbour by the finetune.
    static int amiga(int note, int finetune);
    static int period(int mode, int note, int finetune)
    {
        return mode == 0 ? linear(note, finetune) : amiga(note, finetune);
    }
    // Hz; 0 for an unknown mode. The Amiga period gets a floor of 1.
    static double frequency(int mode, int period);

    // The note index 0..95 of an Amiga period (index clamped to 1..9999).
    int noteOfPeriod(int period) const;
    // The period rounded to a note of the mode.
    int roundToNote(int mode, int period, int finetune) const;

    static int clampPeriod(int p) { return p < kMinPeriod ? kMinPeriod : (p > kMaxPeriod ? kMaxPeriod : p); }

private:
    uint16_t m_noteOfPeriod[10000];
};
