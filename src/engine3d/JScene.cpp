#include "engine3d/JScene.h"

#include "engine3d/JCamera.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JLight.h"
#include "engine3d/JMesh.h"
#include "engine3d/JSceneLoader.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <array>

namespace {

// Scenes draw into the middle two thirds of the frame's rows (640 x 320, 80 rows down, in 640 x 480), at a
// focal length of the frame's width, through a frustum 8 pixels smaller than the band.
constexpr int32_t kBandThirds = 2;
constexpr double kFrustumMargin = 8.0;
constexpr double kHundredths = 0.01; // elapsed is in hundredths of a second

JMesh* asMesh(JItem* item)
{
    return item && item->type == JItem::kTypeMesh ? static_cast<JMesh*>(item) : nullptr;
}

} // namespace

JScene::JScene(int32_t itemCapacity)
    : items(size_t(std::max(itemCapacity, 0)), nullptr), capacity(std::max(itemCapacity, 0))
{}

JScene::~JScene()
{
    for (int32_t i = 0; i < count; ++i) {
        delete items[size_t(i)];
        items[size_t(i)] = nullptr;
    }
    count = 0;
    unlisted.clear();
}

int JScene::load(const char* fileName, JSurfaceList* surfaces, Console& console)
{
    JSceneLoader loader(*this, surfaces, console);
    return loader.load(fileName);
}

int JScene::addItem(JItem* item)
{
    if (!item)
        return 0;
    for (int32_t i = 0; i < count; ++i) {
        if (!items[size_t(i)]) {
            items[size_t(i)] = item;
            return 1;
        }
    }
    if (count >= capacity)
        return 0;
    items[size_t(count++)] = item;
    return 1;
}

JCamera* JScene::findCamera() const
{
    for (int32_t i = 0; i < count; ++i)
        if (items[size_t(i)] && items[size_t(i)]->type == JItem::kTypeCamera)
            return static_cast<JCamera*>(items[size_t(i)]);
    return nullptr;
}

void JScene::motionPass(double frame)
{
    for (int32_t i = 0; i < count; ++i)
        if (items[size_t(i)])
            items[size_t(i)]->evaluateMotion(frame);
}

void JScene::worldPass()
{
    for (int32_t i = 0; i < count; ++i)
        if (items[size_t(i)])
            items[size_t(i)]->computeWorld();
}

void JScene::preparePass(const JCamera& camera, const JFrustum& frustum)
{
    for (int32_t i = 0; i < count; ++i) {
        JItem* item = items[size_t(i)];
        if (!item)
            continue;
        // Bones stay in their object's space: the skeleton works there.
        if (item->type != JItem::kTypeBone)
            item->cameraSpacePass(camera);
        if (JMesh* mesh = asMesh(item))
            mesh->prepareFrame(ambient * 255.0f, frustum);
    }
}

int JScene::drawPass(RenderContext& context, const JCamera& camera, const JFrustum& frustum, double offsetX,
                     double offsetY)
{
    std::array<const JLight*, kMaxLights> lights{};
    int lightCount = 0;
    for (int32_t i = 0; i < count && lightCount < kMaxLights; ++i)
        if (items[size_t(i)] && items[size_t(i)]->type == JItem::kTypeLight)
            lights[size_t(lightCount++)] = static_cast<const JLight*>(items[size_t(i)]);
    int drawn = 0;
    for (int32_t i = 0; i < count; ++i) {
        JMesh* mesh = asMesh(items[size_t(i)]);
        if (!mesh || !mesh->visible)
            continue;
        drawn += mesh->drawFrame(context, lights.data(), lightCount, frustum, camera, offsetX, offsetY);
    }
    return drawn;
}

int JScene::renderFrame(RenderContext& context, JFrustum& frustum, double elapsed)
{
    return renderFrameAt(context, frustum, double(framesPerSecond) * elapsed * kHundredths);
}

int JScene::renderFrameAt(RenderContext& context, JFrustum& frustum, double frame)
{
    context.setBackground(0, 0, 0);
    context.setClearBackground(1);
    context.beginFrame();
    motionPass(frame);
    worldPass();
    int drawn = 0;
    if (JCamera* camera = findCamera()) {
        const int32_t bandHeight = context.height() * kBandThirds / 3;
        camera->computeView();
        camera->zoom = double(context.width());
        camera->width = context.width();
        camera->height = bandHeight;
        frustum.setUp(camera->width - kFrustumMargin, bandHeight - kFrustumMargin, camera->zoom);
        preparePass(*camera, frustum);
        drawn = drawPass(context, *camera, frustum, 0.0, double((context.height() - bandHeight) / 2));
    }
    context.endFrame();
    return drawn;
}
