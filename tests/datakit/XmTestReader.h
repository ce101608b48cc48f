#pragma once
// A strict, bounds-checked XM reader for the data kit's tests: unpacks what the writer produced.

#include <cstdint>
#include <string>
#include <vector>

struct XmTestCell {
    uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct XmTestSample {
    uint32_t lengthBytes = 0, loopStartBytes = 0, loopLengthBytes = 0;
    uint8_t volume = 0, type = 0, panning = 0;
    int8_t relativeNote = 0;
    std::vector<int16_t> frames; // decoded (16-bit samples only)
};

struct XmTestInstrument {
    uint32_t headerSize = 0;
    std::string name;
    uint8_t volumePoints = 0, volumeSustain = 0, volumeType = 0;
    std::vector<XmTestSample> samples;
};

struct XmTestSong {
    uint32_t headerSize = 0;
    int channels = 0, speed = 0, tempo = 0, restart = 0, flags = 0;
    std::vector<uint8_t> orders;
    std::vector<int> patternRows;
    std::vector<std::vector<XmTestCell>> patterns; // rows x channels each
    std::vector<XmTestInstrument> instruments;
};

// Returns an empty string on success, else the reason.
std::string readXmForTest(const std::vector<uint8_t>& bytes, XmTestSong& song);
