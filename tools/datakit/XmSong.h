#pragma once
// In-memory form of an XM song as the data kit builds it: header, patterns, instruments, samples.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// One pattern cell. note: 1..96 a note (1 = C-0), 97 key-off, 0 none; effect uses XM's numbering
// (0..35, with 0 + nonzero parameter an arpeggio and 32 the sync command W).
struct XmCell {
    uint8_t note = 0;
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t param = 0;

    bool empty() const { return note == 0 && instrument == 0 && volume == 0 && effect == 0 && param == 0; }
};

struct XmPattern {
    int32_t rows = 64;
    std::vector<XmCell> cells; // rows x channels, row-major

    XmCell& at(int32_t row, int32_t channel, int32_t channels)
    {
        return cells[static_cast<size_t>(row * channels + channel)];
    }
    const XmCell& at(int32_t row, int32_t channel, int32_t channels) const
    {
        return cells[static_cast<size_t>(row * channels + channel)];
    }
};

struct XmEnvelopePoint {
    uint16_t tick = 0;
    uint16_t value = 0;
};

// Up to 12 points; type bit 0 on, bit 1 sustain, bit 2 loop.
struct XmEnvelope {
    std::vector<XmEnvelopePoint> points;
    uint8_t sustain = 0;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
    uint8_t type = 0;
};

// Always 16-bit. Loop positions count frames; loopType 0 none, 1 forward, 2 ping-pong.
struct XmSample {
    std::string name;
    std::vector<int16_t> frames;
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;
    uint8_t loopType = 0;
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
};

struct XmInstrument {
    std::string name;
    std::array<uint8_t, 96> keymap{}; // sample index for notes 1..96
    XmEnvelope volumeEnvelope;
    XmEnvelope panningEnvelope;
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    uint16_t fadeout = 0;
    std::vector<XmSample> samples; // 1..16
};

struct XmSong {
    std::string name;
    std::string tracker = "kalvora-datakit";
    int32_t channels = 0;
    int32_t speed = 6;
    int32_t tempo = 125;
    int32_t restart = 0;
    bool linearFrequencies = true;
    std::vector<uint8_t> orders;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};
