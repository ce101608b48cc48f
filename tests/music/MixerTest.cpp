// The mixer: exact contributions, interpolation, ramping, loops, ring wrap, and bounded segments.

#include "music/MixKernels.h"
#include "music/SoftwareMixer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

SampleData makeSample(const std::vector<int>& points, int bits, int loopType = 0, int64_t loopStart = 0,
                      int64_t loopEnd = 0)
{
    SampleData d;
    d.bits = bits;
    d.length = int64_t(points.size());
    d.loopType = loopType;
    d.loopStart = loopStart;
    d.loopEnd = loopEnd;
    d.byteSize = d.length * bits / 8;
    d.buffer.create(d.length, 1, bits, 44100, false, SampleData::kFrontPoints * bits / 8);
    for (size_t i = 0; i < points.size(); ++i) {
        if (bits == 16)
            d.buffer.samples16()[i] = int16_t(points[i]);
        else
            reinterpret_cast<int8_t*>(d.buffer.data())[i] = int8_t(points[i]);
    }
    return d;
}

struct Ring {
    SoundBuffer buf;
    explicit Ring(int frames) { buf.create(frames, 2, 16, 44100, true); }
    int16_t left(int f) const { return buf.samples16()[f * 2]; }
    int16_t right(int f) const { return buf.samples16()[f * 2 + 1]; }
};

void setStep(Voice& v, double step)
{
    v.frequency = float(step * 44100.0);
}

void startVoice(Voice& v, const SampleData* d, int volume, int panning = 128)
{
    v.startSample(d);
    v.streamPos = 0;
    v.volume = volume;
    v.panning = panning;
}

} // namespace

TEST(Mixer, FullScaleEightBitPointSaturates)
{
    SampleData d = makeSample(std::vector<int>(64, -128), 8);
    Ring ring(16);
    ring.buf.samples16()[0] = -1;
    SoftwareMixer m(0);
    Voice v;
    startVoice(v, &d, 256);
    setStep(v, 1.0);
    ASSERT_EQ(m.mixVoice(v, &ring.buf, 4), 1);
    EXPECT_EQ(ring.left(0), -32768);
    EXPECT_EQ(ring.right(0), -32768);
    EXPECT_EQ(ring.left(1), -32768);
}

TEST(Mixer, SixteenBitContributionIsFloored)
{
    SampleData d = makeSample({-3, 3, -3, 3}, 16);
    Ring ring(4);
    SoftwareMixer m(0);
    Voice v;
    startVoice(v, &d, 100);
    setStep(v, 1.0);
    m.mixVoice(v, &ring.buf, 2);
    EXPECT_EQ(ring.left(0), -2) << "floor(-300 / 256)";
    EXPECT_EQ(ring.left(1), 1);
}

TEST(Mixer, PanningSplitAndTargets)
{
    SampleData d = makeSample(std::vector<int>(64, 1), 8);
    Ring ring(4);
    SoftwareMixer m(0);
    Voice v;
    startVoice(v, &d, 200, 192);
    setStep(v, 1.0);
    m.mixVoice(v, &ring.buf, 1);
    EXPECT_EQ(v.leftTarget, 200 * 128 / 256);
    EXPECT_EQ(v.rightTarget, 200);
    EXPECT_EQ(ring.left(0), 100);
    EXPECT_EQ(ring.right(0), 200);
}

TEST(Mixer, InterpolationUsesHalfFractionTwice)
{
    SampleData d = makeSample({0, 100, 100, 100}, 8);
    Ring ring(4);
    SoftwareMixer m(SoftwareMixer::Interpolation);
    Voice v;
    startVoice(v, &d, 256);
    v.fraction = 0x8000;
    setStep(v, 1.0);
    m.mixVoice(v, &ring.buf, 1);
    // a = 0, b = 25600, m = floor(25600 x 16384 / 65536) = 6400, out = a + m + m.
    EXPECT_EQ(ring.left(0), 12800);
}

TEST(Mixer, InterpolationSaturatesTheDifference)
{
    SampleData d = makeSample({-128, 127, 0}, 8);
    Ring ring(2);
    SoftwareMixer m(SoftwareMixer::Interpolation);
    Voice v;
    startVoice(v, &d, 256);
    v.fraction = 0xFFFF;
    setStep(v, 1.0);
    m.mixVoice(v, &ring.buf, 1);
    // d = saturate(32512 + 32768) = 32767, m = floor(32767 x 32767 / 65536) = 16383.
    EXPECT_EQ(ring.left(0), -32768 + 16383 + 16383);
}

TEST(Mixer, RampRisesFromSilenceOverAbout512Frames)
{
    SampleData d = makeSample(std::vector<int>(2000, 100), 8, 1, 0, 2000);
    Ring ring(1024);
    SoftwareMixer m(SoftwareMixer::Ramping);
    Voice v;
    startVoice(v, &d, 256);
    setStep(v, 1.0);
    m.mixVoice(v, &ring.buf, 600);
    EXPECT_EQ(ring.left(0), 0);
    EXPECT_EQ(ring.left(1), 0);
    EXPECT_EQ(ring.left(2), 100);
    EXPECT_EQ(ring.left(383), 191 * 100);
    EXPECT_LT(ring.left(510), 25600);
    EXPECT_EQ(ring.left(511), 25600);
    EXPECT_EQ(v.leftCurrent, 256);
    for (int f = 0; f < 600; ++f)
        ASSERT_LE(ring.left(f), 25600) << "never overshoots";
}

TEST(Mixer, ForwardLoopWrapsByItsLengthKeepingTheFraction)
{
    std::vector<int> pts(10);
    for (int i = 0; i < 10; ++i)
        pts[size_t(i)] = i;
    SampleData d = makeSample(pts, 8, 1, 4, 10);
    Ring ring(64);
    SoftwareMixer m(0);
    Voice v;
    startVoice(v, &d, 256);
    setStep(v, 1.25);
    m.mixVoice(v, &ring.buf, 9);
    // Positions 0, 1.25, ..., 10.0 after 8 frames -> 10.0 - 6 = 4.0; after 9: 5.25.
    EXPECT_EQ(ring.left(7), 8 * 256);
    EXPECT_EQ(ring.left(8), 4 * 256);
    EXPECT_EQ(v.position, 5);
    EXPECT_EQ(v.fraction, 0x4000u);
}

TEST(Mixer, PingPongTurnsWithoutReflectingAndKeepsPlayingPastItsLoopEndBackwards)
{
    std::vector<int> pts(8);
    for (int i = 0; i < 8; ++i)
        pts[size_t(i)] = i * 10;
    SampleData d = makeSample(pts, 8, 2, 2, 6);
    Ring ring(64);
    SoftwareMixer m(0);
    Voice v;
    startVoice(v, &d, 256);
    setStep(v, 1.75);
    // 0, 1.75, 3.5, 5.25, and the turn at 7.0 on the call's last frame: the voice lies beyond the loop end,
    // moving backwards, and the next call goes on from there.
    m.mixVoice(v, &ring.buf, 4);
    EXPECT_EQ(v.position, 7);
    EXPECT_EQ(v.direction, -1);
    // 7.0 (read, beyond the loop end), 5.25, 3.5 | at 1.75 turn: 1.75.
    m.mixVoice(v, &ring.buf, 4);
    std::vector<int> got;
    for (int f = 0; f < 8; ++f)
        got.push_back(ring.left(f) / 256);
    EXPECT_EQ(got, (std::vector<int>{0, 10, 30, 50, 70, 50, 30, 10}));
    EXPECT_EQ(v.direction, 1);
    EXPECT_EQ(v.position, 3);
    EXPECT_EQ(v.fraction, 0x8000u);
}

TEST(Mixer, RingEndAndLoopPointOnTheSameFrame)
{
    std::vector<int> pts(8, 0);
    pts[0] = 1;
    SampleData d = makeSample(pts, 8, 1, 0, 8);
    Ring ring(8);
    SoftwareMixer m(0);
    Voice v;
    startVoice(v, &d, 256);
    v.streamPos = 4;
    v.position = 4;
    setStep(v, 1.0);
    m.mixVoice(v, &ring.buf, 6);
    EXPECT_EQ(ring.left(0), 256) << "the output wrapped to the ring start and the sample to its loop start";
    EXPECT_EQ(v.position, 2);
}

TEST(Mixer, UnloopedVoiceStopsAtItsEnd)
{
    SampleData d = makeSample(std::vector<int>(10, 50), 8);
    Ring ring(64);
    SoftwareMixer m(0);
    Voice v;
    startVoice(v, &d, 256);
    setStep(v, 3.0);
    m.mixVoice(v, &ring.buf, 20);
    EXPECT_EQ(v.sample, nullptr);
    EXPECT_EQ(ring.left(3), 50 * 256);
    EXPECT_EQ(ring.left(4), 0);
    EXPECT_EQ(v.streamPos, 20);
}

TEST(Mixer, SilentVoiceStillMovesItsPosition)
{
    SampleData d = makeSample(std::vector<int>(100, 50), 8, 1, 0, 100);
    Ring ring(64);
    SoftwareMixer m(0);
    Voice v;
    startVoice(v, &d, 0);
    setStep(v, 1.0);
    m.mixVoice(v, &ring.buf, 30);
    EXPECT_EQ(v.position, 30);
    EXPECT_EQ(ring.left(5), 0);
}

TEST(Mixer, DegenerateLoopsAndExtremeStepsNeverStallOrLeaveTheData)
{
    SoftwareMixer m(SoftwareMixer::Ramping | SoftwareMixer::Interpolation);
    Ring ring(441);
    for (int type : {0, 1, 2, 3})
        for (int64_t ls : {0, 5, 9})
            for (int64_t le : {0, 1, 6, 10})
                for (double step : {0.0, 1e-9, 0.7, 5.0, 33.0, 1e12}) {
                    SampleData d = makeSample(std::vector<int>(10, 20), 16, type, ls, le);
                    Voice v;
                    startVoice(v, &d, 256);
                    setStep(v, step);
                    for (int k = 0; k < 20; ++k) {
                        m.mixVoice(v, &ring.buf, 300);
                        // Also where a voice stopped: it never got further than a step past the data.
                        ASSERT_GE(v.position, -34);
                        ASSERT_LE(v.position, 10 + 34);
                    }
                }
}

TEST(Mixer, StepIsClampedAndSplitInSixteenSixteen)
{
    SampleData d = makeSample(std::vector<int>(10, 0), 8, 1, 0, 10);
    Ring ring(16);
    SoftwareMixer m(0);
    Voice v;
    startVoice(v, &d, 0);
    v.frequency = 8363.0f;
    m.mixVoice(v, &ring.buf, 1);
    EXPECT_EQ(v.stepInt, 0);
    EXPECT_EQ(v.stepFrac, uint32_t(double(8363.0f) / 44100.0 * 65536.0));
    v.frequency = 1e9f;
    m.mixVoice(v, &ring.buf, 1);
    EXPECT_EQ(v.stepInt, 32);
    EXPECT_EQ(v.stepFrac, 0x8000u);
}

TEST(Mixer, KernelVariantsAgreeWithTheFormula)
{
    // Every variant against a direct evaluation of the per-frame formula, 8 and 16 bits.
    std::vector<int> p8 = {-128, 127, 5, -7, 99, -100, 0, 64, 1, -1, 33};
    std::vector<int> p16 = {-32768, 32767, 500, -700, 9999, -10000, 0, 6400, 1, -1, 3333};
    for (int bits : {8, 16})
        for (int flags = 0; flags < 4; ++flags) {
            const std::vector<int>& p = bits == 8 ? p8 : p16;
            SampleData d = makeSample(p, bits, 1, 0, int64_t(p.size()) - 1);
            Ring ring(8);
            for (int f = 0; f < 8; ++f)
                ring.buf.samples16()[f * 2] = int16_t(f * 1000 - 3000);
            SoftwareMixer m(flags);
            Voice v;
            startVoice(v, &d, 200);
            v.leftCurrent = v.rightCurrent = 190;
            setStep(v, 0.9);
            m.mixVoice(v, &ring.buf, 8);
            int64_t pos = 0;
            int64_t step = int64_t(v.stepInt) << 16 | v.stepFrac;
            int vol = (flags & 1) ? 190 : 200;
            for (int f = 0; f < 8; ++f) {
                int64_t i = pos >> 16;
                uint32_t frac = uint32_t(pos & 0xFFFF);
                auto contrib = [&](int64_t k) {
                    int s = p[size_t(k)];
                    return bits == 8 ? s * vol : (s * vol) >> 8;
                };
                int32_t out = contrib(i);
                if (flags & 2) {
                    int32_t b = contrib(i + 1);
                    int32_t dd = mixk::saturate16(b - out);
                    int32_t mm = (dd * int32_t(frac >> 1)) >> 16;
                    out = mixk::saturate16(mixk::saturate16(out + mm) + mm);
                }
                int32_t expect = mixk::saturate16(f * 1000 - 3000 + out);
                ASSERT_EQ(ring.left(f), expect) << "bits " << bits << " flags " << flags << " frame " << f;
                pos += step;
                if ((flags & 1) && (f & 1))
                    ++vol;
            }
        }
}

TEST(Mixer, SimdAndScalarLoopsAgreeBitForBit)
{
    uint32_t seed = 99;
    auto rnd = [&] {
        seed = seed * 214013u + 2531011u;
        return int((seed >> 16) & 0x7FFF);
    };
    for (int bits : {8, 16})
        for (int flags = 0; flags < 4; ++flags)
            for (int64_t count : {0, 1, 3, 4, 5, 17, 1000})
                for (double step : {0.37, 1.0, 2.71, 31.9})
                    for (int dir : {1, -1}) {
                        std::vector<int> pts(2000);
                        for (int& x : pts)
                            x = bits == 8 ? rnd() % 256 - 128 : rnd() * 2 - 32768;
                        SampleData d = makeSample(pts, bits, 2, 0, 2000);
                        SoundBuffer out[2];
                        Voice v[2];
                        int volume = rnd() % 257;
                        int panning = rnd() % 257;
                        for (int k = 0; k < 2; ++k) {
                            out[k].create(1500, 2, 16, 44100, true);
                            for (int i = 0; i < 3000; ++i)
                                out[k].samples16()[i] = int16_t(rnd() * 2 - 32768);
                            startVoice(v[k], &d, volume, panning);
                            v[k].position = 1000;
                            v[k].direction = dir;
                            v[k].streamPos = 700;
                            setStep(v[k], step);
                        }
                        std::memcpy(out[1].samples16(), out[0].samples16(), 3000 * 2);
                        SoftwareMixer m(flags);
                        SoftwareMixer::setForceScalar(true);
                        m.mixVoice(v[0], &out[0], int(count));
                        SoftwareMixer::setForceScalar(false);
                        m.mixVoice(v[1], &out[1], int(count));
                        ASSERT_EQ(std::memcmp(out[0].samples16(), out[1].samples16(), 3000 * 2), 0)
                            << bits << " " << flags << " " << count << " " << step << " " << dir;
                        ASSERT_EQ(v[0].position, v[1].position);
                        ASSERT_EQ(v[0].fraction, v[1].fraction);
                    }
    SoftwareMixer::setForceScalar(false);
}
