#pragma once
// The song model an XM file loads into: row entries, envelopes, samples and instruments.

#include "music/SoundBuffer.h"

#include <cstdint>

// One channel's cell of a decoded row. note: 1..96 a note, 97 key-off, 0 none; effect = type << 8 | parameter.
struct RowEntry {
    int note = 0;
    int instrument = 0;
    int volume = 0;
    int effect = 0;
};

struct Envelope {
    static constexpr int kMaxPoints = 12;
    int x[kMaxPoints] = {};
    int y[kMaxPoints] = {};
    int pointCount = 0;
    int sustain = 0;
    int loopStart = 0;
    int loopEnd = 0;
    int type = 0;
    bool on = false;
    bool sustainOn = false;
    bool loopOn = false;
};

// Decoded sample points; positions and lengths count frames (sample points), not bytes.
struct SampleData {
    // Readable points before point 0: a backward ping-pong voice may lie up to one step (at most
    // 33 points) below its loop start, so the mixer may read there without a test.
    static constexpr int kFrontPoints = 64;
    int64_t length = 0;
    int64_t loopStart = 0;
    int64_t loopEnd = 0;
    int loopType = 0; // 0 none, 1 forward, 2 ping-pong
    int bits = 8;
    int64_t byteSize = 0;
    SoundBuffer buffer;
};

struct Sample {
    int volume = 0;
    int finetune = 0;
    int panning = 128;
    int relativeNote = 0;
    char name[22] = {};
    bool empty = true;
    SampleData data;
};

struct Instrument {
    static constexpr int kMaxSamples = 16;
    char name[25] = {};
    int sampleCount = 0;
    int8_t keymap[96] = {};
    Envelope volumeEnvelope;
    Envelope panningEnvelope;
    int vibratoType = 0;
    int vibratoSweep = 0;
    int vibratoDepth = 0;
    int vibratoRate = 0;
    int fadeout = 0;
    uint32_t storedHeaderSize = 0; // as the file stores it (tools)
    bool empty = true;
    Sample samples[kMaxSamples];

    // The sample the keymap gives for note index 0..95, or nullptr (keymap value outside 0..15).
    const Sample* sampleForNote(int noteIndex) const
    {
        if (noteIndex < 0 || noteIndex >= 96)
            return nullptr;
        int s = keymap[noteIndex];
        return s >= 0 && s < kMaxSamples ? &samples[s] : nullptr;
    }
};
