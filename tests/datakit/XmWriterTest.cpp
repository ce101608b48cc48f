#include "XmWriter.h"
#include "XmTestReader.h"

#include <gtest/gtest.h>

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

uint32_t le16(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8);
}

XmSong tinySong()
{
    XmSong song;
    song.name = "tiny";
    song.channels = 2;
    song.speed = 6;
    song.tempo = 125;
    song.orders = {0, 0};
    XmPattern pattern;
    pattern.rows = 2;
    pattern.cells.assign(4, XmCell{});
    pattern.at(0, 0, 2) = XmCell{49, 1, 0, 0, 0};        // C-4, instrument 1
    pattern.at(0, 1, 2) = XmCell{0, 0, 0, 32, 0x20};     // W20
    pattern.at(1, 0, 2) = XmCell{0, 0, 0, 0, 0x37};      // arpeggio 037
    pattern.at(1, 1, 2) = XmCell{61, 1, 0x50, 10, 0x0F}; // every field present
    song.patterns.push_back(pattern);
    XmInstrument instrument;
    instrument.name = "tone";
    instrument.volumeEnvelope.points = {{0, 0}, {10, 64}, {20, 32}};
    instrument.volumeEnvelope.sustain = 1;
    instrument.volumeEnvelope.type = 3;
    XmSample sample;
    sample.frames = {100, -100, 32767, -32768};
    sample.loopStart = 1;
    sample.loopLength = 3;
    sample.loopType = 1;
    sample.relativeNote = 24;
    instrument.samples.push_back(sample);
    song.instruments.push_back(instrument);
    return song;
}

} // namespace

TEST(XmWriter, HeaderUsesTheFixedStandardLayout)
{
    XmWriter writer;
    const std::vector<uint8_t> b = writer.write(tinySong());
    ASSERT_FALSE(b.empty()) << writer.error();
    EXPECT_EQ(std::string(b.begin(), b.begin() + 17), "Extended Module: ");
    EXPECT_EQ(std::string(b.begin() + 17, b.begin() + 21), "tiny");
    EXPECT_EQ(b[37], 0x1A);
    EXPECT_EQ(le16(b, 58), 0x0104u);
    EXPECT_EQ(le32(b, 60), 276u);
    EXPECT_EQ(le16(b, 64), 2u); // song length
    EXPECT_EQ(le16(b, 68), 2u); // channels
    EXPECT_EQ(le16(b, 70), 1u); // patterns
    EXPECT_EQ(le16(b, 72), 1u); // instruments
    EXPECT_EQ(le16(b, 74), 1u); // linear frequencies
    EXPECT_EQ(le16(b, 76), 6u); // speed
    EXPECT_EQ(le16(b, 78), 125u);
    // Pattern header right after the 256-byte order table.
    EXPECT_EQ(le32(b, 336), 9u);
    EXPECT_EQ(le16(b, 341), 2u);
    const uint32_t packed = le16(b, 343);
    // Instrument: 263-byte header, one 40-byte sample header, 4 frames of 16-bit data.
    const size_t instrument = 336 + 9 + packed;
    EXPECT_EQ(le32(b, instrument), 263u);
    EXPECT_EQ(le32(b, instrument + 29), 40u);
    EXPECT_EQ(b.size(), instrument + 263 + 40 + 8);
}

TEST(XmWriter, PacksCellsWithAFlagByteAndKeepsFullCellsRaw)
{
    XmWriter writer;
    const std::vector<uint8_t> b = writer.write(tinySong());
    ASSERT_FALSE(b.empty());
    const std::vector<uint8_t> expected = {
        0x83, 49,   1,             // note + instrument
        0x98, 32,   0x20,          // effect type + parameter
        0x90, 0x37,                // arpeggio: type 0 is left out, only the parameter is stored
        61,   1,    0x50, 10, 0x0F // all five fields: unpacked form
    };
    ASSERT_EQ(le16(b, 343), expected.size());
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 345, b.begin() + 345 + static_cast<long>(expected.size())), expected);
}

TEST(XmWriter, SampleDataIsDeltaEncodedAndLoopsCountBytes)
{
    XmWriter writer;
    const std::vector<uint8_t> b = writer.write(tinySong());
    ASSERT_FALSE(b.empty());
    const size_t header = b.size() - 8 - 40;
    EXPECT_EQ(le32(b, header), 8u);     // length in bytes
    EXPECT_EQ(le32(b, header + 4), 2u); // loop start in bytes
    EXPECT_EQ(le32(b, header + 8), 6u); // loop length in bytes
    EXPECT_EQ(b[header + 14], 0x11);    // 16-bit, forward loop
    EXPECT_EQ(static_cast<int8_t>(b[header + 16]), 24);
    const size_t data = b.size() - 8;
    EXPECT_EQ(le16(b, data), 100u);
    EXPECT_EQ(le16(b, data + 2), static_cast<uint16_t>(-200));
    EXPECT_EQ(le16(b, data + 4), static_cast<uint16_t>(32767 + 100)); // wraps in 16 bits
    EXPECT_EQ(le16(b, data + 6), 1u);                                 // -32768 - 32767 wraps to 1

    XmTestSong song;
    ASSERT_EQ(readXmForTest(b, song), "");
    ASSERT_EQ(song.instruments.size(), 1u);
    EXPECT_EQ(song.instruments[0].samples[0].frames, (std::vector<int16_t>{100, -100, 32767, -32768}));
    EXPECT_EQ(song.instruments[0].volumePoints, 3);
    EXPECT_EQ(song.instruments[0].volumeType, 3);
}

TEST(XmWriter, InstrumentWithoutSamplesTakesTheShortHeader)
{
    XmSong song = tinySong();
    song.instruments.push_back(XmInstrument{});
    XmWriter writer;
    const std::vector<uint8_t> b = writer.write(song);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(le32(b, b.size() - 29), 29u);
    EXPECT_EQ(le16(b, b.size() - 2), 0u);
}

TEST(XmWriter, RefusesSongsBeyondTheFormatLimits)
{
    XmWriter writer;
    XmSong song = tinySong();
    song.channels = 33;
    EXPECT_TRUE(writer.write(song).empty());

    song = tinySong();
    song.orders.push_back(1); // no pattern 1
    EXPECT_TRUE(writer.write(song).empty());

    song = tinySong();
    song.instruments[0].keymap[5] = 1; // no second sample
    EXPECT_TRUE(writer.write(song).empty());

    song = tinySong();
    song.instruments[0].volumeEnvelope.points.resize(13);
    EXPECT_TRUE(writer.write(song).empty());

    song = tinySong();
    song.instruments[0].samples[0].loopLength = 4; // past the data
    EXPECT_TRUE(writer.write(song).empty());

    song = tinySong();
    song.patterns[0].cells.pop_back();
    EXPECT_TRUE(writer.write(song).empty());
    EXPECT_FALSE(writer.error().empty());
}
