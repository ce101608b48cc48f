#pragma once
// Builds small XM images in code, in the fixed header layout or with other stored header sizes.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct XmSampleDesc {
    std::vector<int> points; // sample values (8- or 16-bit range), delta-encoded on writing
    int bits = 8;
    int loopType = 0;
    uint32_t loopStart = 0;  // frames
    uint32_t loopLength = 0; // frames
    int volume = 64;
    int finetune = 0;
    int panning = 128;
    int relativeNote = 0;
    int64_t declaredBytes = -1; // -1: the real byte length
    int extraBytes = 0;         // bytes of data beyond the points (e.g. an odd byte)
};

struct XmEnvelopeDesc {
    std::vector<std::array<int, 2>> points;
    int count = -1; // -1: points.size()
    int sustain = 0, loopStart = 0, loopEnd = 0, type = 0;
};

struct XmInstrumentDesc {
    std::vector<XmSampleDesc> samples;
    int64_t headerSize = -1; // -1: 263 with samples, 33 without
    int sampleCount = -1;    // -1: samples.size()
    std::array<int8_t, 96> keymap{};
    XmEnvelopeDesc volumeEnvelope, panningEnvelope;
    int vibType = 0, vibSweep = 0, vibDepth = 0, vibRate = 0;
    int fadeout = 0;
};

// A cell: note, instrument, volume byte, effect type, parameter.
using XmCell = std::array<int, 5>;

struct XmPatternDesc {
    int rows = 64;
    std::vector<XmCell> cells; // rows x channels, row-major; missing cells are empty
    uint32_t headerLength = 9;
    int64_t packedSizeOverride = -1;
};

struct XmSongDesc {
    int channels = 1;
    int speed = 6;
    int tempo = 125;
    bool linear = true;
    std::vector<uint8_t> orders{0};
    int songLength = -1;
    int restart = 0;
    int64_t headerSize = 276; // -1: 20 + orders.size() (a short header)
    std::vector<XmPatternDesc> patterns;
    std::vector<XmInstrumentDesc> instruments;
    int patternCountOverride = -1;
};

class XmBuilder {
public:
    static std::vector<uint8_t> build(const XmSongDesc& s)
    {
        std::vector<uint8_t> o;
        put(o, "Extended Module: ", 17);
        put(o, "test module", 20);
        o.push_back(0x1A);
        put(o, "builder", 20);
        u16(o, 0x0104);
        uint32_t headerSize = s.headerSize < 0 ? uint32_t(20 + s.orders.size()) : uint32_t(s.headerSize);
        u32(o, headerSize);
        u16(o, uint32_t(s.songLength < 0 ? int(s.orders.size()) : s.songLength));
        u16(o, uint32_t(s.restart));
        u16(o, uint32_t(s.channels));
        u16(o, uint32_t(s.patternCountOverride < 0 ? int(s.patterns.size()) : s.patternCountOverride));
        u16(o, uint32_t(s.instruments.size()));
        u16(o, s.linear ? 1 : 0);
        u16(o, uint32_t(s.speed));
        u16(o, uint32_t(s.tempo));
        std::vector<uint8_t> orders(headerSize - 20, 0);
        for (size_t i = 0; i < s.orders.size() && i < orders.size(); ++i)
            orders[i] = s.orders[i];
        o.insert(o.end(), orders.begin(), orders.end());
        for (const XmPatternDesc& p : s.patterns) {
            std::vector<uint8_t> packed;
            if (!p.cells.empty()) {
                for (int r = 0; r < p.rows; ++r)
                    for (int c = 0; c < s.channels; ++c) {
                        size_t i = size_t(r * s.channels + c);
                        XmCell cell = i < p.cells.size() ? p.cells[i] : XmCell{0, 0, 0, 0, 0};
                        bool all = cell[0] && cell[1] && cell[2] && cell[3] && cell[4];
                        if (all) {
                            for (int k = 0; k < 5; ++k)
                                packed.push_back(uint8_t(cell[size_t(k)]));
                        } else {
                            uint8_t mask = 0x80;
                            for (int k = 0; k < 5; ++k)
                                if (cell[size_t(k)])
                                    mask |= uint8_t(1 << k);
                            packed.push_back(mask);
                            for (int k = 0; k < 5; ++k)
                                if (cell[size_t(k)])
                                    packed.push_back(uint8_t(cell[size_t(k)]));
                        }
                    }
            }
            u32(o, p.headerLength);
            o.push_back(0);
            u16(o, uint32_t(p.rows));
            u16(o, uint32_t(p.packedSizeOverride < 0 ? int64_t(packed.size()) : p.packedSizeOverride));
            for (uint32_t k = 9; k < p.headerLength; ++k)
                o.push_back(0);
            o.insert(o.end(), packed.begin(), packed.end());
        }
        for (const XmInstrumentDesc& ins : s.instruments) {
            int count = ins.sampleCount < 0 ? int(ins.samples.size()) : ins.sampleCount;
            uint32_t size = ins.headerSize < 0 ? (count ? 263u : 33u) : uint32_t(ins.headerSize);
            std::vector<uint8_t> h(263, 0);
            h[0] = uint8_t(size);
            h[1] = uint8_t(size >> 8);
            h[2] = uint8_t(size >> 16);
            h[3] = uint8_t(size >> 24);
            std::memcpy(&h[4], "instrument", 10);
            h[27] = uint8_t(count);
            h[28] = uint8_t(count >> 8);
            h[29] = 40;
            std::memcpy(&h[33], ins.keymap.data(), 96);
            envelope(h, 129, 225, 227, 233, ins.volumeEnvelope);
            envelope(h, 177, 226, 230, 234, ins.panningEnvelope);
            h[235] = uint8_t(ins.vibType);
            h[236] = uint8_t(ins.vibSweep);
            h[237] = uint8_t(ins.vibDepth);
            h[238] = uint8_t(ins.vibRate);
            h[239] = uint8_t(ins.fadeout);
            h[240] = uint8_t(ins.fadeout >> 8);
            uint32_t written = size == 0 || size > 263 ? 263 : size;
            h.resize(written > 263 ? 263 : written, 0);
            o.insert(o.end(), h.begin(), h.end());
            if (count == 0)
                continue;
            std::vector<std::vector<uint8_t>> datas;
            for (const XmSampleDesc& sm : ins.samples) {
                std::vector<uint8_t> d;
                int prev = 0;
                for (int v : sm.points) {
                    int delta = v - prev;
                    prev = v;
                    if (sm.bits == 16) {
                        d.push_back(uint8_t(delta));
                        d.push_back(uint8_t(delta >> 8));
                    } else {
                        d.push_back(uint8_t(delta));
                    }
                }
                for (int k = 0; k < sm.extraBytes; ++k)
                    d.push_back(0x55);
                int bps = sm.bits / 8;
                u32(o, uint32_t(sm.declaredBytes < 0 ? int64_t(d.size()) : sm.declaredBytes));
                u32(o, sm.loopStart * uint32_t(bps));
                u32(o, sm.loopLength * uint32_t(bps));
                o.push_back(uint8_t(sm.volume));
                o.push_back(uint8_t(sm.finetune));
                o.push_back(uint8_t(sm.loopType | (sm.bits == 16 ? 0x10 : 0)));
                o.push_back(uint8_t(sm.panning));
                o.push_back(uint8_t(sm.relativeNote));
                o.push_back(0);
                put(o, "sample", 22);
                datas.push_back(d);
            }
            for (auto& d : datas)
                o.insert(o.end(), d.begin(), d.end());
        }
        return o;
    }

    // One channel, one instrument with one looping 8-bit sample, and one pattern of the given cells.
    static XmSongDesc simple(std::vector<XmCell> cells, int rows = 64, int channels = 1)
    {
        XmSongDesc s;
        s.channels = channels;
        XmPatternDesc p;
        p.rows = rows;
        p.cells = std::move(cells);
        s.patterns.push_back(p);
        XmInstrumentDesc ins;
        XmSampleDesc sm;
        for (int i = 0; i < 64; ++i)
            sm.points.push_back(i < 32 ? 100 : -100);
        sm.loopType = 1;
        sm.loopStart = 0;
        sm.loopLength = 64;
        ins.samples.push_back(sm);
        s.instruments.push_back(ins);
        return s;
    }

private:
    static void put(std::vector<uint8_t>& o, const char* s, size_t n)
    {
        size_t len = std::strlen(s);
        for (size_t i = 0; i < n; ++i)
            o.push_back(i < len ? uint8_t(s[i]) : 0);
    }
    static void u16(std::vector<uint8_t>& o, uint32_t v)
    {
        o.push_back(uint8_t(v));
        o.push_back(uint8_t(v >> 8));
    }
    static void u32(std::vector<uint8_t>& o, uint32_t v)
    {
        u16(o, v & 0xFFFF);
        u16(o, v >> 16);
    }
    static void envelope(std::vector<uint8_t>& h, int pointsAt, int countAt, int susAt, int typeAt,
                         const XmEnvelopeDesc& e)
    {
        for (size_t k = 0; k < e.points.size() && k < 12; ++k) {
            h[size_t(pointsAt) + k * 4] = uint8_t(e.points[k][0]);
            h[size_t(pointsAt) + k * 4 + 1] = uint8_t(e.points[k][0] >> 8);
            h[size_t(pointsAt) + k * 4 + 2] = uint8_t(e.points[k][1]);
            h[size_t(pointsAt) + k * 4 + 3] = uint8_t(e.points[k][1] >> 8);
        }
        h[size_t(countAt)] = uint8_t(e.count < 0 ? int(e.points.size()) : e.count);
        h[size_t(susAt)] = uint8_t(e.sustain);
        h[size_t(susAt) + 1] = uint8_t(e.loopStart);
        h[size_t(susAt) + 2] = uint8_t(e.loopEnd);
        h[size_t(typeAt)] = uint8_t(e.type);
    }
};
