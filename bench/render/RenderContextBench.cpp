// Span-buffer frames through the render context at 640 x 480 (the scenes' 640 x 320 band from row 80):
// a textured polygon soup against a plain texture-mapped floor, scalar span loops against SSE2.
#include "data/Bitmap.h"
#include "display/OfflineDisplay.h"
#include "render/RenderContext.h"
#include "render/SpanKernels.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480, kBandTop = 80, kBandHeight = 320;

struct Frames {
    OfflineDisplay display{kWidth, kHeight};
    RenderContext context{&display, kWidth, kHeight};
    std::vector<JScreenVertex> floor;
    std::vector<JScreenVertex> soup; // triangles, three corners each

    Frames()
    {
        std::mt19937 random(3);
        Bitmap picture(256, 256, Bitmap::FormatXrgb32);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                picture.row32(y)[x] = random() & 0xffffff;
        context.setTexture(context.addTexture(picture));
        context.setTextureMode(2);
        context.setShadeMode(1);
        context.setTextureBlend(2);
        // A floor seen at a slant: far at the top of the band (depth 40), near at the bottom (depth 2).
        floor = {corner(0, kBandTop, 40, 0, 0), corner(kWidth, kBandTop, 40, 2560, 0),
                 corner(kWidth, kBandTop + kBandHeight, 2, 2560, 2560), corner(0, kBandTop + kBandHeight, 2, 0, 2560)};
        // 400 textured triangles of 20 to 80 pixels across, at depths 2 to 40, over the band.
        std::uniform_real_distribution<float> unit(0, 1);
        for (int i = 0; i < 400; ++i) {
            const float cx = unit(random) * kWidth, cy = kBandTop + unit(random) * kBandHeight;
            const float r = 10 + unit(random) * 30, z = 2 + unit(random) * 38, a = unit(random) * 6.28f;
            for (int k = 0; k < 3; ++k) {
                const float t = a + float(k) * 2.094f;
                JScreenVertex c = corner(cx + r * std::cos(t), cy + r * std::sin(t), z * (0.8f + unit(random) * 0.4f),
                                         unit(random) * 256, unit(random) * 256);
                c.red = uint8_t(128 + random() % 128);
                c.green = uint8_t(128 + random() % 128);
                c.blue = uint8_t(128 + random() % 128);
                soup.push_back(c);
            }
        }
    }

    static JScreenVertex corner(float x, float y, float depth, float u, float v)
    {
        JScreenVertex c;
        c.x = x;
        c.y = y;
        c.depth = depth;
        c.red = c.green = c.blue = 255;
        c.u = u;
        c.v = v;
        return c;
    }

    void draw(const std::vector<JScreenVertex>& corners, int perPolygon)
    {
        context.beginFrame();
        for (size_t i = 0; i + size_t(perPolygon) <= corners.size(); i += size_t(perPolygon)) {
            const JScreenVertex* p[4];
            for (int k = 0; k < perPolygon; ++k)
                p[k] = &corners[i + size_t(k)];
            context.drawPolygon(p, perPolygon);
        }
        context.endFrame();
    }
    void drawFloor() { draw(floor, 4); }
};

Frames& frames()
{
    static Frames f;
    return f;
}

// Processor time since `start` in ms (the machine may be shared: wall time would count others' work).
double cpuMs(std::clock_t start)
{
    return double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC;
}

double msPerFrame(Frames& f, void (Frames::*frame)(), int count)
{
    const std::clock_t start = std::clock();
    for (int i = 0; i < count; ++i)
        (f.*frame)();
    return cpuMs(start) / count;
}

// Argument 0: scalar span loops, 1: SSE2, 2: AVX2 (where there is none, the start-up choice).
void choose(benchmark::State& state)
{
    const SpanKernels* sets[] = {&scalarSpanKernels(), sse2SpanKernels(), avx2SpanKernels()};
    useSpanKernels(sets[state.range(0)]);
    state.SetLabel(spanKernels().name);
}

} // namespace

static void BM_SpanFloorFrame(benchmark::State& state)
{
    choose(state);
    Frames& f = frames();
    for (auto _ : state)
        f.drawFloor();
    state.counters["spans"] = f.context.spansInUse();
    state.SetItemsProcessed(state.iterations() * kWidth * kBandHeight);
    useSpanKernels(nullptr);
}
BENCHMARK(BM_SpanFloorFrame)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The soup frame (400 textured, shaded triangles), with the floor's processor time of the same run beside it
// and the ratio of the two.
static void BM_SpanSoupFrame(benchmark::State& state)
{
    choose(state);
    Frames& f = frames();
    const double floorMs = msPerFrame(f, &Frames::drawFloor, 50);
    double soupMs = 0;
    int64_t frameCount = 0;
    for (auto _ : state) {
        const std::clock_t start = std::clock();
        f.draw(f.soup, 3);
        soupMs += cpuMs(start);
        ++frameCount;
    }
    state.counters["spans"] = f.context.spansInUse();
    state.counters["dropped"] = f.context.droppedPieces();
    state.counters["floor_ms"] = floorMs;
    state.counters["x_floor"] = soupMs / double(frameCount) / floorMs;
    useSpanKernels(nullptr);
}
BENCHMARK(BM_SpanSoupFrame)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
