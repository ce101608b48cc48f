#include "SceneTool.h"

#include "data/PackArchive.h"
#include "data/PngWriter.h"
#include "display/OfflineDisplay.h"
#include "engine3d/JBone.h"
#include "engine3d/JCamera.h"
#include "engine3d/JEnvelope.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JLight.h"
#include "engine3d/JLwoLoader.h"
#include "engine3d/JMesh.h"
#include "engine3d/JPointLight.h"
#include "engine3d/JScene.h"
#include "engine3d/JSkeleton.h"
#include "engine3d/JSurfaceList.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include <algorithm>
#include <cfloat>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr int kSurfaceEntries = 256;
constexpr int kMinSize = 16, kMaxSize = 8192; // frame sides accepted by render

// Makes names resolve in SOURCE as the show resolves them: entries of an archive, or plain files relative to
// the current folder. Undone on destruction.
class SourceScope {
public:
    SourceScope(const std::string& source, std::FILE* err)
    {
        std::error_code ec;
        m_oldDir = fs::current_path(ec);
        packArchive().clear();
        if (fs::is_directory(source, ec)) {
            fs::current_path(source, ec);
            m_entered = true;
            m_ok = !ec;
        } else {
            m_ok = packArchive().openFailed(source.c_str()) == 0;
        }
        if (!m_ok)
            std::fprintf(err, "kalvora-scene: cannot open %s\n", source.c_str());
    }
    ~SourceScope()
    {
        std::error_code ec;
        if (m_entered)
            fs::current_path(m_oldDir, ec);
        packArchive().clear();
    }
    SourceScope(const SourceScope&) = delete;
    SourceScope& operator=(const SourceScope&) = delete;
    bool ok() const { return m_ok; }

private:
    fs::path m_oldDir;
    bool m_entered = false;
    bool m_ok = false;
};

const char* endName(int32_t behaviour)
{
    switch (behaviour) {
    case JEnvelope::kEndReset: return "reset";
    case JEnvelope::kEndStop: return "stop";
    case JEnvelope::kEndRepeat: return "repeat";
    default: return "stop (unknown)";
    }
}

const char* typeName(const JItem& item)
{
    switch (item.type) {
    case JItem::kTypeMesh: return "object";
    case JItem::kTypeCamera: return "camera";
    case JItem::kTypeNull: return "null";
    case JItem::kTypeBone: return "bone";
    case JItem::kTypeLight: return dynamic_cast<const JPointLight*>(&item) ? "point-light" : "distant-light";
    default: return "unknown";
    }
}

void printItem(std::FILE* out, const char* prefix, const JItem& item)
{
    std::fprintf(out, "%s%s \"%s\" parent \"%s\"", prefix, typeName(item), item.name,
                 item.parent ? item.parent->name : "");
    if (item.hasMotion && item.positionEnvelope)
        std::fprintf(out, " keys %d end %s", item.positionEnvelope->count,
                     endName(item.positionEnvelope->endBehaviour));
    else
        std::fprintf(out, " keys 0");
    if (item.type == JItem::kTypeLight) {
        const auto& light = static_cast<const JLight&>(item);
        std::fprintf(out, " colour %d %d %d intensity %.6g", light.lightRed, light.lightGreen, light.lightBlue,
                     double(light.intensity));
    }
    if (item.type == JItem::kTypeBone) {
        const auto& bone = static_cast<const JBone&>(item);
        std::fprintf(out, " length %.6g strength %.6g active %d", bone.restLength, bone.restStrength, bone.active);
    }
    std::fprintf(out, "\n");
}

} // namespace

int sceneObject(const std::string& source, const std::string& name, std::FILE* out, std::FILE* err)
{
    SourceScope scope(source, err);
    if (!scope.ok())
        return 1;
    JSurfaceList surfaces(kSurfaceEntries);
    NullConsole console;
    JMesh mesh;
    JLwoLoader loader;
    if (!loader.load(mesh, name.c_str(), &surfaces, console)) {
        std::fprintf(err, "kalvora-scene: %s did not load: %s\n", name.c_str(),
                     loader.failure() ? loader.failure() : "unknown failure");
        return 1;
    }
    int surfaceCount = 0;
    for (int i = 0; i < surfaces.capacity(); ++i)
        surfaceCount += surfaces.entry(i).isFree() ? 0 : 1;
    JVector low{0, 0, 0}, high{0, 0, 0};
    for (int32_t k = 0; k < mesh.vertexCount; ++k) {
        const JVector& p = mesh.vertices[k].restPosition;
        low = k ? JVector{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)} : p;
        high = k ? JVector{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)} : p;
    }
    std::fprintf(out, "points %d\npolygons %d\nsurfaces %d\n", mesh.pointCount, mesh.polygonCount, surfaceCount);
    // + 0.0 prints a turned-over zero as 0.
    std::fprintf(out, "bounds %.6g %.6g %.6g %.6g %.6g %.6g\n", low.x + 0.0, low.y + 0.0, low.z + 0.0, high.x + 0.0,
                 high.y + 0.0, high.z + 0.0);
    std::fprintf(out, "vertices %d (after surface separation)\n", mesh.vertexCount);
    for (int i = 0; i < surfaces.capacity(); ++i) {
        const JSurface& s = surfaces.entry(i);
        if (s.isFree())
            continue;
        std::fprintf(out,
                     "surface \"%s\" colour %d %d %d smooth %d double-sided %d diffuse %.6g specular %.6g "
                     "glossiness %.6g",
                     s.name, s.red, s.green, s.blue, s.smooth, s.doubleSided, double(s.diffuse), double(s.specular),
                     double(s.glossiness));
        if (s.texture)
            std::fprintf(out, " texture %dx%d mapping %d axis %d", s.texture->width(), s.texture->height(), s.mapping,
                         s.axis);
        if (s.referenceName[0])
            std::fprintf(out, " reference \"%s\"", s.referenceName);
        std::fprintf(out, "\n");
    }
    return 0;
}

int sceneInfo(const std::string& source, const std::string& name, std::FILE* out, std::FILE* err)
{
    SourceScope scope(source, err);
    if (!scope.ok())
        return 1;
    JSurfaceList surfaces(kSurfaceEntries);
    NullConsole console;
    JScene scene(JScene::kDefaultCapacity);
    if (!scene.load(name.c_str(), &surfaces, console)) {
        std::fprintf(err, "kalvora-scene: %s cannot be opened\n", name.c_str());
        return 1;
    }
    std::fprintf(out, "frames-per-second %.6g\nambient %.6g\nitems %d\n", double(scene.framesPerSecond),
                 double(scene.ambient), scene.count);
    for (int32_t i = 0; i < scene.count; ++i) {
        const JItem* item = scene.items[size_t(i)];
        if (!item)
            continue;
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "%d ", i);
        printItem(out, prefix, *item);
        if (item->type == JItem::kTypeMesh) {
            const auto& mesh = static_cast<const JMesh&>(*item);
            std::fprintf(out, "  points %d polygons %d bones %d\n", mesh.pointCount, mesh.polygonCount,
                         mesh.skeleton ? mesh.skeleton->count : 0);
        }
    }
    for (const auto& item : scene.unlisted)
        printItem(out, "unlisted ", *item);
    return 0;
}

int renderSceneFrame(const std::string& source, const std::string& name, double frame, RenderContext& context,
                     std::FILE* err)
{
    JSurfaceList surfaces(kSurfaceEntries);
    JScene scene(JScene::kDefaultCapacity);
    {
        SourceScope scope(source, err);
        if (!scope.ok())
            return -1;
        NullConsole console;
        if (!scene.load(name.c_str(), &surfaces, console)) {
            std::fprintf(err, "kalvora-scene: %s cannot be opened\n", name.c_str());
            return -1;
        }
        JMesh::registerTextures(surfaces, context);
        JMesh::releaseTexturePixels(surfaces);
    }
    if (!scene.findCamera())
        std::fprintf(err, "kalvora-scene: %s has no camera; only the background is drawn\n", name.c_str());
    JFrustum frustum(false);
    return scene.renderFrameAt(context, frustum, frame);
}

int sceneRender(const std::string& source, const std::string& name, const std::string& outPng,
                const SceneRenderOptions& options, std::FILE* out, std::FILE* err)
{
    std::error_code ec;
    const fs::path outPath = fs::absolute(outPng, ec);
    if (options.width < kMinSize || options.height < kMinSize || options.width > kMaxSize ||
        options.height > kMaxSize) {
        std::fprintf(err, "kalvora-scene: size %dx%d out of range\n", options.width, options.height);
        return 1;
    }
    OfflineDisplay display(options.width, options.height);
    RenderContext context(&display, options.width, options.height);
    const int drawn = renderSceneFrame(source, name, options.frame, context, err);
    if (drawn < 0)
        return 1;
    if (!writePng(outPath.string(), display.backBuffer(), false)) {
        std::fprintf(err, "kalvora-scene: cannot write %s\n", outPath.c_str());
        return 1;
    }
    std::fprintf(out, "polygons %d\nspans %d\ndropped %d\n", drawn, context.spansInUse(), context.droppedPieces());
    return 0;
}
