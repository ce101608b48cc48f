// The playback engine and its effect commands: tick order, song position, notes, envelopes, effects.

#include "XmBuilder.h"

#include "music/ModulePlayer.h"
#include "music/SoundDevice.h"
#include "music/Voice.h"
#include "platform/OfflinePlatform.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A loaded player attached to an offline device that is never opened, so the test ticks it by hand.
struct Rig {
    OfflinePlatform clock;
    std::unique_ptr<SoundDevice> device;
    ModulePlayer player;

    explicit Rig(const XmSongDesc& song)
    {
        std::vector<uint8_t> img = XmBuilder::build(song);
        loaded = player.loadFromMemory(img.data(), img.size());
        device = makeOfflineSoundDevice(clock, nullptr);
        device->play(player);
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            player.tick();
    }
    const ModuleChannel& ch(int i = 0) const { return player.channel(i); }
    Voice& voice(int i = 0) { return *player.voice(i); }
    int loaded = 0;
};

// Cell helpers: note, instrument, volume byte, effect type, parameter.
XmCell cell(int note, int ins = 0, int vol = 0, int type = 0, int param = 0)
{
    return {note, ins, vol, type, param};
}
XmCell fx(int type, int param)
{
    return {0, 0, 0, type, param};
}
const XmCell kEmpty{0, 0, 0, 0, 0};

} // namespace

TEST(XmPeriods, LinearAndAmigaPeriodsAndFrequencies)
{
    EXPECT_EQ(Periods::linear(48, 0), 4608);
    EXPECT_EQ(Periods::linear(48, 3), 4606) << "trunc(4608 - 1.5)";
    EXPECT_EQ(Periods::linear(48, -3), 4609) << "trunc(4608 + 1.5)";
    EXPECT_DOUBLE_EQ(Periods::frequency(0, 4608), 8363.0);
    EXPECT_EQ(Periods::amiga(48, 0), 1712);
    EXPECT_EQ(Periods::amiga(48, 64), 1664) << "halfway to 1616";
    EXPECT_EQ(Periods::amiga(48, -64), 1762) << "halfway to note 47 (1812)";
    EXPECT_EQ(Periods::amiga(0, -128), 27392) << "note 0 has only itself below";
    EXPECT_EQ(Periods::amiga(119, 127), 26) << "note 119 uses entry 120: trunc(28 - 2 x 127 / 128)";
    EXPECT_DOUBLE_EQ(Periods::frequency(1, 1712), 14317456.0 / 1712);
    EXPECT_DOUBLE_EQ(Periods::frequency(1, -5), 14317456.0) << "floor of 1";
    EXPECT_EQ(Periods::frequency(2, 100), 0.0);
}

TEST(XmPeriods, PeriodToNoteTableAndRounding)
{
    Periods p;
    EXPECT_EQ(p.noteOfPeriod(1712), 48);
    EXPECT_EQ(p.noteOfPeriod(1700), 48) << "gaps take the nearest filled entry above";
    EXPECT_EQ(p.noteOfPeriod(9999), 17) << "later notes overwrite the clamped entry";
    EXPECT_EQ(p.noteOfPeriod(0), p.noteOfPeriod(1)) << "index clamped to 1..9999";
    EXPECT_EQ(p.noteOfPeriod(50000), 17);
    EXPECT_EQ(p.roundToNote(0, 4608 + 20, 0), 4608);
    EXPECT_EQ(p.roundToNote(0, 4608 + 40, 0), 4672);
    EXPECT_EQ(p.roundToNote(1, 1700, 0), 1712);
}

TEST(XmPlayer, FirstRowSoundsOnTickSpeed)
{
    Rig r(XmBuilder::simple({cell(49, 1)}));
    ASSERT_EQ(r.loaded, 1);
    r.ticks(5);
    EXPECT_EQ(r.player.decodedRows(), 0);
    EXPECT_FALSE(r.ch().active);
    r.ticks(1);
    EXPECT_EQ(r.player.decodedRows(), 1);
    EXPECT_EQ(r.player.tickCounter(), 0);
    EXPECT_TRUE(r.ch().active);
    EXPECT_EQ(r.ch().period, Periods::linear(48, 0));
    EXPECT_EQ(r.voice().volume, 64 * 4 * 9 / 32) << "master volume 9 after construction";
}

TEST(XmPlayer, SpeedZeroFreezesSongPositionWhileEffectsGoOn)
{
    Rig r(XmBuilder::simple({cell(49, 1, 0x61, 15, 0), cell(49, 1)}));
    r.ticks(6);
    EXPECT_EQ(r.player.speed(), 0);
    int row = r.player.rowCounter();
    r.ticks(40);
    EXPECT_EQ(r.player.rowCounter(), row);
    EXPECT_EQ(r.player.decodedRows(), 1);
    EXPECT_EQ(r.ch().volume, 64 - 40) << "the volume column slide kept running";
}

TEST(XmPlayer, NewTempoTakesEffectOnTheNextTick)
{
    Rig r(XmBuilder::simple({fx(15, 126)}));
    r.ticks(6);
    EXPECT_FLOAT_EQ(r.player.ticksPerSecond(), 50.0f) << "computed at the start of the tick";
    r.ticks(1);
    EXPECT_EQ(r.player.ticksPerSecond(), 126 * 0.4f);
    EXPECT_EQ(int(44100.0f / r.player.ticksPerSecond()), 875) << "single precision";
    EXPECT_EQ(int(44100.0f / (42 * 0.4f)), 2624) << "no fractional carry";
}

TEST(XmPlayer, RowsBeyondThePatternAndBreakRows)
{
    XmSongDesc s = XmBuilder::simple({fx(13, 0x99)}, 4);
    s.orders = {0, 0};
    Rig r(s);
    r.ticks(6);
    EXPECT_EQ(r.player.orderPosition(), 1);
    EXPECT_EQ(r.player.rowCounter(), 99) << "break rows above the count are kept";
    r.ticks(1);
    EXPECT_EQ(r.player.orderPosition(), 0) << "the next tick moves on (past the end: restart)";
    EXPECT_EQ(r.player.rowCounter(), 0);
    EXPECT_EQ(r.player.orderWraps(), 1);

    // At speed 1 the row beyond the count is decoded first: as an empty row, not as row 0.
    s.speed = 1;
    Rig r1(s);
    r1.ticks(1);
    EXPECT_EQ(r1.player.rowCounter(), 99);
    r1.ticks(1);
    EXPECT_EQ(r1.player.decodedRow(), 99);
    EXPECT_EQ(r1.ch().effectType, 0);
    EXPECT_EQ(r1.player.orderWraps(), 1);
}

TEST(XmPlayer, PositionJumpAndBreakOnTheSameRow)
{
    // Bxx on the higher channel resets the break row; Dxx on the higher channel keeps Bxx's target.
    XmSongDesc a = XmBuilder::simple({fx(13, 0x12), fx(11, 2)}, 64, 2);
    a.orders = {0, 0, 0, 0};
    Rig ra(a);
    ra.ticks(6);
    EXPECT_EQ(ra.player.orderPosition(), 2);
    EXPECT_EQ(ra.player.rowCounter(), 0);
    XmSongDesc b = XmBuilder::simple({fx(11, 3), fx(13, 0x12)}, 64, 2);
    b.orders = {0, 0, 0, 0};
    Rig rb(b);
    rb.ticks(6);
    EXPECT_EQ(rb.player.orderPosition(), 3);
    EXPECT_EQ(rb.player.rowCounter(), 12);
}

TEST(XmPlayer, PatternLoopCountersArePerChannel)
{
    // Channel 0 repeats rows 0..1 twice, then channel 1 repeats rows 2..3 once, each with its own counter.
    std::vector<XmCell> cells = {fx(14, 0x60), kEmpty,       fx(14, 0x62), kEmpty,
                                 kEmpty,       fx(14, 0x60), kEmpty,       fx(14, 0x61)};
    Rig r(XmBuilder::simple(cells, 8, 2));
    std::vector<int> rows;
    for (int i = 0; i < 11; ++i) {
        r.ticks(6);
        rows.push_back(r.player.decodedRow());
    }
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 4}));
}

TEST(XmPlayer, PatternDelayRepeatsRowWithoutEffects)
{
    Rig r(XmBuilder::simple({cell(49, 1, 0, 14, 0xE2), cell(0, 0, 0, 10, 0x10)}));
    r.ticks(6);
    int vol = r.ch().volume;
    r.ticks(12);
    EXPECT_EQ(r.player.decodedRows(), 1) << "the row repeats twice more";
    EXPECT_EQ(r.ch().volume, vol);
    r.ticks(6);
    EXPECT_EQ(r.player.decodedRows(), 2);
}

TEST(XmPlayer, GlobalVolumeGxxUnclampedHxyClamped)
{
    Rig r(XmBuilder::simple({cell(49, 1, 0, 16, 0x50), fx(17, 0x10)}));
    r.ticks(6);
    EXPECT_EQ(r.player.globalVolume(), 320);
    EXPECT_EQ(r.voice().volume, 256 * 320 / 256 * 9 / 32) << "voice volume still within 0..256";
    r.ticks(7);
    EXPECT_EQ(r.player.globalVolume(), 256) << "the slide clamps";
}

TEST(XmPlayer, GxxReachesChannelsLeftOfItOnTheNextTick)
{
    // Each channel's first-tick pass ends with its own voice update: a channel left of the Gxx has
    // already taken the old global volume on the row tick, one right of it takes the new one at once.
    Rig r(XmBuilder::simple({cell(49, 1), cell(49, 1, 0, 16, 0x20), cell(49, 1)}, 64, 3));
    r.ticks(6);
    EXPECT_EQ(r.voice(0).volume, 64 * 4 * 256 / 256 * 9 / 32);
    EXPECT_EQ(r.voice(1).volume, 64 * 4 * 128 / 256 * 9 / 32);
    EXPECT_EQ(r.voice(2).volume, 64 * 4 * 128 / 256 * 9 / 32);
    r.ticks(1);
    EXPECT_EQ(r.voice(0).volume, 64 * 4 * 128 / 256 * 9 / 32);
}

TEST(XmPlayer, VoiceVolumeClampsToFullScale)
{
    Rig r(XmBuilder::simple({cell(49, 1, 0, 16, 0xFF)}));
    r.player.setMasterVolume(32);
    r.ticks(6);
    EXPECT_EQ(r.voice().volume, 256);
}

TEST(XmPlayer, KeyOffWithoutEnvelopeSilencesAtOnce)
{
    Rig r(XmBuilder::simple({cell(49, 1), cell(97)}));
    r.ticks(6);
    EXPECT_EQ(r.ch().volume, 64);
    r.ticks(6);
    EXPECT_TRUE(r.ch().keyOff);
    EXPECT_EQ(r.ch().volume, 0);
}

TEST(XmPlayer, KeyOffReleasesSustainAndStartsFade)
{
    XmSongDesc s = XmBuilder::simple({cell(49, 1), kEmpty, cell(97)});
    XmEnvelopeDesc& e = s.instruments[0].volumeEnvelope;
    e.points = {{0, 64}, {4, 32}, {100, 0}};
    e.sustain = 1;
    e.type = 3;
    s.instruments[0].fadeout = 1000;
    Rig r(s);
    r.ticks(12);
    EXPECT_EQ(r.ch().volumeCursor.position, 4) << "held at the sustain point";
    EXPECT_EQ(r.ch().volumeCursor.value, 32);
    EXPECT_EQ(r.ch().fadeVolume, 65536);
    r.ticks(6);
    EXPECT_EQ(r.ch().volume, 64) << "an envelope keeps the volume";
    r.ticks(3);
    EXPECT_GT(r.ch().volumeCursor.position, 4);
    EXPECT_EQ(r.ch().fadeVolume, 65536 - 3 * 2000);
}

TEST(XmPlayer, KeyOffFollowsThePlayingInstrumentsEnvelopeNotTheNamedOne)
{
    // Instrument 1 has a volume envelope, instrument 2 none; a row between names the other one without a note.
    auto volumeAfterKeyOff = [](int playing, int named) {
        XmSongDesc s = XmBuilder::simple({cell(49, playing), cell(0, named), cell(97)});
        s.instruments.push_back(s.instruments[0]);
        s.instruments[0].volumeEnvelope.points = {{0, 64}, {100, 64}};
        s.instruments[0].volumeEnvelope.type = 1;
        Rig r(s);
        r.ticks(18);
        EXPECT_TRUE(r.ch().keyOff);
        return r.ch().volume;
    };
    EXPECT_EQ(volumeAfterKeyOff(1, 2), 64) << "the playing envelope fades the note out";
    EXPECT_EQ(volumeAfterKeyOff(2, 1), 0) << "no envelope playing: silent at once";
}

TEST(XmPlayer, EnvelopeValueInterpolatesAndEqualXTakesY)
{
    XmSongDesc s = XmBuilder::simple({cell(49, 1), fx(21, 3)});
    XmEnvelopeDesc& e = s.instruments[0].volumeEnvelope;
    e.points = {{0, 10}, {3, 0}, {3, 50}, {10, 60}};
    e.type = 1;
    Rig r(s);
    r.ticks(6);
    EXPECT_EQ(r.ch().volumeCursor.value, 10);
    r.ticks(1);
    EXPECT_EQ(r.ch().volumeCursor.value, 6) << "trunc(10 - 10/3)";
    r.ticks(5);
    EXPECT_EQ(r.ch().volumeCursor.position, 3) << "Lxx";
    EXPECT_EQ(r.ch().volumeCursor.value, 50) << "x does not rise: y[b], no division";
}

TEST(XmPlayer, SustainPointOnTheLoopEndLoops)
{
    XmSongDesc s = XmBuilder::simple({cell(49, 1)});
    XmEnvelopeDesc& e = s.instruments[0].volumeEnvelope;
    e.points = {{0, 64}, {2, 32}, {4, 0}};
    e.sustain = 2;
    e.loopStart = 1;
    e.loopEnd = 2;
    e.type = 7;
    Rig r(s);
    r.ticks(6);
    std::vector<int> pos;
    for (int i = 0; i < 6; ++i) {
        r.ticks(1);
        pos.push_back(r.ch().volumeCursor.position);
    }
    EXPECT_EQ(pos, (std::vector<int>{1, 2, 3, 2, 3, 2}));
}

// Row 0: a note with E4w or E7w (the waveform); row 1: the oscillator at speed 8, depth 15. The offsets of
// row 1's five per-tick passes, at positions 0, 8, 16, 24 and then 32 (sine: 32 - 63 = -31).
std::vector<int> oscillator(int setWave, int wave, int effect, int ModuleChannel::*offset)
{
    Rig r(XmBuilder::simple({cell(49, 1, 0, 14, setWave << 4 | wave), fx(effect, 0x8F)}));
    r.ticks(6 + 6); // row 0 from its first tick on, and row 1's first tick
    std::vector<int> got;
    for (int i = 0; i < 5; ++i) {
        r.ticks(1);
        got.push_back(r.ch().*offset);
    }
    return got;
}

TEST(XmPlayer, VibratoWaveformsAndTheirCycle)
{
    using V = std::vector<int>;
    // Sine: sine[q & 31] x 15 x 4 / 128, negated for q < 0 (the cycle is 63 steps: 32 -> -31).
    EXPECT_EQ(oscillator(4, 0, 4, &ModuleChannel::vibOffset),
              (V{0, 180 * 60 / 128, 255 * 60 / 128, 84, -(24 * 60 / 128)}));
    // Ramp: 15 x (q & 63) x 16 / 128.
    EXPECT_EQ(oscillator(4, 1, 4, &ModuleChannel::vibOffset), (V{0, 15, 30, 45, 60}));
    // Square (2 and 3): (512 - (q >> 5) x 1020) x 15 / 128, truncated towards 0.
    for (int wave : {2, 3})
        EXPECT_EQ(oscillator(4, wave, 4, &ModuleChannel::vibOffset), (V{60, 60, 60, 60, -59})) << wave;
}

TEST(XmPlayer, TremoloWaveforms)
{
    using V = std::vector<int>;
    // Sine: sine[q & 31] x 15 / 64; ramp: 15 x (q & 63) x 4 / 64; square: (128 - (q >> 5) x 255) x 15 / 64.
    EXPECT_EQ(oscillator(7, 0, 7, &ModuleChannel::tremOffset), (V{0, 42, 59, 42, -5}));
    EXPECT_EQ(oscillator(7, 1, 7, &ModuleChannel::tremOffset), (V{0, 7, 15, 22, 30}));
    for (int wave : {2, 3})
        EXPECT_EQ(oscillator(7, wave, 7, &ModuleChannel::tremOffset), (V{30, 30, 30, 30, -29})) << wave;
}

TEST(XmPlayer, TonePortamentoStepsBySpeedTimesFourAndStopsAtTheTarget)
{
    // C-4 (4608), then C-5 (3840) with 340: 256 per tick, and no further than the target.
    Rig r(XmBuilder::simple({cell(49, 1), cell(61, 0, 0, 3, 0x40)}));
    r.ticks(6 + 6);
    EXPECT_EQ(r.ch().period, 4608) << "the note of a portamento row is not played";
    std::vector<int> periods;
    for (int i = 0; i < 5; ++i) {
        r.ticks(1);
        periods.push_back(r.ch().period);
    }
    EXPECT_EQ(periods, (std::vector<int>{4352, 4096, 3840, 3840, 3840}));
}

TEST(XmPlayer, FinetuneE5xOverridesTheSamplesFinetune)
{
    // (12 - 8) x 16 = 64: linear period 4608 - 64 / 2.
    Rig r(XmBuilder::simple({cell(49, 1, 0, 14, 0x5C)}));
    r.ticks(6);
    EXPECT_EQ(r.ch().period, 4576);
}

TEST(XmPlayer, PanningEnvelopeMovesThePanTowardsTheNearerEdge)
{
    XmSongDesc s = XmBuilder::simple({cell(49, 1)});
    s.instruments[0].samples[0].panning = 192;
    s.instruments[0].panningEnvelope.points = {{0, 48}};
    s.instruments[0].panningEnvelope.type = 1;
    Rig r(s);
    r.ticks(6);
    // 192 + (48 - 32) x (128 - |192 - 128|) / 32.
    EXPECT_EQ(r.voice().panning, 224);
}

TEST(XmPlayer, ArpeggioPlaysLowHighBase)
{
    Rig r(XmBuilder::simple({cell(49, 1, 0, 0, 0x47)}));
    r.ticks(6);
    EXPECT_EQ(r.ch().arpOffset, 0);
    std::vector<int> off;
    for (int i = 0; i < 5; ++i) {
        r.ticks(1);
        off.push_back(r.ch().arpOffset);
    }
    EXPECT_EQ(off, (std::vector<int>{-7 * 64, -4 * 64, 0, -7 * 64, -4 * 64}));
    EXPECT_EQ(r.ch().voicePeriod, r.ch().period - 4 * 64);
}

TEST(XmPlayer, AmigaArpeggioKeepsTheSamplesFinetune)
{
    XmSongDesc s = XmBuilder::simple({cell(49, 1, 0, 0, 0x47)});
    s.linear = false;
    s.instruments[0].samples[0].finetune = 64;
    Rig r(s);
    r.ticks(6);
    EXPECT_EQ(r.ch().period, 1664) << "C-4 halfway to C#4: 1712 + (1616 - 1712) / 2";
    std::vector<int> off;
    for (int i = 0; i < 3; ++i) {
        r.ticks(1);
        off.push_back(r.ch().arpOffset);
    }
    // G-4 1140 halfway to 1076 is 1108, E-4 1356 halfway to 1280 is 1318.
    EXPECT_EQ(off, (std::vector<int>{1108 - 1664, 1318 - 1664, 0}));
}

TEST(XmPlayer, SlidesUseXMinusYWithSeparateMemories)
{
    Rig r(XmBuilder::simple({cell(49, 1, 0, 10, 0x03), cell(0, 0, 0, 6, 0x20), fx(10, 0)}));
    r.ticks(6);
    r.ticks(5);
    EXPECT_EQ(r.ch().volume, 64 - 5 * 3);
    r.ticks(6);
    EXPECT_EQ(r.ch().volume, 64 - 15 + 5 * 2);
    r.ticks(6);
    EXPECT_EQ(r.ch().volume, 59 - 15) << "A00 reuses A's memory, not 6's";
}

TEST(XmPlayer, NoteCutAndRetriggerCounts)
{
    Rig r(XmBuilder::simple({cell(49, 1, 0, 14, 0xC0), cell(49, 1, 0, 14, 0x92)}));
    r.ticks(6);
    EXPECT_EQ(r.ch().volume, 0) << "EC0 cuts on the first tick";
    r.ticks(6);
    EXPECT_EQ(r.ch().retrigCounter, 2) << "E9x sets only the counter on the first tick";
    EXPECT_EQ(r.ch().volume, 64);
    r.voice().position = 40;
    r.ticks(1);
    EXPECT_EQ(r.voice().position, 40);
    r.ticks(1);
    EXPECT_EQ(r.voice().position, 0) << "retriggered every 2 ticks";
}

TEST(XmPlayer, MultiRetrigChangesVolumeByKind)
{
    // Kinds 6 (x 2/3), 5 (-16), 7 (/ 2), E (x 3/2), B (+4), one channel each, from volume 32, every 2 ticks.
    const int kinds[] = {6, 5, 7, 14, 11};
    std::vector<XmCell> row;
    for (int kind : kinds)
        row.push_back(cell(49, 1, 0x30, 27, kind << 4 | 2));
    Rig r(XmBuilder::simple(row, 64, 5));
    r.ticks(6);
    EXPECT_EQ(r.ch().multiCounter, 1);
    r.ticks(1);
    const int once[] = {21, 16, 16, 48, 36};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(r.ch(c).volume, once[c]) << "kind " << kinds[c];
    r.ticks(2);
    EXPECT_EQ(r.ch(0).volume, 21 * 2 / 3);
}

TEST(XmPlayer, TremorGatesTheVolume)
{
    Rig r(XmBuilder::simple({cell(49, 1, 0, 29, 0x11)}));
    r.ticks(6);
    std::vector<int> gate;
    for (int i = 0; i < 5; ++i) {
        r.ticks(1);
        gate.push_back(r.ch().tremorGate);
    }
    EXPECT_EQ(gate, (std::vector<int>{1, 1, 0, 0, 1}));
}

TEST(XmPlayer, ToneportaToAnEmptySampleKeepsTheTarget)
{
    XmSongDesc s = XmBuilder::simple({cell(49, 1), cell(61, 0, 0, 3, 4), cell(73, 0, 0, 3, 0)});
    s.instruments[0].keymap[72] = 5; // an empty sample
    Rig r(s);
    r.ticks(12);
    int target = r.ch().targetPeriod;
    EXPECT_EQ(target, Periods::linear(60, 0));
    r.ticks(6);
    EXPECT_EQ(r.ch().targetPeriod, target);
    EXPECT_TRUE(r.ch().active) << "the sample keeps playing";
}

TEST(XmPlayer, MissingSampleSilencesTheChannelAndItsVoice)
{
    XmSongDesc s = XmBuilder::simple({cell(49, 1), cell(49, 2)});
    Rig r(s);
    r.ticks(6);
    EXPECT_NE(r.voice().sample, nullptr);
    r.ticks(6);
    EXPECT_FALSE(r.ch().active);
    EXPECT_EQ(r.voice().sample, nullptr);
    EXPECT_EQ(r.voice().volume, 0);
}

TEST(XmPlayer, InstrumentWithoutNoteOnFreshChannelTakesSampleZeroDefaults)
{
    XmSongDesc s = XmBuilder::simple({cell(0, 1)});
    s.instruments[0].samples[0].volume = 40;
    s.instruments[0].samples[0].panning = 200;
    Rig r(s);
    r.ticks(6);
    EXPECT_TRUE(r.ch().sampleSet);
    EXPECT_EQ(r.ch().volume, 40);
    EXPECT_EQ(r.ch().panning, 200);
}

TEST(XmPlayer, KeymapValueOutsideSixteenMeansNoSample)
{
    XmSongDesc s = XmBuilder::simple({cell(49, 1)});
    s.instruments[0].keymap[48] = 40;
    Rig r(s);
    r.ticks(6);
    EXPECT_FALSE(r.ch().active);
}

TEST(XmPlayer, HandOffCopiesTheOldVoiceIntoAFadingOne)
{
    Rig r(XmBuilder::simple({cell(49, 1), cell(61, 1)}));
    r.ticks(6);
    r.voice().position = 17;
    int free = r.device->freeVoices();
    r.ticks(6);
    EXPECT_EQ(r.device->freeVoices(), free - 1);
    Voice* fading = nullptr;
    for (int i = 0; i < SoundDevice::kPoolVoices; ++i)
        if (r.device->poolVoice(i).state.load() == Voice::Fading)
            fading = &r.device->poolVoice(i);
    ASSERT_NE(fading, nullptr);
    EXPECT_EQ(fading->position, 17);
    EXPECT_EQ(fading->volume, 0);
    EXPECT_EQ(r.voice().position, 0);
}

TEST(XmPlayer, NoteDelayRunsTheNoteOnItsTick)
{
    Rig r(XmBuilder::simple({cell(49, 1, 0x20, 14, 0xD3)}));
    r.ticks(6);
    EXPECT_FALSE(r.ch().active);
    r.ticks(2);
    EXPECT_FALSE(r.ch().active);
    r.ticks(1);
    EXPECT_TRUE(r.ch().active);
    EXPECT_EQ(r.ch().volume, 16) << "the volume column runs with the delayed note";
}

TEST(XmPlayer, KxxKeysOffAtItsTick)
{
    Rig r(XmBuilder::simple({cell(49, 1), fx(20, 2)}));
    r.ticks(6);
    r.ticks(6);
    EXPECT_FALSE(r.ch().keyOff);
    r.ticks(2);
    EXPECT_TRUE(r.ch().keyOff);
}

TEST(XmPlayer, AutoVibratoTypesAndSweep)
{
    // Depth 64, rate 64: positions 0, 64, 128, 192 on the ticks after the note.
    auto offsets = [](int type, int sweep) {
        XmSongDesc s = XmBuilder::simple({cell(49, 1)});
        s.instruments[0].vibType = type;
        s.instruments[0].vibSweep = sweep;
        s.instruments[0].vibDepth = 64;
        s.instruments[0].vibRate = 64;
        Rig r(s);
        r.ticks(6);
        std::vector<int> off;
        for (int i = 0; i < 4; ++i) {
            r.ticks(1);
            off.push_back(r.ch().autoVibOffset);
        }
        return off;
    };
    using V = std::vector<int>;
    EXPECT_EQ(offsets(0, 0), (V{0, -64, 0, 64})) << "the table: round(-64 sin(2 pi p / 256))";
    EXPECT_EQ(offsets(1, 0), (V{-64, -64, 64, 64})) << "a square";
    EXPECT_EQ(offsets(2, 0), (V{0, 32, -64, -32})) << "a rising saw";
    EXPECT_EQ(offsets(3, 0), (V{0, -32, -64, 32})) << "-(p >> 1) as a signed 7-bit value";
    EXPECT_EQ(offsets(2, 2), (V{0, 32 * 1 / 2, -64, -32})) << "scaled by counter / sweep while it rises";
}

TEST(XmPlayer, GlissandoResyncsOnVolumeColumnPortamentoToo)
{
    // E31 turns glissando on; a porta row (volume column Fx) after a row without porta takes the period.
    Rig r(XmBuilder::simple({cell(49, 1, 0, 14, 0x31), fx(1, 0x10), cell(61, 0, 0xF4, 0, 0)}));
    r.ticks(6);
    EXPECT_TRUE(r.ch().glissando);
    r.ticks(6 + 5);
    int slid = r.ch().period;
    EXPECT_EQ(slid, Periods::linear(48, 0) - 5 * 16 * 4);
    r.ticks(1);
    EXPECT_EQ(r.ch().glissPeriod, slid) << "resynchronised from the period";
    r.ticks(1);
    EXPECT_EQ(r.ch().period % 64, Periods::linear(0, 0) % 64) << "rounded to a note";
}

TEST(XmPlayer, MultiRetrigIntervalZeroNeverFires)
{
    Rig r(XmBuilder::simple({cell(49, 1, 0, 27, 0x40)}));
    r.ticks(6);
    r.voice().position = 30;
    r.ticks(5);
    EXPECT_EQ(r.ch().volume, 64);
    EXPECT_GT(r.voice().position, 0);
}

TEST(XmPlayer, ResetChannelsClearsSampleAndVolumeOnly)
{
    Rig r(XmBuilder::simple({cell(49, 1)}));
    r.ticks(6);
    r.voice().streamPos = 12345;
    r.player.resetChannels();
    EXPECT_EQ(r.voice().sample, nullptr);
    EXPECT_EQ(r.voice().volume, 0);
    EXPECT_EQ(r.voice().streamPos, 12345) << "stream positions belong to the output thread";
    EXPECT_EQ(r.ch().period, 100);
    EXPECT_FALSE(r.ch().active);
}
