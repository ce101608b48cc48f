#include "XmWriter.h"

void XmWriter::put16(uint32_t value)
{
    put8(value & 0xFF);
    put8((value >> 8) & 0xFF);
}

void XmWriter::put32(uint32_t value)
{
    put16(value & 0xFFFF);
    put16(value >> 16);
}

// Zero-padded, cut at `size`.
void XmWriter::putText(const std::string& text, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        put8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
    }
}

bool XmWriter::fail(const std::string& reason)
{
    m_error = reason;
    m_out.clear();
    return false;
}

std::vector<uint8_t> XmWriter::write(const XmSong& song)
{
    m_error.clear();
    m_out.clear();
    if (song.channels < 1 || song.channels > 32) {
        fail("channel count outside 1..32");
        return {};
    }
    if (song.orders.empty() || song.orders.size() > 256 || song.patterns.empty() || song.patterns.size() > 256) {
        fail("order or pattern count outside 1..256");
        return {};
    }
    if (song.instruments.size() > 255) {
        fail("more than 255 instruments");
        return {};
    }
    for (uint8_t order : song.orders) {
        if (order >= song.patterns.size()) {
            fail("order names a missing pattern");
            return {};
        }
    }

    putText("Extended Module: ", 17);
    putText(song.name, 20);
    put8(0x1A);
    putText(song.tracker, 20);
    put16(0x0104);
    put32(276);
    put16(static_cast<uint32_t>(song.orders.size()));
    put16(static_cast<uint32_t>(song.restart));
    put16(static_cast<uint32_t>(song.channels));
    put16(static_cast<uint32_t>(song.patterns.size()));
    put16(static_cast<uint32_t>(song.instruments.size()));
    put16(song.linearFrequencies ? 1 : 0);
    put16(static_cast<uint32_t>(song.speed));
    put16(static_cast<uint32_t>(song.tempo));
    for (size_t i = 0; i < 256; ++i) {
        put8(i < song.orders.size() ? song.orders[i] : 0);
    }
    for (const XmPattern& pattern : song.patterns) {
        if (!writePattern(pattern, song.channels)) {
            return {};
        }
    }
    for (const XmInstrument& instrument : song.instruments) {
        if (!writeInstrument(instrument)) {
            return {};
        }
    }
    return std::move(m_out);
}

bool XmWriter::writePattern(const XmPattern& pattern, int32_t channels)
{
    if (pattern.rows < 1 || pattern.rows > 256 ||
        pattern.cells.size() != static_cast<size_t>(pattern.rows * channels)) {
        return fail("pattern size does not match its rows and channels");
    }
    std::vector<uint8_t> packed;
    for (const XmCell& cell : pattern.cells) {
        if (cell.note > 97) {
            return fail("note outside 0..97");
        }
        uint8_t mask = 0;
        mask |= cell.note ? 0x01 : 0;
        mask |= cell.instrument ? 0x02 : 0;
        mask |= cell.volume ? 0x04 : 0;
        mask |= cell.effect ? 0x08 : 0;
        mask |= cell.param ? 0x10 : 0;
        if (mask == 0x1F) {
            // Every field present: the unpacked form is as short and starts with the note (below 0x80).
            packed.insert(packed.end(), {cell.note, cell.instrument, cell.volume, cell.effect, cell.param});
            continue;
        }
        packed.push_back(static_cast<uint8_t>(0x80 | mask));
        if (cell.note)
            packed.push_back(cell.note);
        if (cell.instrument)
            packed.push_back(cell.instrument);
        if (cell.volume)
            packed.push_back(cell.volume);
        if (cell.effect)
            packed.push_back(cell.effect);
        if (cell.param)
            packed.push_back(cell.param);
    }
    if (packed.size() > 0xFFFF) {
        return fail("packed pattern larger than 65535 bytes");
    }
    put32(9);
    put8(0);
    put16(static_cast<uint32_t>(pattern.rows));
    put16(static_cast<uint32_t>(packed.size()));
    m_out.insert(m_out.end(), packed.begin(), packed.end());
    return true;
}

bool XmWriter::writeInstrument(const XmInstrument& instrument)
{
    const size_t count = instrument.samples.size();
    if (count > 16) {
        return fail("more than 16 samples in an instrument");
    }
    if (count == 0) {
        put32(29);
        putText(instrument.name, 22);
        put8(0);
        put16(0);
        return true;
    }
    for (const XmEnvelope* envelope : {&instrument.volumeEnvelope, &instrument.panningEnvelope}) {
        if (envelope->points.size() > 12) {
            return fail("envelope with more than 12 points");
        }
    }
    for (uint8_t entry : instrument.keymap) {
        if (entry >= count) {
            return fail("keymap names a missing sample");
        }
    }

    const size_t start = m_out.size();
    put32(263);
    putText(instrument.name, 22);
    put8(0);
    put16(static_cast<uint32_t>(count));
    put32(40);
    for (uint8_t entry : instrument.keymap) {
        put8(entry);
    }
    for (const XmEnvelope* envelope : {&instrument.volumeEnvelope, &instrument.panningEnvelope}) {
        for (size_t i = 0; i < 12; ++i) {
            const XmEnvelopePoint point = i < envelope->points.size() ? envelope->points[i] : XmEnvelopePoint{};
            put16(point.tick);
            put16(point.value);
        }
    }
    put8(static_cast<uint32_t>(instrument.volumeEnvelope.points.size()));
    put8(static_cast<uint32_t>(instrument.panningEnvelope.points.size()));
    for (const XmEnvelope* envelope : {&instrument.volumeEnvelope, &instrument.panningEnvelope}) {
        put8(envelope->sustain);
        put8(envelope->loopStart);
        put8(envelope->loopEnd);
    }
    put8(instrument.volumeEnvelope.type);
    put8(instrument.panningEnvelope.type);
    put8(instrument.vibratoType);
    put8(instrument.vibratoSweep);
    put8(instrument.vibratoDepth);
    put8(instrument.vibratoRate);
    put16(instrument.fadeout);
    while (m_out.size() < start + 263) {
        put8(0);
    }

    for (const XmSample& sample : instrument.samples) {
        const uint64_t frames = sample.frames.size();
        if (frames * 2 > 0x7FFFFFFF || sample.loopStart + static_cast<uint64_t>(sample.loopLength) > frames) {
            return fail("sample loop outside its data");
        }
        put32(static_cast<uint32_t>(frames * 2));
        put32(sample.loopStart * 2);
        put32(sample.loopLength * 2);
        put8(sample.volume);
        put8(static_cast<uint8_t>(sample.finetune));
        put8(static_cast<uint32_t>(0x10 | (sample.loopType & 3)));
        put8(sample.panning);
        put8(static_cast<uint8_t>(sample.relativeNote));
        put8(0);
        putText(sample.name, 22);
    }
    for (const XmSample& sample : instrument.samples) {
        // Each point is stored as its difference to the one before, wrapping in 16 bits.
        uint16_t previous = 0;
        for (int16_t frame : sample.frames) {
            const uint16_t value = static_cast<uint16_t>(frame);
            put16(static_cast<uint16_t>(value - previous));
            previous = value;
        }
    }
    return true;
}
