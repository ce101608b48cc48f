#include "runner/EffectBench.h"

#include "data/Bitmap.h"
#include "data/PackArchive.h"
#include "display/OfflineDisplay.h"
#include "music/ScriptedTriggers.h"
#include "platform/OfflinePlatform.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The syncs of every run, as (fraction of the run, index): the flashes, flares, pictures and fade-outs
// all get exercised.
constexpr struct {
    double at;
    int index;
} kShots[] = {{0.1, 128}, {0.3, 128}, {0.5, 128}, {0.7, 128}, {0.9, 255}};

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

const char* optionText(int argc, char** argv, const char* name)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], name))
            return argv[i + 1];
    return nullptr;
}

int optionValue(int argc, char** argv, const char* name, int fallback)
{
    const char* text = optionText(argc, argv, name);
    return text ? std::max(1, std::atoi(text)) : fallback;
}

// One plain texture-mapped pass over the view: per pixel two adds, one texel load, one store.
void texturedPass(Bitmap& view, const uint32_t* texture, uint32_t phase)
{
    for (int32_t y = 0; y < view.height(); ++y) {
        uint32_t* dst = view.row32(y);
        uint32_t u = (uint32_t(y) << 14) + phase, v = (uint32_t(y) << 16) - phase;
        for (int32_t x = 0; x < view.width(); ++x, u += 0x11000, v += 0x3000)
            dst[x] = texture[((v >> 8) & 0xff00) | ((u >> 16) & 255)];
    }
}

} // namespace

int runEffectBench(int argc, char** argv, EffectTable table)
{
    const int frames = optionValue(argc, argv, "--bench-frames", 200);
    const int runs = optionValue(argc, argv, "--bench-runs", 5);
    const char* only = optionText(argc, argv, "--bench-effect");

    OfflinePlatform offline;
    offline.setQuiet(true);
    setPlatform(&offline);
    if (packArchive().mode() == 0 && packArchive().openFailed("glimmerok.dat"))
        std::printf("no glimmerok.dat here: the effects draw without their pictures\n");

    NullConsole console;
    // The scenes draw through the render context into the display's back buffer, as in the show.
    OfflineDisplay display(640, 480);
    RenderContext context(&display, 640, 480);
    Bitmap& frame = display.backBuffer();
    Bitmap copy(640, 480, Bitmap::FormatXrgb32);
    Bitmap view = Bitmap::view(frame, 0, 80, 640, 320);
    Bitmap texture(256, 256, Bitmap::FormatXrgb32);
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x)
            texture.row32(y)[x] = uint32_t(x * 0x010203 + y * 0x030201);

    // Floors: repeated often enough that each run lasts about as long as an effect's.
    std::vector<double> memcpyRuns, texmapRuns;
    for (int r = 0; r < runs; ++r) {
        const int reps = frames * 4;
        Clock::time_point start = Clock::now();
        for (int i = 0; i < reps; ++i) {
            std::memcpy(copy.pixels(), frame.pixels(), size_t(frame.height()) * size_t(frame.pitch()));
            frame.pixels()[i & 1023] ^= copy.pixels()[(i * 7) & 1023]; // keeps every copy alive
        }
        memcpyRuns.push_back(millisecondsSince(start) / reps);
        start = Clock::now();
        for (int i = 0; i < frames; ++i)
            texturedPass(view, reinterpret_cast<const uint32_t*>(texture.pixels()), uint32_t(i) * 0x5000);
        texmapRuns.push_back(millisecondsSince(start) / frames);
    }
    const double memcpyMs = median(memcpyRuns), texmapMs = median(texmapRuns);

    struct Row {
        const char* name;
        double ms;
    };
    std::vector<Row> rows;
    for (const EffectRow& row : table) {
        if (only && std::strcmp(only, row.name))
            continue;
        std::vector<double> perFrame;
        for (int r = 0; r < runs; ++r) {
            std::unique_ptr<Effect> effect = row.make(console, context);
            effect->prepare();
            ScriptedTriggers player;
            for (const auto& shot : kShots)
                player.postAt(shot.at * frames, shot.index);
            frame.fill(0, 0, 0);
            const Clock::time_point start = Clock::now();
            for (int f = 0; f < frames; ++f) {
                player.setTime(f);
                effect->render(context, view, player, 2.0 * f); // 50 frames per second of effect time
            }
            perFrame.push_back(millisecondsSince(start) / frames);
        }
        rows.push_back({row.name, median(perFrame)});
    }

    std::printf("%-20s %10s %10s %12s\n", "effect", "ms/frame", "fps", "x texmap");
    std::printf("%-20s %10.3f %10s %12s\n", "floor: memcpy 640x480", memcpyMs, "", "");
    std::printf("%-20s %10.3f %10s %12s\n", "floor: texmap 640x320", texmapMs, "", "1.00");
    for (const Row& r : rows)
        std::printf("%-20s %10.3f %10.1f %12.2f\n", r.name, r.ms, 1000.0 / r.ms, r.ms / texmapMs);
    std::printf("bench floor=memcpy ms=%.4f\n", memcpyMs);
    std::printf("bench floor=texmap ms=%.4f\n", texmapMs);
    for (const Row& r : rows)
        std::printf("bench effect=%s ms=%.4f fps=%.1f floor_ratio=%.3f\n", r.name, r.ms, 1000.0 / r.ms,
                    r.ms / texmapMs);
    std::fflush(stdout);
    setPlatform(nullptr);
    return 0;
}
