// The scene engine on the maze test scene (a few hundred textured polygons, two lights, a walking camera):
// one whole scene frame against the texture-mapped floor (a plain 640 x 320 texture pass measured in the
// same run), the spans each frame uses, and how fast objects load.

#include "MazeScene.h"
#include "data/PackArchive.h"
#include "display/OfflineDisplay.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JLwoLoader.h"
#include "engine3d/JMesh.h"
#include "engine3d/JScene.h"
#include "engine3d/JSurfaceList.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kFloorRuns = 200;
constexpr double kFrameStep = 0.75; // motion frames per benchmark iteration: the camera keeps walking
constexpr const char* kArchive = "glimmerok.dat";
constexpr const char* kLabyrinth = "data\\scen\\labyrint.lws";

// The maze files in a folder of their own; the folder is the current one while files are read.
class MazeFolder {
public:
    MazeFolder()
    {
        m_path = std::filesystem::temp_directory_path() / "kalvora-scene-bench";
        std::filesystem::create_directories(m_path);
        std::string reason;
        if (!writeMazeScene(m_path.string(), reason))
            std::fprintf(stderr, "maze scene: %s\n", reason.c_str());
    }
    ~MazeFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

class EnterFolder {
public:
    explicit EnterFolder(const std::filesystem::path& path) : m_old(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~EnterFolder() { std::filesystem::current_path(m_old); }

private:
    std::filesystem::path m_old;
};

// Milliseconds of this thread's processor time: on a shared machine the wall clock counts other work too.
double threadMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

MazeFolder& maze()
{
    static MazeFolder folder;
    return folder;
}

// The floor: every pixel of the 640 x 320 band from a 256 x 256 texture with 16.16 steps.
double texturedPassMs(Bitmap& frame, const Bitmap& texture)
{
    const auto* tex = reinterpret_cast<const uint32_t*>(texture.pixels());
    const double start = threadMs();
    for (int run = 0; run < kFloorRuns; ++run) {
        for (int32_t y = 0; y < 320; ++y) {
            uint32_t* dst = frame.row32(y + 80);
            uint32_t u = uint32_t(y) << 14, v = uint32_t(y) << 16;
            for (int32_t x = 0; x < 640; ++x, u += 0x11000, v += 0x3000)
                dst[x] = tex[((v >> 8) & 0xff00) | ((u >> 16) & 255)];
        }
        benchmark::ClobberMemory();
    }
    return (threadMs() - start) / kFloorRuns;
}

// Frames of a loaded scene, the camera walking on, with the counters every scene row reports.
void sceneFrames(benchmark::State& state, JScene& scene, OfflineDisplay& display, RenderContext& context,
                 JSurfaceList& surfaces)
{
    JMesh::registerTextures(surfaces, context);
    JMesh::releaseTexturePixels(surfaces);
    JFrustum frustum(false);

    Bitmap texture(256, 256, Bitmap::FormatXrgb32);
    const double floorMs = texturedPassMs(display.backBuffer(), texture);

    double frame = 0;
    int64_t spans = 0, dropped = 0, polygons = 0;
    const double start = threadMs();
    for (auto _ : state) {
        polygons += scene.renderFrameAt(context, frustum, frame);
        spans += context.spansInUse();
        dropped += context.droppedPieces();
        frame += kFrameStep;
    }
    const double frameMs = (threadMs() - start) / double(state.iterations());
    const double n = double(state.iterations());
    state.counters["ms_per_frame"] = frameMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["floor_ratio"] = frameMs / floorMs;
    state.counters["spans"] = double(spans) / n;
    state.counters["dropped"] = double(dropped) / n;
    state.counters["polygons"] = double(polygons) / n;
}

} // namespace

static void BM_MazeSceneFrame(benchmark::State& state)
{
    OfflineDisplay display(kWidth, kHeight);
    RenderContext context(&display, kWidth, kHeight);
    JSurfaceList surfaces(60);
    JScene scene(JScene::kDefaultCapacity);
    NullConsole console;
    {
        EnterFolder enter(maze().path());
        scene.load(MazeSceneFiles::kScene, &surfaces, console);
    }
    sceneFrames(state, scene, display, context, surfaces);
}
BENCHMARK(BM_MazeSceneFrame)->Unit(benchmark::kMillisecond);

// The show's own labyrinth, when the default data set is in the current folder (run from the build folder).
static void BM_LabyrinthSceneFrame(benchmark::State& state)
{
    OfflineDisplay display(kWidth, kHeight);
    RenderContext context(&display, kWidth, kHeight);
    JSurfaceList surfaces(60);
    JScene scene(JScene::kDefaultCapacity);
    NullConsole console;
    PackArchive& archive = packArchive();
    archive.clear();
    if (archive.openFailed(kArchive) || !scene.load(kLabyrinth, &surfaces, console)) {
        archive.clear();
        state.SkipWithError("glimmerok.dat is not in the current folder");
        return;
    }
    archive.clear();
    sceneFrames(state, scene, display, context, surfaces);
}
BENCHMARK(BM_LabyrinthSceneFrame)->Unit(benchmark::kMillisecond);

static void BM_LoadMazeObject(benchmark::State& state)
{
    EnterFolder enter(maze().path());
    NullConsole console;
    for (auto _ : state) {
        JSurfaceList surfaces(60);
        JMesh mesh(MazeSceneFiles::kObject, &surfaces, console);
        benchmark::DoNotOptimize(mesh.polygonCount);
    }
    state.SetItemsProcessed(state.iterations()); // objects per second
}
BENCHMARK(BM_LoadMazeObject)->Unit(benchmark::kMillisecond);
