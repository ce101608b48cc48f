// Scalar reference against SIMD kernels for the per-frame pixel operations, on a 640 x 320 view of a
// 640 x 480 frame, with a plain copy of the frame and a plain texture-mapped pass as floors.
#include "data/Bitmap.h"
#include "render/GridMap.h"
#include "render/PixelKernels.h"
#include "render/PixelOps.h"
#include "render/Random.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct Scene {
    Bitmap frame{640, 480, Bitmap::FormatXrgb32};
    Bitmap copy{640, 480, Bitmap::FormatXrgb32};
    Bitmap view = Bitmap::view(frame, 0, 80, 640, 320);
    Bitmap texture{256, 256, Bitmap::FormatXrgb32};
    Bitmap sprite{64, 64, Bitmap::FormatXrgb32};
    Bitmap picture{640, 320, Bitmap::FormatXrgb32};
    GridMap grid{41, 21, 640, 320, &texture};
    std::unique_ptr<WaterTables> tables = std::make_unique<WaterTables>();
    std::vector<int16_t> heights = std::vector<int16_t>(640 * 320);
    std::vector<int16_t> previous = std::vector<int16_t>(640 * 320);

    Scene()
    {
        Random r(7);
        for (Bitmap* b : {&frame, &texture, &sprite, &picture})
            for (int32_t y = 0; y < b->height(); ++y)
                for (int32_t x = 0; x < b->width(); ++x)
                    b->row32(y)[x] = (uint32_t(r.next()) << 9) ^ uint32_t(r.next());
        for (int32_t gy = 0; gy < 21; ++gy)
            for (int32_t gx = 0; gx < 41; ++gx)
                grid.node(gx, gy) =
                    GridNode{int16_t(gx * 50 + gy * 9), int16_t(gy * 60 - gx * 7), int16_t(400 + gx * 10), 0};
        buildWaterTables(*tables, 640, 320, picture);
        for (size_t i = 0; i < heights.size(); ++i) {
            heights[i] = int16_t(r.next() % 2000 - 1000);
            previous[i] = int16_t(r.next() % 2000 - 1000);
        }
    }
};

Scene& scene()
{
    static Scene s;
    return s;
}

// Argument 0: scalar reference, 1: SSE2, 2: AVX2 (where there is none, the start-up choice).
void choose(benchmark::State& state)
{
    const PixelKernels* sets[] = {&scalarPixelKernels(), sse2PixelKernels(), avx2PixelKernels()};
    usePixelKernels(sets[state.range(0)]);
    state.SetLabel(pixelKernels().name);
}

void perPixel(benchmark::State& state, int64_t pixels)
{
    state.SetItemsProcessed(state.iterations() * pixels);
    usePixelKernels(nullptr);
}

} // namespace

static void BM_FloorMemcpyFrame(benchmark::State& state)
{
    Scene& s = scene();
    for (auto _ : state) {
        std::memcpy(s.copy.pixels(), s.frame.pixels(), size_t(640 * 480 * 4));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_FloorMemcpyFrame);

static void BM_FloorTexturedPass(benchmark::State& state)
{
    Scene& s = scene();
    const auto* tex = reinterpret_cast<const uint32_t*>(s.texture.pixels());
    for (auto _ : state) {
        for (int32_t y = 0; y < 320; ++y) {
            uint32_t* dst = s.view.row32(y);
            uint32_t u = uint32_t(y) << 14, v = uint32_t(y) << 16;
            for (int32_t x = 0; x < 640; ++x, u += 0x11000, v += 0x3000)
                dst[x] = tex[((v >> 8) & 0xff00) | ((u >> 16) & 255)];
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 640 * 320);
}
BENCHMARK(BM_FloorTexturedPass);

static void BM_AddColor(benchmark::State& state)
{
    choose(state);
    Scene& s = scene();
    for (auto _ : state) {
        addColor(s.view, 3, 2, 1);
        subtractColor(s.view, 3, 2, 1);
        benchmark::ClobberMemory();
    }
    perPixel(state, 2 * 640 * 320);
}
BENCHMARK(BM_AddColor)->Arg(0)->Arg(1);

static void BM_BlitScaledAdd(benchmark::State& state)
{
    choose(state);
    Scene& s = scene();
    for (auto _ : state) {
        blitScaledAdd(s.sprite, s.view, 100.5f, 40.25f, 200, 200, 255, 200, 100);
        benchmark::ClobberMemory();
    }
    perPixel(state, 200 * 200);
}
BENCHMARK(BM_BlitScaledAdd)->Arg(0)->Arg(1);

static void BM_BlitAdd(benchmark::State& state)
{
    choose(state);
    Scene& s = scene();
    for (auto _ : state) {
        for (int i = 0; i < 16; ++i)
            blitAdd(s.sprite, s.view, float(i * 37), float(i * 15), 200, 200, 200);
        benchmark::ClobberMemory();
    }
    perPixel(state, 16 * 64 * 64);
}
BENCHMARK(BM_BlitAdd)->Arg(0)->Arg(1);

static void BM_DrawGrid(benchmark::State& state)
{
    choose(state);
    Scene& s = scene();
    for (auto _ : state) {
        drawGrid(s.grid, s.view);
        benchmark::ClobberMemory();
    }
    perPixel(state, 640 * 320);
}
BENCHMARK(BM_DrawGrid)->Arg(0)->Arg(1)->Arg(2);

static void BM_RenderWater(benchmark::State& state)
{
    choose(state);
    Scene& s = scene();
    for (auto _ : state) {
        renderWater(*s.tables, s.picture, s.view, s.heights.data(), 640, 320);
        benchmark::ClobberMemory();
    }
    perPixel(state, 640 * 320);
}
BENCHMARK(BM_RenderWater)->Arg(0)->Arg(1)->Arg(2);

static void BM_StepWater(benchmark::State& state)
{
    choose(state);
    Scene& s = scene();
    for (auto _ : state) {
        stepWater(s.heights.data(), s.previous.data(), 640, 320, 4);
        benchmark::ClobberMemory();
    }
    perPixel(state, 640 * 320);
}
BENCHMARK(BM_StepWater)->Arg(0)->Arg(1)->Arg(2);

// The rasterizer's lit span in the short pieces a lattice of small cubes gives (24 pixels).
static void BM_LitSpans(benchmark::State& state)
{
    choose(state);
    Scene& s = scene();
    const auto* texels = reinterpret_cast<const uint32_t*>(s.texture.pixels());
    for (auto _ : state) {
        for (int32_t y = 0; y < 320; ++y)
            for (int32_t x = 0; x + 24 <= 640; x += 24)
                pixelKernels().litSpan(s.view.row32(y) + x, texels, 24, uint32_t(x) << 16, 0x11000,
                                       uint32_t(y) << 16, 0x3000, 0xc08040, 0x102030);
        benchmark::ClobberMemory();
    }
    perPixel(state, 26 * 24 * 320);
}
BENCHMARK(BM_LitSpans)->Arg(0)->Arg(1)->Arg(2);

static void BM_DrawLine(benchmark::State& state)
{
    Scene& s = scene();
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i)
            drawLine(s.view, 3.5f + float(i), 5.25f, 600.0f - float(i * 3), 300.5f, 90, 120, 200);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawLine);
