#include "ShowFiles.h"

#include "FuzzTargets.h"

#include "data/PackArchive.h"
#include "data/PackWriter.h"
#include "display/OfflineDisplay.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JMesh.h"
#include "engine3d/JScene.h"
#include "engine3d/JSurfaceList.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <cstring>

namespace {

constexpr int kFrameWidth = 160, kFrameHeight = 120;
constexpr int kSurfaceEntries = 256;
constexpr double kFrames[] = {0.0, 12.5, 1000.0};

} // namespace

std::vector<uint8_t> fuzzTriangleObject()
{
    static const uint8_t kBytes[] = {
        0x46, 0x4f, 0x52, 0x4d, 0x00, 0x00, 0x00, 0x70, 0x4c, 0x57, 0x4f, 0x42, 0x50, 0x4e, 0x54, 0x53, 0x00, 0x00,
        0x00, 0x24, 0x00, 0x00, 0x00, 0x00, 0x3f, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3f, 0x80, 0x00, 0x00,
        0xbf, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xbf, 0x80, 0x00, 0x00, 0xbf, 0x80, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x53, 0x52, 0x46, 0x53, 0x00, 0x00, 0x00, 0x06, 0x53, 0x6b, 0x69, 0x6e, 0x00, 0x00, 0x50, 0x4f,
        0x4c, 0x53, 0x00, 0x00, 0x00, 0x0a, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x01, 0x53, 0x55,
        0x52, 0x46, 0x00, 0x00, 0x00, 0x18, 0x53, 0x6b, 0x69, 0x6e, 0x00, 0x00, 0x43, 0x4f, 0x4c, 0x52, 0x00, 0x04,
        0xc8, 0x64, 0x32, 0x00, 0x46, 0x4c, 0x41, 0x47, 0x00, 0x02, 0x01, 0x04,
    };
    return std::vector<uint8_t>(kBytes, kBytes + sizeof kBytes);
}

const char* fuzzObjectScene()
{
    return "LWSC\n1\n\nFirstFrame 0\nLastFrame 60\nFrameStep 1\nFramesPerSecond 30\n\n"
           "LoadObject o.lwo\nObjectMotion (unnamed)\n  9\n  2\n"
           "  0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 1.000000 1.000000 1.000000\n"
           "  0 0 0.000000 0.000000 0.000000\n"
           "  0.000000 0.000000 0.000000 360.000000 90.000000 0.000000 1.000000 1.000000 1.000000\n"
           "  60 0 0.000000 0.000000 0.000000\nEndBehavior 2\n\n"
           "AmbientColor 255 255 255\nAmbIntensity 0.250000\n\n"
           "AddLight\nLightName Sun\nLightMotion (unnamed)\n  9\n  1\n"
           "  0.000000 0.000000 0.000000 30.000000 30.000000 0.000000 1.000000 1.000000 1.000000\n"
           "  0 0 0.000000 0.000000 0.000000\nEndBehavior 1\nLightColor 255 255 255\nLgtIntensity 1.000000\n"
           "LightType 0\n\n"
           "ShowCamera 1 7\nCameraMotion (unnamed)\n  9\n  1\n"
           "  0.000000 0.000000 -4.000000 0.000000 0.000000 0.000000 1.000000 1.000000 1.000000\n"
           "  0 0 0.000000 0.000000 0.000000\nEndBehavior 1\n";
}

void fuzzUseArchive(const FuzzEntry* entries, int count)
{
    PackWriter writer;
    for (int i = 0; i < count; ++i)
        writer.add(entries[i].name, entries[i].data, entries[i].size);
    packArchive().clear();
    packArchive().loadFromMemory(writer.bytes().data(), writer.bytes().size(), "fuzz.dat");
}

void fuzzRenderScene(const char* sceneName)
{
    OfflineDisplay display(kFrameWidth, kFrameHeight);
    RenderContext context(&display, kFrameWidth, kFrameHeight);
    JSurfaceList surfaces(kSurfaceEntries);
    JScene scene(JScene::kDefaultCapacity);
    NullConsole console;
    if (!scene.load(sceneName, &surfaces, console))
        return;
    JMesh::registerTextures(surfaces, context);
    JMesh::releaseTexturePixels(surfaces);
    JFrustum frustum(false);
    for (double frame : kFrames) {
        scene.renderFrameAt(context, frustum, frame);
        fuzzRequire(context.spansInUse() >= 2 * kFrameHeight && context.spansInUse() <= 50 * kFrameHeight,
                    "spans in use within the pool");
    }
}
