// The XM loader of ModulePlayer: parses a file image into the song model through bounds-checked reads.

#include "data/ByteReader.h"
#include "music/ModulePlayer.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const uint32_t kFixedSongHeader = 276;
const uint32_t kPatternHeader = 9;
const uint32_t kInstrumentHeader = 263;
const uint32_t kEmptyInstrumentHeader = 33;
const uint32_t kSampleHeader = 40;
const char kSignature[] = "Extended Module: ";

int clampInt(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

void readEnvelope(Envelope& e, const uint8_t* hdr, int pointsAt, int count, int sustain, int loopStart, int loopEnd,
                  int type)
{
    e.pointCount = count > Envelope::kMaxPoints ? Envelope::kMaxPoints : count;
    ByteReader points(hdr + pointsAt, Envelope::kMaxPoints * 4);
    for (int k = 0; k < Envelope::kMaxPoints; ++k) {
        uint16_t x, y;
        points.u16le(x);
        points.u16le(y);
        e.x[k] = int(x);
        e.y[k] = clampInt(int(y), 0, 64);
    }
    e.sustain = sustain;
    e.loopStart = loopStart;
    e.loopEnd = loopEnd;
    e.type = type;
    // Features whose points do not exist are off, so the cursor never indexes beyond the points.
    e.on = (type & 1) && e.pointCount > 0;
    e.sustainOn = e.on && (type & 2) && sustain < e.pointCount;
    e.loopOn = e.on && (type & 4) && loopStart < e.pointCount && loopEnd < e.pointCount;
}

struct SampleHeader {
    uint32_t length = 0;
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;
    int volume = 0;
    int finetune = 0;
    int type = 0;
    int panning = 128;
    int relativeNote = 0;
    char name[22] = {};
};

// Writes point -k (1..kFrontPoints) of the readable area before the data.
void setPointFront(SampleData& d, int k, int32_t v)
{
    if (k < 1 || k > SampleData::kFrontPoints)
        return;
    if (d.bits == 16)
        d.buffer.samples16()[-k] = int16_t(v);
    else
        reinterpret_cast<int8_t*>(d.buffer.data())[-k] = int8_t(v);
}

// Decodes the deltas in place and writes the guard points the interpolation reads.
void finishSample(Sample& s)
{
    SampleData& d = s.data;
    if (d.length <= 0)
        return;
    s.empty = false;
    if (d.bits == 16) {
        int16_t* p = d.buffer.samples16();
        int16_t acc = 0;
        for (int64_t i = 0; i < d.length; ++i) {
            acc = int16_t(uint16_t(acc) + uint16_t(p[i]));
            p[i] = acc;
        }
    } else {
        int8_t* p = reinterpret_cast<int8_t*>(d.buffer.data());
        int8_t acc = 0;
        for (int64_t i = 0; i < d.length; ++i) {
            acc = int8_t(uint8_t(acc) + uint8_t(p[i]));
            p[i] = acc;
        }
    }
    auto point = [&](int64_t i) -> int32_t {
        return d.bits == 16 ? d.buffer.samples16()[i] : reinterpret_cast<int8_t*>(d.buffer.data())[i];
    };
    auto setPoint = [&](int64_t i, int32_t v) {
        // Guard points stay inside the buffer: at most two points into the slack.
        if (i < 0 || i > d.length + 1)
            return;
        if (d.bits == 16)
            d.buffer.samples16()[i] = int16_t(v);
        else
            reinterpret_cast<int8_t*>(d.buffer.data())[i] = int8_t(v);
    };
    if (d.loopType == 0) {
        setPoint(d.length, point(d.length - 1));
    } else if (d.loopType == 1) {
        setPoint(d.loopEnd, point(d.loopStart));
    } else {
        setPoint(d.loopEnd, point(d.loopEnd - 1));
        setPoint(d.loopEnd + 1, point(d.loopEnd));
    }
    // A backward voice may lie up to a step below its loop start, which can be before point 0:
    // the first point is repeated there.
    for (int k = 1; k <= SampleData::kFrontPoints; ++k)
        setPointFront(d, k, point(0));
}

} // namespace

void ModulePlayer::clearSong()
{
    m_patterns.clear();
    m_instruments.reset(new Instrument[kInstruments]);
    m_channelCount = 0;
    m_songLength = 1;
    m_restartPosition = 0;
    m_instrumentCount = 0;
    std::memset(m_order, 0, sizeof m_order);
    std::memset(m_moduleName, 0, sizeof m_moduleName);
    std::memset(m_trackerName, 0, sizeof m_trackerName);
    m_storedHeaderSize = 0;
    m_fixedLayout = true;
}

int ModulePlayer::loadFromFile(const char* name)
{
    if (!name)
        return 0;
    std::FILE* f = std::fopen(name, "rb");
    if (!f)
        return 0;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        size = std::ftell(f);
    if (size <= 0 || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        return 0;
    }
    std::vector<uint8_t> image;
    image.resize(size_t(size));
    size_t got = std::fread(image.data(), 1, image.size(), f);
    std::fclose(f);
    if (got != image.size())
        return 0;
    return loadFromMemory(image.data(), image.size());
}

int ModulePlayer::loadFromMemory(const uint8_t* data, size_t size)
{
    if (!data)
        return 0;
    ByteReader r(data, size);
    char signature[sizeof kSignature - 1];
    if (!r.bytes(signature, sizeof signature) || std::memcmp(signature, kSignature, sizeof signature) != 0)
        return 0;
    clearSong();
    // The fixed fields end at byte 80, before the order table.
    uint32_t headerSize;
    uint16_t songLength, restartPos, channels, patterns, instruments, flags, speed, tempo;
    if (!r.has(80 - r.position()))
        return 0;
    r.bytes(m_moduleName, 20);
    r.skip(1); // 0x1A
    r.bytes(m_trackerName, 20);
    r.skip(2); // version
    r.u32le(headerSize);
    r.u16le(songLength);
    r.u16le(restartPos);
    r.u16le(channels);
    r.u16le(patterns);
    r.u16le(instruments);
    r.u16le(flags);
    r.u16le(speed);
    r.u16le(tempo);
    m_storedHeaderSize = headerSize;
    m_fixedLayout = headerSize == kFixedSongHeader;
    // The song header holds 20 bytes of fields and then its order entries.
    if (headerSize < 20)
        return 0;
    channels &= 0xFF;
    patterns &= 0xFF;
    instruments &= 0xFF;
    if (channels > uint32_t(kMaxChannels))
        return 0; // the row decoder and the sync tables have 32 entries
    if (channels == 0)
        return 0;
    m_songLength = songLength == 0 ? 1 : (songLength > 256 ? 256 : int(songLength));
    m_restartPosition = restartPos < uint32_t(m_songLength) ? int(restartPos) : 0;
    m_frequencyMode = (flags & 1) ? 0 : 1;
    m_defaultSpeed = (speed & 0xFF) == 0 ? 6 : int(speed & 0xFF);
    // A tempo below 32 cannot be set by Fxx; 0 would divide by zero and 1..3 would overrun the ring.
    m_defaultTempo = (tempo & 0xFF) < 32 ? 32 : int(tempo & 0xFF);
    m_speed = m_defaultSpeed;
    m_tempo = m_defaultTempo;
    uint32_t orderBytes = headerSize - 20 < 256 ? headerSize - 20 : 256;
    if (!r.bytes(m_order, orderBytes))
        return 0;

    m_channelCount = int(channels);
    for (int i = 0; i < kMaxChannels; ++i) {
        m_channels[i] = ModuleChannel();
        m_channels[i].index = i;
        m_channels[i].player = this;
    }

    // Patterns start after the stored song header; each one's data after its stored header length.
    uint64_t pos = 60 + uint64_t(headerSize);
    for (uint32_t p = 0; p < patterns; ++p) {
        uint32_t headerLength;
        uint16_t rows, packedSize;
        if (!r.seek(pos) || !r.u32le(headerLength) || !r.skip(1) || !r.u16le(rows) || !r.u16le(packedSize))
            return 0; // the length, the packing type, the rows and the packed size
        uint32_t storedLength = headerLength;
        if (headerLength != kPatternHeader)
            m_fixedLayout = false;
        if (headerLength < kPatternHeader)
            headerLength = kPatternHeader;
        if (rows > uint32_t(Pattern::kMaxRows))
            return 0;
        if (!r.seek(pos + headerLength) || !r.has(packedSize))
            return 0;
        auto pattern = std::make_unique<Pattern>();
        pattern->setStoredHeaderLength(storedLength);
        bool ok;
        if (rows == 0)
            ok = pattern->create(m_channelCount, 64, nullptr, 0); // 64 empty rows
        else
            ok = pattern->create(m_channelCount, int(rows), r.current(), int(packedSize));
        m_patterns.push_back(std::move(pattern));
        if (!ok)
            return 0;
        pos += headerLength + packedSize;
    }

    // Instruments: each occupies its stored header size (0 or above 263 counts as 263); its sample
    // headers (40 bytes each) follow, then the sample data in the same order.
    m_instrumentCount = int(instruments);
    for (uint32_t i = 0; i < instruments; ++i) {
        Instrument& ins = m_instruments[i];
        uint32_t storedSize;
        if (!r.seek(pos) || !r.has(29) || !r.u32le(storedSize))
            return 0;
        ins.storedHeaderSize = storedSize;
        uint32_t headerBytes = (storedSize == 0 || storedSize > kInstrumentHeader) ? kInstrumentHeader : storedSize;
        // What is there of the header, zero-filled to its full size.
        uint8_t hdr[kInstrumentHeader] = {};
        r.seek(pos);
        r.bytes(hdr, headerBytes < r.remaining() ? headerBytes : r.remaining());
        std::memcpy(ins.name, hdr + 4, 22);
        ByteReader fields(hdr, sizeof hdr);
        int16_t storedSamples;
        uint16_t fadeout;
        fields.seek(27);
        fields.i16le(storedSamples);
        fields.seek(239);
        fields.u16le(fadeout);
        int sampleCount = storedSamples;
        if (sampleCount < 0)
            sampleCount = 0;
        if (storedSize != (sampleCount == 0 ? kEmptyInstrumentHeader : kInstrumentHeader))
            m_fixedLayout = false;
        if (sampleCount == 0) {
            pos += headerBytes;
            continue;
        }
        if (!r.seek(pos) || !r.has(headerBytes))
            return 0;
        std::memcpy(ins.keymap, hdr + 33, 96);
        readEnvelope(ins.volumeEnvelope, hdr, 129, hdr[225], hdr[227], hdr[228], hdr[229], hdr[233]);
        readEnvelope(ins.panningEnvelope, hdr, 177, hdr[226], hdr[230], hdr[231], hdr[232], hdr[234]);
        ins.vibratoType = hdr[235];
        ins.vibratoSweep = hdr[236];
        ins.vibratoDepth = hdr[237];
        ins.vibratoRate = hdr[238];
        ins.fadeout = fadeout;
        ins.empty = false;
        ins.sampleCount = sampleCount > Instrument::kMaxSamples ? Instrument::kMaxSamples : sampleCount;
        pos += headerBytes;

        // Sample headers: more than 16 are read only to skip their data. All must be in the file.
        if (!r.seek(pos) || !r.has(uint64_t(sampleCount) * kSampleHeader))
            return 0;
        std::vector<SampleHeader> headers(static_cast<size_t>(sampleCount));
        for (int s = 0; s < sampleCount; ++s) {
            SampleHeader& h = headers[size_t(s)];
            uint8_t volume, finetune, type, panning, relativeNote;
            r.u32le(h.length);
            r.u32le(h.loopStart);
            r.u32le(h.loopLength);
            r.u8(volume);
            r.u8(finetune);
            r.u8(type);
            r.u8(panning);
            r.u8(relativeNote);
            r.skip(1); // reserved
            r.bytes(h.name, 22);
            h.volume = volume > 64 ? 64 : volume;
            h.finetune = int8_t(finetune);
            h.type = type;
            h.panning = panning;
            h.relativeNote = int8_t(relativeNote);
            pos += kSampleHeader;
        }
        for (int s = 0; s < sampleCount; ++s) {
            const SampleHeader& h = headers[size_t(s)];
            uint64_t available = pos < size ? size - pos : 0;
            uint64_t stored = h.length;
            uint64_t present = stored < available ? stored : available;
            if (s < Instrument::kMaxSamples) {
                Sample& smp = ins.samples[s];
                smp.volume = h.volume;
                smp.finetune = h.finetune;
                smp.panning = h.panning;
                smp.relativeNote = h.relativeNote;
                std::memcpy(smp.name, h.name, 22);
                SampleData& d = smp.data;
                d.bits = (h.type & 0x10) ? 16 : 8;
                int bps = d.bits / 8;
                // A length beyond the file keeps what is there; the declared size is never allocated.
                d.length = int64_t(present) / bps;
                d.byteSize = d.length * bps;
                int64_t loopStart = int64_t(h.loopStart) / bps;
                int64_t loopEnd = (int64_t(h.loopStart) + int64_t(h.loopLength)) / bps;
                int loopType = h.type & 3;
                if (loopType == 3)
                    loopType = 2; // both bits: ping-pong
                if (loopEnd > d.length)
                    loopEnd = d.length;
                if (loopType != 0 && loopStart >= loopEnd)
                    loopType = 0;
                d.loopStart = loopType ? loopStart : 0;
                d.loopEnd = loopType ? loopEnd : 0;
                d.loopType = loopType;
                if (!d.buffer.create(d.length, 1, d.bits, 44100, false, SampleData::kFrontPoints * bps))
                    return 0;
                // The odd last byte of a 16-bit sample is copied into the slack, not decoded.
                if (present && r.seek(pos))
                    r.bytes(d.buffer.data(), present);
                finishSample(smp);
            }
            pos += stored;
        }
    }
    restart();
    return m_channelCount;
}
