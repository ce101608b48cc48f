// The SIMD kernels give exactly the scalar reference's pixels, on random input and on edge cases.
#include "render/PixelKernels.h"
#include "data/Bitmap.h"
#include "platform/ScalarSwitch.h"
#include "render/GridMap.h"
#include "render/PixelOps.h"
#include "render/Random.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// Parameter: the SIMD set under test (SSE2 or AVX2), absent where the build or processor has none.
class PixelKernelsAgree : public ::testing::TestWithParam<const PixelKernels* (*)()> {
protected:
    void SetUp() override
    {
        m_simd = GetParam()();
        if (!m_simd)
            GTEST_SKIP() << "no such SIMD kernels here";
    }
    void TearDown() override { usePixelKernels(nullptr); }

    const PixelKernels* m_simd = nullptr;
    Random m_random{12345};

    uint32_t word()
    {
        return (uint32_t(m_random.next()) << 17) ^ (uint32_t(m_random.next()) << 2) ^ uint32_t(m_random.next());
    }

    Bitmap randomImage(int32_t w, int32_t h)
    {
        Bitmap b(w, h, Bitmap::FormatXrgb32);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                b.row32(y)[x] = word();
        return b;
    }
};

bool sameImage(const Bitmap& a, const Bitmap& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int32_t y = 0; y < a.height(); ++y)
        if (std::memcmp(a.row(y), b.row(y), size_t(a.width()) * 4) != 0)
            return false;
    return true;
}

Bitmap copyOf(const Bitmap& a)
{
    Bitmap b(a.width(), a.height(), Bitmap::FormatXrgb32);
    for (int32_t y = 0; y < a.height(); ++y)
        std::memcpy(b.row(y), a.row(y), size_t(a.width()) * 4);
    return b;
}

// Runs `op` once with the scalar kernels and once with `simd` on copies of `image`.
template<class Op>
void expectSame(const PixelKernels* simd, const Bitmap& image, Op op)
{
    Bitmap scalarImage = copyOf(image), simdImage = copyOf(image);
    usePixelKernels(&scalarPixelKernels());
    op(scalarImage);
    usePixelKernels(simd);
    op(simdImage);
    EXPECT_TRUE(sameImage(scalarImage, simdImage)) << simd->name;
}

} // namespace

TEST_P(PixelKernelsAgree, AddAndSubtractColorOnOddWidthsAndViews)
{
    for (int32_t w : {1, 3, 4, 5, 7, 642}) {
        const Bitmap image = randomImage(w, 5);
        for (int i = 0; i < 4; ++i) {
            const int r = m_random.next(), g = m_random.next(), b = m_random.next();
            expectSame(m_simd, image, [&](Bitmap& t) { addColor(t, r, g, b); });
            expectSame(m_simd, image, [&](Bitmap& t) { subtractColor(t, r, g, b); });
        }
    }
    // A view narrower than its parent: rows by pitch, the parent's other columns untouched.
    const Bitmap parent = randomImage(37, 9);
    expectSame(m_simd, parent, [](Bitmap& t) {
        Bitmap v = Bitmap::view(t, 3, 2, 21, 6);
        addColor(v, 200, 7, 99);
    });
}

TEST_P(PixelKernelsAgree, BlitsAtClippedAndScaledPositions)
{
    const Bitmap sprite = randomImage(13, 11);
    const Bitmap target = randomImage(64, 40);
    const float positions[][2] = {{0, 0}, {-5, -3}, {58.5f, 35.2f}, {-12.9f, 30}, {3, -10.5f}, {60, 2}};
    for (const auto& p : positions) {
        const int r = m_random.next(), g = m_random.next(), b = m_random.next();
        expectSame(m_simd, target, [&](Bitmap& t) { blitAdd(sprite, t, p[0], p[1], r, g, b); });
        for (float size : {1.0f, 4.0f, 5.0f, 13.0f, 27.5f, 70.0f})
            expectSame(m_simd, target,
                       [&](Bitmap& t) { blitScaledAdd(sprite, t, p[0], p[1], size, size * 0.7f + 1, r, g, b); });
    }
}

TEST_P(PixelKernelsAgree, GridOnRandomNodesAndClippedTargets)
{
    const Bitmap square = randomImage(256, 256), wide = randomImage(300, 260); // wide: rows 300 texels apart
    for (int32_t targetWidth : {4, 5, 40, 642, 641}) {
        const Bitmap& texture = targetWidth == 641 ? wide : square;
        GridMap grid(41, 5, 640, 64, &texture);
        for (GridNode* n = grid.nodes(); n != grid.nodes() + 41 * 5; ++n) {
            n->u = int16_t(m_random.next() * 2 - 32768);
            n->v = int16_t(m_random.next() * 2 - 32768);
            // Lights beyond 0..1023 too, so the brightness saturates and wraps.
            n->light = int16_t(m_random.next() % 2600 - 300);
        }
        const Bitmap target = randomImage(targetWidth, 50);
        Bitmap scalar = copyOf(target), simd = copyOf(target);
        usePixelKernels(&scalarPixelKernels());
        Random::shared().seed(5);
        drawGrid(grid, scalar);
        usePixelKernels(m_simd);
        Random::shared().seed(5);
        drawGrid(grid, simd);
        EXPECT_TRUE(sameImage(scalar, simd)) << targetWidth;
    }
}

TEST_P(PixelKernelsAgree, WaterRenderAndStepOnRandomHeights)
{
    const int32_t w = 640, h = 12;
    const Bitmap picture = randomImage(w, h);
    auto tables = std::make_unique<WaterTables>();
    buildWaterTables(*tables, w, h, picture);
    std::vector<int16_t> heights(size_t(w * h));
    for (int16_t& v : heights)
        v = int16_t(m_random.next() * 2 - 32768); // large differences: the table index clamps
    for (size_t i = 0; i < 2000; ++i)
        heights[i] = int16_t(m_random.next() % 400 - 200);
    const Bitmap target = randomImage(w, h);
    expectSame(m_simd, target, [&](Bitmap& t) { renderWater(*tables, picture, t, heights.data(), w, h); });

    for (int32_t shift : {0, 1, 4, 31}) {
        std::vector<int16_t> prevScalar(size_t(w * h)), prevSimd;
        for (int16_t& v : prevScalar)
            v = int16_t(m_random.next() * 2 - 32768);
        prevSimd = prevScalar;
        usePixelKernels(&scalarPixelKernels());
        stepWater(heights.data(), prevScalar.data(), w, h, shift);
        usePixelKernels(m_simd);
        stepWater(heights.data(), prevSimd.data(), w, h, shift);
        EXPECT_EQ(prevScalar, prevSimd) << shift;
    }
}

TEST_P(PixelKernelsAgree, SpanKernelsOnEveryShortCountAndLongerOnes)
{
    const Bitmap texture = randomImage(256, 256);
    for (int32_t count : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 17, 40}) {
        uint32_t a[40], b[40];
        for (int i = 0; i < 40; ++i)
            a[i] = b[i] = word();
        const uint32_t u = word(), v = word(), du = word() >> 8, dv = word() >> 9;
        const auto bright = int16_t(m_random.next() * 2 - 32768), step = int16_t(m_random.next() % 9000 - 4500);
        scalarPixelKernels().gridSpan(a, reinterpret_cast<const uint32_t*>(texture.pixels()), 256, count, u, du, v, dv,
                                      bright, step);
        m_simd->gridSpan(b, reinterpret_cast<const uint32_t*>(texture.pixels()), 256, count, u, du, v, dv, bright,
                         step);
        EXPECT_EQ(0, std::memcmp(a, b, sizeof a)) << count;
        const uint32_t colour = word();
        scalarPixelKernels().blitRow(a, reinterpret_cast<const uint32_t*>(texture.pixels()), count, colour);
        m_simd->blitRow(b, reinterpret_cast<const uint32_t*>(texture.pixels()), count, colour);
        EXPECT_EQ(0, std::memcmp(a, b, sizeof a)) << count;
        const uint32_t ambient = word();
        scalarPixelKernels().litSpan(a, reinterpret_cast<const uint32_t*>(texture.pixels()), count, u, du, v, dv,
                                     colour, ambient);
        m_simd->litSpan(b, reinterpret_cast<const uint32_t*>(texture.pixels()), count, u, du, v, dv, colour, ambient);
        EXPECT_EQ(0, std::memcmp(a, b, sizeof a)) << count;
    }
}

INSTANTIATE_TEST_SUITE_P(Sse2, PixelKernelsAgree, ::testing::Values(&sse2PixelKernels));
INSTANTIATE_TEST_SUITE_P(Avx2, PixelKernelsAgree, ::testing::Values(&avx2PixelKernels));

TEST(PixelKernelsSwitch, StartsWithTheWidestSetAndForcingScalarSelectsTheReference)
{
    usePixelKernels(&scalarPixelKernels());
    EXPECT_EQ(&pixelKernels(), &scalarPixelKernels());
    usePixelKernels(nullptr);
    const PixelKernels* widest = avx2PixelKernels() ? avx2PixelKernels() : sse2PixelKernels();
    EXPECT_EQ(&pixelKernels(), scalarKernelsOnly() || !widest ? &scalarPixelKernels() : widest);
}
