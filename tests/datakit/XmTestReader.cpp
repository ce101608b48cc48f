#include "XmTestReader.h"

#include <cstring>

namespace {

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    bool ok() const { return m_ok; }
    size_t position() const { return m_at; }
    void seek(size_t at)
    {
        if (at > m_bytes.size()) {
            m_ok = false;
        } else {
            m_at = at;
        }
    }
    uint32_t u8()
    {
        if (m_at + 1 > m_bytes.size()) {
            m_ok = false;
            return 0;
        }
        return m_bytes[m_at++];
    }
    uint32_t u16()
    {
        const uint32_t low = u8();
        return low | (u8() << 8);
    }
    uint32_t u32()
    {
        const uint32_t low = u16();
        return low | (u16() << 16);
    }
    std::string text(size_t size)
    {
        std::string out;
        for (size_t i = 0; i < size; ++i) {
            const char c = static_cast<char>(u8());
            if (c) {
                out.push_back(c);
            }
        }
        return out;
    }

private:
    const std::vector<uint8_t>& m_bytes;
    size_t m_at = 0;
    bool m_ok = true;
};

} // namespace

std::string readXmForTest(const std::vector<uint8_t>& bytes, XmTestSong& song)
{
    song = XmTestSong{};
    Reader r(bytes);
    if (bytes.size() < 336 || std::memcmp(bytes.data(), "Extended Module: ", 17) != 0) {
        return "no XM signature";
    }
    r.seek(60);
    song.headerSize = r.u32();
    const uint32_t length = r.u16();
    song.restart = static_cast<int>(r.u16());
    song.channels = static_cast<int>(r.u16());
    const uint32_t patterns = r.u16();
    const uint32_t instruments = r.u16();
    song.flags = static_cast<int>(r.u16());
    song.speed = static_cast<int>(r.u16());
    song.tempo = static_cast<int>(r.u16());
    if (length < 1 || length > 256 || song.channels < 1 || song.channels > 32 || patterns > 256) {
        return "header counts out of range";
    }
    for (uint32_t i = 0; i < 256; ++i) {
        const uint8_t order = static_cast<uint8_t>(r.u8());
        if (i < length) {
            song.orders.push_back(order);
        }
    }
    r.seek(60 + song.headerSize);
    for (uint32_t p = 0; p < patterns; ++p) {
        const uint32_t headerLength = r.u32();
        r.u8();
        const uint32_t rows = r.u16();
        const uint32_t packedSize = r.u16();
        if (!r.ok() || headerLength != 9 || rows < 1 || rows > 256) {
            return "bad pattern header " + std::to_string(p);
        }
        const size_t end = r.position() + packedSize;
        std::vector<XmTestCell> cells(rows * static_cast<size_t>(song.channels));
        for (XmTestCell& cell : cells) {
            const uint32_t first = r.u8();
            if (first & 0x80) {
                cell.note = static_cast<uint8_t>(first & 1 ? r.u8() : 0);
                cell.instrument = static_cast<uint8_t>(first & 2 ? r.u8() : 0);
                cell.volume = static_cast<uint8_t>(first & 4 ? r.u8() : 0);
                cell.effect = static_cast<uint8_t>(first & 8 ? r.u8() : 0);
                cell.param = static_cast<uint8_t>(first & 16 ? r.u8() : 0);
            } else {
                cell.note = static_cast<uint8_t>(first);
                cell.instrument = static_cast<uint8_t>(r.u8());
                cell.volume = static_cast<uint8_t>(r.u8());
                cell.effect = static_cast<uint8_t>(r.u8());
                cell.param = static_cast<uint8_t>(r.u8());
            }
        }
        if (!r.ok() || r.position() != end) {
            return "packed size of pattern " + std::to_string(p) + " does not match its cells";
        }
        song.patternRows.push_back(static_cast<int>(rows));
        song.patterns.push_back(std::move(cells));
    }
    for (uint32_t i = 0; i < instruments; ++i) {
        const size_t start = r.position();
        XmTestInstrument instrument;
        instrument.headerSize = r.u32();
        instrument.name = r.text(22);
        r.u8();
        const uint32_t count = r.u16();
        if (count > 16) {
            return "too many samples";
        }
        if (count == 0) {
            r.seek(start + instrument.headerSize);
            song.instruments.push_back(instrument);
            continue;
        }
        const uint32_t sampleHeaderSize = r.u32();
        r.seek(start + 225);
        instrument.volumePoints = static_cast<uint8_t>(r.u8());
        r.u8();
        instrument.volumeSustain = static_cast<uint8_t>(r.u8());
        r.seek(start + 233);
        instrument.volumeType = static_cast<uint8_t>(r.u8());
        r.seek(start + instrument.headerSize);
        if (!r.ok() || sampleHeaderSize != 40) {
            return "bad instrument header " + std::to_string(i);
        }
        for (uint32_t s = 0; s < count; ++s) {
            XmTestSample sample;
            sample.lengthBytes = r.u32();
            sample.loopStartBytes = r.u32();
            sample.loopLengthBytes = r.u32();
            sample.volume = static_cast<uint8_t>(r.u8());
            r.u8();
            sample.type = static_cast<uint8_t>(r.u8());
            sample.panning = static_cast<uint8_t>(r.u8());
            sample.relativeNote = static_cast<int8_t>(r.u8());
            r.u8();
            r.text(22);
            instrument.samples.push_back(sample);
        }
        for (XmTestSample& sample : instrument.samples) {
            if (!(sample.type & 0x10)) {
                r.seek(r.position() + sample.lengthBytes);
                continue;
            }
            uint16_t value = 0;
            for (uint32_t k = 0; k < sample.lengthBytes / 2; ++k) {
                value = static_cast<uint16_t>(value + r.u16());
                sample.frames.push_back(static_cast<int16_t>(value));
            }
        }
        if (!r.ok()) {
            return "sample data of instrument " + std::to_string(i) + " cut short";
        }
        song.instruments.push_back(std::move(instrument));
    }
    if (r.position() != bytes.size()) {
        return "bytes left after the last instrument";
    }
    return "";
}
