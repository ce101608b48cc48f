#include "effects/EffectBench.h"

#include "data/Bitmap.h"
#include "data/PackArchive.h"
#include "effects/EndPictureEffect.h"
#include "effects/FlirpEffect.h"
#include "effects/KlamEffect.h"
#include "effects/TunnelEffect.h"
#include "music/TriggerSource.h"
#include "platform/OfflinePlatform.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Fires the listed sync indices at the listed frames, each once; everything else never fires.
class ScriptedTriggers final : public TriggerSource {
public:
    struct Shot {
        int frame;
        int index;
    };
    explicit ScriptedTriggers(std::vector<Shot> shots) : m_shots(std::move(shots)) {}
    void setFrame(int frame)
    {
        for (const Shot& s : m_shots)
            if (s.frame == frame)
                ++m_pending[s.index & 255];
    }
    int trigger(int index) override
    {
        int& pending = m_pending[index & 255];
        const int before = pending;
        if (pending > 0)
            --pending;
        return before;
    }

private:
    std::vector<Shot> m_shots;
    int m_pending[256] = {};
};

struct BenchEffect {
    const char* name;
    // Builds the effect from the data files; counts the pictures it had to make up in `synthetic`.
    std::function<std::unique_ptr<Effect>(Console&, RenderContext&, int& synthetic)> make;
    // Sync shots as fractions of the run, so the flashes, flares and pictures are all exercised.
    std::vector<std::pair<double, int>> shots;
};

// Stands in for a picture the data files do not provide, with the size the show's content uses, so the
// timing covers the same pixel work. Returns 1 when it had to.
int ensurePicture(Bitmap& picture, int32_t w, int32_t h, uint32_t seed)
{
    if (picture.pixels())
        return 0;
    picture.create(w, h, Bitmap::FormatXrgb32);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int32_t dx = 2 * x + 1 - w, dy = 2 * y + 1 - h;
            const uint32_t glow = uint32_t(std::max(0, 255 - (dx * dx + dy * dy) * 255 / (w * w + 1)));
            picture.row32(y)[x] = ((uint32_t(x) * seed) ^ (uint32_t(y) * 0x9e3779b1u) ^ glow) & 0x00ffffffu;
        }
    return 1;
}

std::vector<BenchEffect> benchEffects()
{
    return {
        {"TunnelEffect",
         [](Console& c, RenderContext&, int& synthetic) {
             auto e = std::make_unique<TunnelEffect>(c);
             synthetic += ensurePicture(e->texture(), 256, 256, 3);
             synthetic += ensurePicture(e->flare1(), 24, 24, 5);
             synthetic += ensurePicture(e->flare2(), 16, 16, 7);
             synthetic += ensurePicture(e->bigFlare(), 128, 128, 9);
             return std::unique_ptr<Effect>(std::move(e));
         },
         {{0.1, 128}, {0.3, 128}, {0.5, 128}, {0.7, 128}, {0.9, 255}}},
        {"FlirpEffect",
         [](Console& c, RenderContext&, int& synthetic) {
             auto e = std::make_unique<FlirpEffect>(c);
             synthetic += ensurePicture(e->texture(), 256, 256, 11);
             for (int32_t i = 0; i < 3; ++i)
                 synthetic += ensurePicture(e->picture(i), 640, 320, 13 + 2 * uint32_t(i));
             return std::unique_ptr<Effect>(std::move(e));
         },
         {{0.9, 255}}},
        {"KlamEffect",
         [](Console& c, RenderContext&, int& synthetic) {
             auto e = std::make_unique<KlamEffect>(c);
             synthetic += ensurePicture(e->texture(), 256, 256, 17);
             synthetic += ensurePicture(e->flare(), 32, 32, 19);
             return std::unique_ptr<Effect>(std::move(e));
         },
         {}},
        {"EndPictureEffect",
         [](Console& c, RenderContext&, int& synthetic) {
             auto e = std::make_unique<EndPictureEffect>(c);
             synthetic += ensurePicture(e->picture(), 640, 320, 23);
             return std::unique_ptr<Effect>(std::move(e));
         },
         {{0.8, 255}}},
    };
}

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

int optionValue(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], name))
            return std::max(1, std::atoi(argv[i + 1]));
    return fallback;
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

int runEffectBench(int argc, char** argv)
{
    const int frames = optionValue(argc, argv, "--bench-frames", 200);
    const int runs = optionValue(argc, argv, "--bench-runs", 5);

    OfflinePlatform offline;
    offline.setQuiet(true);
    setPlatform(&offline);
    if (packArchive().mode() == 0)
        packArchive().openFailed("glimmerok.dat"); // plain files stay the fallback

    NullConsole console;
    RenderContext context(nullptr, 640, 480);
    Bitmap frame(640, 480, Bitmap::FormatXrgb32);
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
        int synthetic;
    };
    std::vector<Row> rows;
    for (const BenchEffect& e : benchEffects()) {
        std::vector<double> perFrame;
        int synthetic = 0;
        for (int r = 0; r < runs; ++r) {
            synthetic = 0;
            std::unique_ptr<Effect> effect = e.make(console, context, synthetic);
            effect->prepare();
            std::vector<ScriptedTriggers::Shot> shots;
            for (const auto& s : e.shots)
                shots.push_back({int(s.first * frames), s.second});
            ScriptedTriggers player(std::move(shots));
            frame.fill(0, 0, 0);
            const Clock::time_point start = Clock::now();
            for (int f = 0; f < frames; ++f) {
                player.setFrame(f);
                effect->render(context, view, player, 2.0 * f); // 50 frames per second of effect time
            }
            perFrame.push_back(millisecondsSince(start) / frames);
        }
        rows.push_back({e.name, median(perFrame), synthetic});
    }

    std::printf("%-20s %10s %10s %12s\n", "effect", "ms/frame", "fps", "x texmap");
    std::printf("%-20s %10.3f %10s %12s\n", "floor: memcpy 640x480", memcpyMs, "", "");
    std::printf("%-20s %10.3f %10s %12s\n", "floor: texmap 640x320", texmapMs, "", "1.00");
    for (const Row& r : rows)
        std::printf("%-20s %10.3f %10.1f %12.2f%s\n", r.name, r.ms, 1000.0 / r.ms, r.ms / texmapMs,
                    r.synthetic ? "  (stand-in pictures)" : "");
    std::printf("bench floor=memcpy ms=%.4f\n", memcpyMs);
    std::printf("bench floor=texmap ms=%.4f\n", texmapMs);
    for (const Row& r : rows)
        std::printf("bench effect=%s ms=%.4f fps=%.1f floor_ratio=%.3f\n", r.name, r.ms, 1000.0 / r.ms,
                    r.ms / texmapMs);
    std::fflush(stdout);
    setPlatform(nullptr);
    return 0;
}
