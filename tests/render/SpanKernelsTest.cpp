// The SIMD span loops (SSE2, AVX2) give exactly the scalar reference's pixels on short and odd widths, saturating
// shades and wrapping texture walks, and write nothing past the span.
#include "render/SpanKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

constexpr int32_t kGuard = 5;
constexpr uint32_t kUntouched = 0xdeadbeef;

// Parameter: the SIMD set under test (SSE2 or AVX2), absent where the build or processor has none.
class SpanKernelsAgree : public ::testing::TestWithParam<const SpanKernels* (*)()> {
protected:
    void SetUp() override
    {
        m_simd = GetParam()();
        if (!m_simd)
            GTEST_SKIP() << "no such SIMD span loops here";
        m_texels.resize(256 * 256);
        for (uint32_t& t : m_texels)
            t = uint32_t(m_random());
    }

    const SpanKernels* m_simd = nullptr;
    std::mt19937 m_random{99};
    std::vector<uint32_t> m_texels;

    ShadeLine shade()
    {
        ShadeLine line{};
        // Gentle ramps, ones that saturate, and steps at the edge of what eight 16-bit steps can hold.
        const uint32_t kind = m_random() % 3;
        for (int c = 0; c < 3; ++c) {
            line.start[c] = int32_t(m_random() % 80001) - 40000;
            if (kind == 2) {
                line.step[c] = int32_t(4090 + m_random() % 12) * (m_random() % 2 ? 1 : -1);
                continue;
            }
            const int32_t reach = kind ? 32768 : 600;
            line.step[c] = int32_t(m_random() % uint32_t(2 * reach - 1)) - (reach - 1);
        }
        return line;
    }
    TexelWalk walk()
    {
        return {uint32_t(m_random()), uint32_t(m_random()), uint32_t(m_random()), uint32_t(m_random())};
    }

    // Runs `loop` with both sets on the same output; the pixels and the guard after them must match.
    template<class Loop>
    void expectSame(int32_t count, Loop loop)
    {
        std::vector<uint32_t> scalar(size_t(count + kGuard), kUntouched), simd = scalar;
        loop(scalarSpanKernels(), scalar.data());
        loop(*m_simd, simd.data());
        ASSERT_EQ(scalar, simd) << "count " << count;
        for (int32_t j = count; j < count + kGuard; ++j)
            ASSERT_EQ(simd[size_t(j)], kUntouched);
    }
};

} // namespace

TEST_P(SpanKernelsAgree, EveryLoopOnShortAndOddWidths)
{
    for (int32_t count : {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 63, 64, 67, 640}) {
        for (int trial = 0; trial < 40; ++trial) {
            const ShadeLine s = shade();
            const TexelWalk w = walk();
            const uint32_t colour = uint32_t(m_random());
            expectSame(count, [&](const SpanKernels& k, uint32_t* d) { k.fill(d, count, colour); });
            expectSame(count, [&](const SpanKernels& k, uint32_t* d) { k.gouraud(d, count, s); });
            expectSame(count, [&](const SpanKernels& k, uint32_t* d) { k.textured(d, count, m_texels.data(), w); });
            expectSame(count,
                       [&](const SpanKernels& k, uint32_t* d) { k.texturedShaded(d, count, m_texels.data(), w, s); });
        }
    }
}

// A span cut into segments (whole groups of eight, odd lengths, gaps) draws each segment as one unbroken
// run of the scalar loop would: its walk started `offset` pixels earlier, the shade from the span's start.
TEST_P(SpanKernelsAgree, ShadedSegmentsContinueTheShadeAcrossTheSpan)
{
    constexpr int32_t kSpan = 300;
    for (int trial = 0; trial < 60; ++trial) {
        const ShadeLine s = shade();
        TexelSegment segments[40];
        int32_t count = 0;
        for (int32_t at = 0; count < 40;) {
            const int32_t length = m_random() % 3 ? 8 * int32_t(1 + m_random() % 3) : int32_t(1 + m_random() % 20);
            if (at + length > kSpan)
                break;
            segments[count++] = {at, length, walk()};
            at += length + (m_random() % 5 == 0 ? int32_t(m_random() % 4) : 0);
        }
        std::vector<uint32_t> expected(kSpan, kUntouched), run(kSpan), drawn(kSpan, kUntouched);
        for (int32_t k = 0; k < count; ++k) {
            const TexelSegment& g = segments[k];
            const TexelWalk back{g.walk.u - uint32_t(g.offset) * g.walk.du, g.walk.du,
                                 g.walk.v - uint32_t(g.offset) * g.walk.dv, g.walk.dv};
            scalarSpanKernels().texturedShaded(run.data(), g.offset + g.count, m_texels.data(), back, s);
            std::copy(run.begin() + g.offset, run.begin() + g.offset + g.count, expected.begin() + g.offset);
        }
        m_simd->texturedShadedSegments(drawn.data(), segments, count, m_texels.data(), s);
        ASSERT_EQ(expected, drawn) << "trial " << trial;
    }
}

INSTANTIATE_TEST_SUITE_P(Sse2, SpanKernelsAgree, ::testing::Values(&sse2SpanKernels));
INSTANTIATE_TEST_SUITE_P(Avx2, SpanKernelsAgree, ::testing::Values(&avx2SpanKernels));

TEST(SpanKernels, TextureTimesColourIsTheHighHalfOfTheDoubledProduct)
{
    // Texel (200, 100, 50) times colour (128, 255, 64): (400 x 16384) >> 16 = 100,
    // (200 x 32640) >> 16 = 99, (100 x 8192) >> 16 = 12.
    std::vector<uint32_t> texels(256 * 256, 0x00c86432);
    const ShadeLine line{{128 * 128, 255 * 128, 64 * 128}, {0, 0, 0}};
    for (const SpanKernels* k : {&scalarSpanKernels(), sse2SpanKernels(), avx2SpanKernels()}) {
        if (!k)
            continue;
        uint32_t out[5];
        k->texturedShaded(out, 5, texels.data(), {0, 65536, 0, 0}, line);
        for (uint32_t p : out)
            EXPECT_EQ(p, 0x0064630cu) << k->name;
    }
}
