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

// The effect column's commands as the player keeps them (ModuleChannel::effectType): the letter's value
// 0..35 (RowEntry::effect >> 8), the E commands as 0xE0 + x, and 0 with a nonzero parameter as Arpeggio.
namespace XmEffect {
enum : int {
    PortaUp = 0x01,
    PortaDown = 0x02,
    TonePorta = 0x03,
    Vibrato = 0x04,
    TonePortaVolumeSlide = 0x05,
    VibratoVolumeSlide = 0x06,
    Tremolo = 0x07,
    SetPanning = 0x08,
    SampleOffset = 0x09,
    VolumeSlide = 0x0A,
    PositionJump = 0x0B,
    SetVolume = 0x0C,
    PatternBreak = 0x0D,
    Extended = 0x0E, // Exy, kept as 0xE0 + x with parameter y
    SetSpeed = 0x0F,
    SetGlobalVolume = 0x10,     // G
    GlobalVolumeSlide = 0x11,   // H
    KeyOff = 0x14,              // K
    SetEnvelopePosition = 0x15, // L
    PanningSlide = 0x19,        // P
    MultiRetrig = 0x1B,         // R
    Tremor = 0x1D,              // T
    Sync = 0x20,                // W: posts a sync event
    ExtraFinePorta = 0x21,      // X
    FinePortaUp = 0xE1,
    FinePortaDown = 0xE2,
    GlissandoControl = 0xE3,
    VibratoControl = 0xE4,
    SetFinetune = 0xE5,
    PatternLoop = 0xE6,
    TremoloControl = 0xE7,
    Retrigger = 0xE9,
    FineVolumeUp = 0xEA,
    FineVolumeDown = 0xEB,
    NoteCut = 0xEC,
    NoteDelay = 0xED,
    PatternDelay = 0xEE,
    Arpeggio = 0xFF,
};
} // namespace XmEffect

// The volume column's commands: the byte's high nibble. Bytes 0x10..0x50 set the volume to byte - 0x10.
namespace XmVolume {
constexpr int kSetFirst = 0x10;
constexpr int kSetLast = 0x50;
enum : int {
    SlideDown = 0x6,
    SlideUp = 0x7,
    FineDown = 0x8,
    FineUp = 0x9,
    VibratoSpeed = 0xA,
    Vibrato = 0xB,
    SetPanning = 0xC,
    PanSlideLeft = 0xD,
    PanSlideRight = 0xE,
    TonePorta = 0xF,
};
} // namespace XmVolume

// The note value of a key-off (1..96 are notes).
constexpr int kKeyOffNote = 97;

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
