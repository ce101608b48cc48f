// LightWave objects and scenes: loaded from an in-memory archive, brought to a few frames (every
// envelope evaluated) and drawn offline.

#include "FuzzTargets.h"
#include "ShowFiles.h"

#include "engine3d/JLwoLoader.h"
#include "engine3d/JMesh.h"
#include "engine3d/JSurfaceList.h"
#include "runner/Console.h"

#include <cstring>

int fuzzLwo(const uint8_t* data, size_t size)
{
    {
        JSurfaceList surfaces(256);
        JMesh mesh;
        NullConsole console;
        JLwoLoader loader;
        loader.loadBytes(mesh, data, size, &surfaces, console);
    }
    const char* scene = fuzzObjectScene();
    const FuzzEntry entries[] = {
        {"o.lwo", data, size},
        {"s.lws", reinterpret_cast<const uint8_t*>(scene), std::strlen(scene)},
    };
    fuzzUseArchive(entries, 2);
    fuzzRenderScene("s.lws");
    return 0;
}

int fuzzLws(const uint8_t* data, size_t size)
{
    static const std::vector<uint8_t> object = fuzzTriangleObject();
    const FuzzEntry entries[] = {
        {"o.lwo", object.data(), object.size()},
        {"s.lws", data, size},
    };
    fuzzUseArchive(entries, 2);
    fuzzRenderScene("s.lws");
    return 0;
}
