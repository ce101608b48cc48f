// The per-frame work of the displays on a 640 x 480 frame: the hand-over copy that present makes,
// and the fullscreen copies at each depth, with a plain copy of the frame as the floor.
#include "data/Bitmap.h"
#include "display/FrameConvert.h"
#include "display/FrameSlots.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int32_t kW = 640, kH = 480;

const Bitmap& frame()
{
    static const Bitmap f = [] {
        Bitmap b(kW, kH, Bitmap::FormatXrgb32);
        uint32_t seed = 1;
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                seed = seed * 214013u + 2531011u;
                b.row32(y)[x] = seed;
            }
        return b;
    }();
    return f;
}

void setPixels(benchmark::State& state)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * kW * kH);
}

void BM_PlainCopy(benchmark::State& state)
{
    std::vector<uint8_t> dst(size_t(kW) * kH * 4);
    for (auto _ : state) {
        std::memcpy(dst.data(), frame().pixels(), dst.size());
        benchmark::ClobberMemory();
    }
    setPixels(state);
}
BENCHMARK(BM_PlainCopy);

void BM_PresentHandOver(benchmark::State& state)
{
    FrameSlots slots(kW, kH);
    for (auto _ : state) {
        slots.publish(frame());
        benchmark::ClobberMemory();
    }
    setPixels(state);
}
BENCHMARK(BM_PresentHandOver);

void BM_CopyXrgb32(benchmark::State& state)
{
    std::vector<uint8_t> dst(size_t(kW) * kH * 4);
    for (auto _ : state) {
        convertFrameXrgb32(frame().pixels(), frame().pitch(), dst.data(), kW * 4, kW, kH);
        benchmark::ClobberMemory();
    }
    setPixels(state);
}
BENCHMARK(BM_CopyXrgb32);

void BM_CopyBgr24(benchmark::State& state)
{
    std::vector<uint8_t> dst(size_t(kW) * kH * 3);
    for (auto _ : state) {
        convertFrameBgr24(frame().pixels(), frame().pitch(), dst.data(), kW * 3, kW, kH);
        benchmark::ClobberMemory();
    }
    setPixels(state);
}
BENCHMARK(BM_CopyBgr24);

void BM_CopyXrgb1555(benchmark::State& state)
{
    std::vector<uint8_t> dst(size_t(kW) * kH * 2);
    for (auto _ : state) {
        convertFrameXrgb1555(frame().pixels(), frame().pitch(), dst.data(), kW * 2, kW, kH);
        benchmark::ClobberMemory();
    }
    setPixels(state);
}
BENCHMARK(BM_CopyXrgb1555);

} // namespace
