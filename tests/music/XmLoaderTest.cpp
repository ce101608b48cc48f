// The XM loader: header layouts, the model's limits, and malformed or truncated files.

#include "XmBuilder.h"

#include "music/ModulePlayer.h"
#include "music/SoundDevice.h"
#include "platform/OfflinePlatform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::unique_ptr<ModulePlayer> load(const std::vector<uint8_t>& image, int* result = nullptr)
{
    auto p = std::make_unique<ModulePlayer>();
    int r = p->loadFromMemory(image.data(), image.size());
    if (result)
        *result = r;
    return p;
}

XmSampleDesc ramp8(int n)
{
    XmSampleDesc s;
    for (int i = 0; i < n; ++i)
        s.points.push_back(i * 3 - 60);
    return s;
}

// Plays a loaded module through the device's block rendering (ticks and mixer) without opening a card.
void playBlocks(ModulePlayer& p, int blocks)
{
    OfflinePlatform clock;
    auto device = makeOfflineSoundDevice(clock, nullptr);
    if (!device->play(p))
        return;
    SoundBuffer block;
    block.create(SoundDevice::kBlockFrames, 2, 16, 44100, false);
    for (int b = 0; b < blocks; ++b)
        device->renderBlock(block);
    device->stop(p);
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Two instruments (the first without samples), two patterns: the layout cases in one song.
XmSongDesc layoutSong()
{
    XmSongDesc s = XmBuilder::simple({{49, 2, 0, 0, 0}}, 4, 2);
    s.orders = {0, 1};
    XmPatternDesc p2;
    p2.rows = 2;
    p2.cells = {{50, 2, 0x30, 0xC, 0x20}, {0, 0, 0, 0, 0}, {97, 0, 0, 0, 0}, {0, 0, 0, 0, 0}};
    s.patterns.push_back(p2);
    XmInstrumentDesc empty;
    s.instruments.insert(s.instruments.begin(), empty);
    s.instruments[1].samples.push_back(ramp8(10));
    return s;
}

void expectLayoutSong(const ModulePlayer& p)
{
    EXPECT_EQ(p.channelCount(), 2);
    EXPECT_EQ(p.songLength(), 2);
    EXPECT_EQ(p.order(1), 1);
    ASSERT_EQ(p.patternCount(), 2);
    EXPECT_EQ(p.pattern(0)->rows(), 4);
    EXPECT_EQ(p.pattern(1)->rows(), 2);
    RowEntry row[2];
    p.pattern(1)->decodeRow(0, row);
    EXPECT_EQ(row[0].note, 50);
    EXPECT_EQ(row[0].instrument, 2);
    EXPECT_EQ(row[0].volume, 0x30);
    EXPECT_EQ(row[0].effect, 0x0C20);
    p.pattern(1)->decodeRow(1, row);
    EXPECT_EQ(row[0].note, 97);
    EXPECT_TRUE(p.instrument(0).empty);
    const Instrument& ins = p.instrument(1);
    EXPECT_FALSE(ins.empty);
    EXPECT_EQ(ins.sampleCount, 2);
    EXPECT_EQ(ins.samples[0].data.length, 64);
    EXPECT_EQ(ins.samples[1].data.length, 10);
    EXPECT_EQ(ins.samples[1].data.buffer.samples8()[9], 9 * 3 - 60);
}

} // namespace

TEST(XmLoader, FixedLayoutLoadsAsWritten)
{
    int r = 0;
    auto p = load(XmBuilder::build(layoutSong()), &r);
    EXPECT_EQ(r, 2); // the channel count
    EXPECT_TRUE(p->fixedLayout());
    expectLayoutSong(*p);
}

TEST(XmLoader, StoredHeaderSizesAreFollowed)
{
    // A short song header (only the used orders), a 263-byte header for an instrument without samples,
    // a longer pattern header and a shorter instrument header with samples.
    XmSongDesc s = layoutSong();
    s.headerSize = -1;
    s.instruments[0].headerSize = 263;
    s.patterns[1].headerLength = 13;
    s.instruments[1].headerSize = 243;
    int r = 0;
    auto p = load(XmBuilder::build(s), &r);
    EXPECT_EQ(r, 2);
    EXPECT_FALSE(p->fixedLayout());
    EXPECT_EQ(p->storedHeaderSize(), 22u);
    EXPECT_EQ(p->pattern(1)->storedHeaderLength(), 13u);
    EXPECT_EQ(p->instrument(0).storedHeaderSize, 263u);
    EXPECT_EQ(p->instrument(1).storedHeaderSize, 243u);
    expectLayoutSong(*p);
    EXPECT_EQ(p->order(2), 0); // orders the short header does not hold are 0
}

TEST(XmLoader, InstrumentHeaderSizeZeroOrLargeCountsAs263)
{
    for (int64_t size : {0, 300}) {
        XmSongDesc s = layoutSong();
        s.instruments[0].headerSize = size;
        auto p = load(XmBuilder::build(s));
        expectLayoutSong(*p);
    }
}

TEST(XmLoader, FailuresSayWhy)
{
    std::vector<uint8_t> img = XmBuilder::build(layoutSong());
    ModulePlayer p;
    EXPECT_EQ(p.loadFromMemory(nullptr, 100), 0);
    EXPECT_EQ(p.loadFromMemory(img.data(), 300), 0);
    EXPECT_EQ(p.loadFromMemory(img.data(), 70), 0);
    EXPECT_EQ(p.loadFailure(), "truncated in the song header (read past end)");
    EXPECT_EQ(p.loadFromMemory(img.data(), 350), 0);
    EXPECT_EQ(p.loadFailure(), "truncated in the data of pattern 0 (read past end)");
    img[0] = 'e';
    EXPECT_EQ(p.loadFromMemory(img.data(), img.size()), 0);
    EXPECT_EQ(p.loadFailure(), "not an XM file");
    EXPECT_EQ(p.loadFromFile("/nonexistent/file.xm"), 0);
    EXPECT_EQ(p.loadFailure(), "no such file");
}

// A directory would otherwise read as a huge size and a pipe would block for ever.
TEST(XmLoader, OnlyRegularFilesOfASongsSizeAreRead)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("kv-xm-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    ModulePlayer p;
    EXPECT_EQ(p.loadFromFile(dir.c_str()), 0);
    EXPECT_EQ(p.loadFailure(), "not a regular file");
    const std::filesystem::path fifo = dir / "pipe.xm";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(p.loadFromFile(fifo.c_str()), 0);
    const std::filesystem::path huge = dir / "huge.xm";
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, ModulePlayer::kMaxFileBytes + 1); // sparse: nothing is written
    EXPECT_EQ(p.loadFromFile(huge.c_str()), 0);
    EXPECT_EQ(p.loadFailure(), "larger than any song (256 MiB)");
    std::filesystem::remove_all(dir);
}

TEST(XmLoader, HeaderLimitsAreClampedOrRefused)
{
    XmSongDesc s = layoutSong();
    s.channels = 33;
    int r = 1;
    EXPECT_EQ(load(XmBuilder::build(s), &r)->loadFailure(), "too many channels (33, at most 32)");
    EXPECT_EQ(r, 0);

    s = layoutSong();
    s.channels = 0;
    load(XmBuilder::build(s), &r);
    EXPECT_EQ(r, 0) << "no channels";

    s = layoutSong();
    s.songLength = 0;
    s.restart = 5;
    s.speed = 0;
    s.tempo = 3;
    auto p = load(XmBuilder::build(s), &r);
    EXPECT_EQ(r, 2);
    EXPECT_EQ(p->songLength(), 1);
    EXPECT_EQ(p->restartPosition(), 0);
    EXPECT_EQ(p->defaultSpeed(), 6);
    EXPECT_EQ(p->defaultTempo(), 32);

    s = layoutSong();
    s.songLength = 300;
    p = load(XmBuilder::build(s), &r);
    EXPECT_EQ(p->songLength(), 256);

    s = layoutSong();
    s.patterns[0].rows = 257;
    s.patterns[0].cells.clear();
    EXPECT_EQ(load(XmBuilder::build(s), &r)->loadFailure(), "too many rows in a pattern (257, at most 256)");
    EXPECT_EQ(r, 0);
}

TEST(XmLoader, PatternRowIndexMustEndAtPackedSize)
{
    XmSongDesc s = layoutSong();
    s.patterns[0].packedSizeOverride = 11; // shorter than the rows need, still inside the file
    int r = 1;
    load(XmBuilder::build(s), &r);
    EXPECT_EQ(r, 0);
}

TEST(XmLoader, EmptyAndZeroRowPatterns)
{
    XmSongDesc s = layoutSong();
    s.patterns[1].cells.clear(); // packed size 0: rows of nothing
    s.patterns[0].rows = 0;      // 0 rows: 64 empty rows
    s.patterns[0].cells.clear();
    auto p = load(XmBuilder::build(s));
    EXPECT_EQ(p->pattern(0)->rows(), 64);
    EXPECT_EQ(p->pattern(1)->rows(), 2);
    RowEntry row[2];
    p->pattern(1)->decodeRow(1, row);
    EXPECT_EQ(row[0].note, 0);
    EXPECT_EQ(row[0].effect, 0);
}

TEST(XmLoader, OutOfRangeNotesAndEffectTypesDecodeAsNothing)
{
    XmSongDesc s = XmBuilder::simple({{98, 1, 0, 36, 5}, {0x7F, 0, 0, 0xE0, 0x12}, {97, 0, 0, 35, 1}}, 3);
    auto p = load(XmBuilder::build(s));
    RowEntry row[1];
    p->pattern(0)->decodeRow(0, row);
    EXPECT_EQ(row[0].note, 0);
    EXPECT_EQ(row[0].effect, 0);
    p->pattern(0)->decodeRow(1, row);
    EXPECT_EQ(row[0].note, 0);
    EXPECT_EQ(row[0].effect, 0);
    p->pattern(0)->decodeRow(2, row);
    EXPECT_EQ(row[0].note, 97);
    EXPECT_EQ(row[0].effect, 0x2301);
    p->pattern(0)->decodeRow(3, row); // beyond the rows: empty, never row 0
    EXPECT_EQ(row[0].instrument, 0);
}

TEST(XmLoader, DeltaDecodingWrapsInTheSampleWidth)
{
    XmSongDesc s = XmBuilder::simple({});
    XmSampleDesc a;
    a.points = {100, -100, 127, -128};
    XmSampleDesc b;
    b.bits = 16;
    b.points = {30000, -30000, 32767, -32768, 5};
    s.instruments[0].samples = {a, b};
    auto p = load(XmBuilder::build(s));
    const Instrument& ins = p->instrument(0);
    const int8_t* d8 = ins.samples[0].data.buffer.samples8();
    EXPECT_EQ(d8[0], 100);
    EXPECT_EQ(d8[1], -100);
    EXPECT_EQ(d8[2], 127);
    EXPECT_EQ(d8[3], -128);
    EXPECT_EQ(d8[4], -128) << "guard point after an unlooped sample";
    const int16_t* d16 = ins.samples[1].data.buffer.samples16();
    EXPECT_EQ(ins.samples[1].data.bits, 16);
    EXPECT_EQ(ins.samples[1].data.length, 5);
    EXPECT_EQ(d16[1], -30000);
    EXPECT_EQ(d16[3], -32768);
    EXPECT_EQ(d16[5], 5);
}

TEST(XmLoader, SixteenBitOddLengthOccupiesItsStoredBytes)
{
    XmSongDesc s = XmBuilder::simple({});
    XmSampleDesc a;
    a.bits = 16;
    a.points = {1000, 2000, 3000};
    a.extraBytes = 1; // 7 stored bytes: 3 frames and an odd byte
    XmSampleDesc b = ramp8(4);
    s.instruments[0].samples = {a, b};
    auto p = load(XmBuilder::build(s));
    const Instrument& ins = p->instrument(0);
    EXPECT_EQ(ins.samples[0].data.length, 3);
    EXPECT_EQ(ins.samples[0].data.buffer.samples16()[2], 3000);
    EXPECT_EQ(ins.samples[1].data.length, 4);
    EXPECT_EQ(ins.samples[1].data.buffer.samples8()[0], -60) << "the next sample starts after the odd byte";
}

TEST(XmLoader, LoopsAreClampedAndGuardPointsWritten)
{
    XmSongDesc s = XmBuilder::simple({});
    XmSampleDesc fwd = ramp8(20);
    fwd.loopType = 1;
    fwd.loopStart = 4;
    fwd.loopLength = 100; // beyond the sample: clamped to its end
    XmSampleDesc ping = ramp8(20);
    ping.loopType = 3;  // both bits: ping-pong
    ping.loopStart = 3; // a backward voice may lie a step (up to 33 points) below it, before point 0
    ping.loopLength = 7;
    XmSampleDesc zero = ramp8(20);
    zero.loopType = 1;
    zero.loopStart = 8;
    zero.loopLength = 0; // a forward loop of length 0 is no loop
    XmSampleDesc past = ramp8(20);
    past.loopType = 2;
    past.loopStart = 25; // start beyond the end: no loop
    past.loopLength = 4;
    s.instruments[0].samples = {fwd, ping, zero, past};
    auto p = load(XmBuilder::build(s));
    const Instrument& ins = p->instrument(0);
    const SampleData& f = ins.samples[0].data;
    EXPECT_EQ(f.loopType, 1);
    EXPECT_EQ(f.loopStart, 4);
    EXPECT_EQ(f.loopEnd, 20);
    EXPECT_EQ(f.buffer.samples8()[20], f.buffer.samples8()[4]);
    const SampleData& g = ins.samples[1].data;
    EXPECT_EQ(g.loopType, 2);
    EXPECT_EQ(g.loopEnd, 10);
    EXPECT_EQ(g.buffer.samples8()[10], g.buffer.samples8()[9]);
    EXPECT_EQ(g.buffer.samples8()[11], g.buffer.samples8()[10]);
    for (int k = 1; k <= SampleData::kFrontPoints; ++k)
        ASSERT_EQ(g.buffer.samples8()[-k], -60) << "point 0 repeated before the data, point " << -k;
    EXPECT_EQ(ins.samples[2].data.loopType, 0);
    EXPECT_EQ(ins.samples[3].data.loopType, 0);
}

TEST(XmLoader, SixteenBitLoopEndIsHalfOfStartPlusLength)
{
    XmSongDesc s = XmBuilder::simple({});
    XmSampleDesc a;
    a.bits = 16;
    for (int i = 0; i < 16; ++i)
        a.points.push_back(i * 100);
    a.loopType = 1;
    a.loopStart = 3;
    a.loopLength = 5;
    s.instruments[0].samples = {a};
    auto p = load(XmBuilder::build(s));
    EXPECT_EQ(p->instrument(0).samples[0].data.loopStart, 3);
    EXPECT_EQ(p->instrument(0).samples[0].data.loopEnd, 8);
}

TEST(XmLoader, DeclaredLengthBeyondFileKeepsWhatIsThere)
{
    XmSongDesc s = XmBuilder::simple({});
    XmSampleDesc a = ramp8(10);
    a.declaredBytes = 0x7FFFFFF0; // never allocated
    s.instruments[0].samples = {a};
    int r = 0;
    auto p = load(XmBuilder::build(s), &r);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(p->instrument(0).samples[0].data.length, 10);
}

TEST(XmLoader, MoreThanSixteenSamplesKeepsSixteenAndSkipsTheRest)
{
    XmSongDesc s = XmBuilder::simple({});
    s.instruments[0].samples.clear();
    for (int i = 0; i < 18; ++i)
        s.instruments[0].samples.push_back(ramp8(3 + i));
    XmInstrumentDesc second;
    second.samples.push_back(ramp8(7));
    s.instruments.push_back(second);
    auto p = load(XmBuilder::build(s));
    EXPECT_EQ(p->instrument(0).sampleCount, 16);
    EXPECT_EQ(p->instrument(0).samples[15].data.length, 18);
    EXPECT_EQ(p->instrument(1).samples[0].data.length, 7) << "the next instrument follows the skipped data";
}

TEST(XmLoader, EnvelopeFeaturesBeyondThePointsAreSwitchedOff)
{
    XmSongDesc s = XmBuilder::simple({});
    XmEnvelopeDesc& v = s.instruments[0].volumeEnvelope;
    v.points = {{0, 64}, {10, 200}, {20, 0}};
    v.count = 14;
    v.sustain = 13;
    v.loopStart = 0;
    v.loopEnd = 12;
    v.type = 7;
    XmEnvelopeDesc& pe = s.instruments[0].panningEnvelope;
    pe.count = 0;
    pe.type = 1; // on with 0 points: off
    auto p = load(XmBuilder::build(s));
    const Envelope& e = p->instrument(0).volumeEnvelope;
    EXPECT_EQ(e.pointCount, 12);
    EXPECT_TRUE(e.on);
    EXPECT_FALSE(e.sustainOn);
    EXPECT_FALSE(e.loopOn);
    EXPECT_EQ(e.y[1], 64) << "y clamped to 0..64";
    EXPECT_FALSE(p->instrument(0).panningEnvelope.on);
}

TEST(XmLoader, NegativeSampleCountIsZero)
{
    XmSongDesc s = XmBuilder::simple({});
    XmInstrumentDesc neg;
    neg.sampleCount = -3;
    neg.headerSize = 33;
    s.instruments.push_back(neg);
    int r = 0;
    auto p = load(XmBuilder::build(s), &r);
    EXPECT_EQ(r, 1);
    EXPECT_TRUE(p->instrument(1).empty);
}

TEST(XmLoader, MalformedFilesFailOrLoadWithoutFault)
{
    const char* names[] = {"load_xm_invalid_comment_length.xm", "load_xm_invalid_instsize.xm",
                           "load_xm_invalid_pattern_length.xm", "load_xm_orders_mismatch.xm",
                           "load_xm_zero_samples.xm",           "play_xm_bad_env_sustain.xm",
                           "play_xm_bad_instrument.xm",         "play_xm_vol_env_clamp.xm"};
    int loaded = 0;
    for (const char* n : names) {
        std::vector<uint8_t> img = readFile(std::string(KALVORA_TEST_DATA "/xm/malformed/") + n);
        ASSERT_FALSE(img.empty()) << n;
        ModulePlayer p;
        int r = p.loadFromMemory(img.data(), img.size());
        loaded += r != 0;
        if (r)
            playBlocks(p, 40); // about 7 s through the player and the mixer
    }
    EXPECT_EQ(loaded, 4);
}

// Truncations at every 1/16 of each file and random byte flips: a defined result, never a fault
// (the sanitizer build checks the reads).
TEST(XmLoader, TruncatedAndCorruptedFilesNeverFault)
{
    const char* names[] = {
        "w_sync_test.xm",         "rules/E90.xm",     "rules/NoteOffFade.xm", "rules/DelayCombination.xm",
        "rules/BidiPrecision.xm", "rules/pathead.xm", "rules/OffsetRange.xm", "rules/PatLoop-Various.xm"};
    std::vector<std::string> paths;
    for (const char* n : names)
        paths.push_back(std::string(KALVORA_TEST_DATA "/xm/") + n);
    // KALVORA_XM_FUZZ_DIR adds every .xm below a folder (a longer local run).
    if (const char* extra = std::getenv("KALVORA_XM_FUZZ_DIR"))
        for (const auto& e : std::filesystem::recursive_directory_iterator(extra))
            if (e.path().extension() == ".xm")
                paths.push_back(e.path().string());
    std::mt19937 rng(1234);
    for (const std::string& n : paths) {
        std::vector<uint8_t> img = readFile(n);
        ASSERT_FALSE(img.empty()) << n;
        for (int k = 0; k < 16; ++k) {
            std::vector<uint8_t> cut(img.begin(), img.begin() + long(img.size() * size_t(k) / 16));
            ModulePlayer p;
            if (p.loadFromMemory(cut.data(), cut.size()))
                playBlocks(p, 3);
        }
        for (int k = 0; k < 40; ++k) {
            std::vector<uint8_t> bad = img;
            for (int f = 0; f < 8; ++f)
                bad[rng() % bad.size()] ^= uint8_t(1u << (rng() % 8));
            ModulePlayer p;
            if (p.loadFromMemory(bad.data(), bad.size()))
                playBlocks(p, 3);
        }
    }
}
