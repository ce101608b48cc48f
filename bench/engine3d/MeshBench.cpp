// Object loading in objects per second, and the per-frame mesh work (prepare, light, clip, project, hand
// over) of a loaded object, against a plain copy of its vertex block as the floor.

#include "LwoBuilder.h"

#include "engine3d/JCamera.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JLwoLoader.h"
#include "engine3d/JMesh.h"
#include "engine3d/JSurfaceList.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

// Objects of n x n quads: 16 x 16 is the size of the show's props, 64 x 64 a large object.
void loadObject(benchmark::State& state)
{
    const LwoBuilder::Bytes bytes = LwoBuilder::grid(int(state.range(0)));
    NullConsole console;
    for (auto _ : state) {
        JSurfaceList surfaces(60);
        JMesh mesh;
        JLwoLoader loader;
        benchmark::DoNotOptimize(loader.loadBytes(mesh, bytes.data(), bytes.size(), &surfaces, console));
    }
    state.counters["objects/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(loadObject)->Arg(16)->Arg(64);

struct Frame {
    JSurfaceList surfaces{60};
    JMesh mesh;
    JCamera camera;
    JFrustum frustum;
    RenderContext context{nullptr, 640, 480};

    explicit Frame(int n)
    {
        const LwoBuilder::Bytes bytes = LwoBuilder::grid(n);
        NullConsole console;
        JLwoLoader loader;
        loader.loadBytes(mesh, bytes.data(), bytes.size(), &surfaces, console);
        camera.zoom = 640.0;
        camera.width = 640;
        camera.height = 320;
        frustum.setUp(632, 312, 640);
        // A floor tilted toward the camera, its near edge behind the near plane and its sides out of view.
        mesh.world.rotationFromDegrees({20, 0, 0});
        JMatrix move;
        move.translation({-n * 0.5, -n * 0.171, -n * 0.1});
        mesh.world = move * mesh.world;
    }
};

void meshFrame(benchmark::State& state)
{
    Frame f(int(state.range(0)));
    int polygons = 0;
    for (auto _ : state) {
        f.context.beginFrame();
        f.mesh.prepareFrame(127.5f, f.frustum);
        polygons = f.mesh.drawFrame(f.context, nullptr, 0, f.frustum, f.camera, 0, 80);
        f.context.endFrame();
    }
    state.counters["polygons"] = polygons;
}
BENCHMARK(meshFrame)->Arg(16)->Arg(64);

// The floor: one plain copy of the mesh's vertex block per frame.
void vertexCopyFloor(benchmark::State& state)
{
    Frame f(int(state.range(0)));
    std::vector<JVertex> copy(size_t(f.mesh.vertexCount));
    for (auto _ : state) {
        std::memcpy(static_cast<void*>(copy.data()), f.mesh.vertices.get(), copy.size() * sizeof(JVertex));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(vertexCopyFloor)->Arg(16)->Arg(64);

} // namespace
