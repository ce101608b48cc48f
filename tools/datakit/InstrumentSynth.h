#pragma once
// Synthesises the song's instruments (drums, bass, pad, lead, arpeggio voice) as XM instruments.

#include "XmSong.h"

#include <string>
#include <vector>

class InstrumentSynth {
public:
    // Every sample is made at this rate and tagged with relative note +24, so that C-4 plays it back at
    // its own rate; a tone cycle of 128 frames then sounds as C (about 261 Hz) at C-4.
    static constexpr int32_t kRate = 8363 * 4;
    static constexpr int32_t kRelativeNote = 24;
    static constexpr int32_t kCycle = 128;

    // The recipe names the kit knows, in a fixed order.
    static const std::vector<std::string>& recipes();
    // Builds the instrument for `recipe`; returns false for an unknown name.
    static bool make(const std::string& recipe, XmInstrument& out);
};
