// Scene items: the transform chain, the hierarchy and the camera's view.

#include "engine3d/JCamera.h"
#include "engine3d/JDistantLight.h"
#include "engine3d/JEnvelope.h"
#include "engine3d/JNull.h"
#include "engine3d/JPointLight.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

void expectNear(const JVector& a, const JVector& b, double tolerance = 1e-12)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

void place(JItem& item)
{
    item.evaluateMotion(0);
    item.computeWorld();
}

} // namespace

TEST(SceneItem, ChildIsPlacedInItsParentsRotatedSpace)
{
    JNull parent, child;
    parent.rotation = {0, 90, 0};
    child.position = {1, 0, 0};
    ASSERT_EQ(child.setParent(&parent), 1);
    place(parent);
    place(child);
    expectNear(child.worldOrigin, {0, 0, 1});
}

TEST(SceneItem, PivotIsThePointThatPositionMovesAndScaleKeeps)
{
    JNull item;
    item.pivot = {1, 0, 0};
    item.scale = {2, 2, 2};
    place(item);
    expectNear(item.world.transform({1, 0, 0}), {0, 0, 0});
    expectNear(item.world.transform({2, 0, 0}), {2, 0, 0});
}

TEST(SceneItem, InverseWorldUndoesWorldThroughAChain)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> any(-3, 3);
    JNull items[3];
    for (int i = 0; i < 3; ++i) {
        items[i].position = {any(random), any(random), any(random)};
        items[i].rotation = {any(random) * 60, any(random) * 60, any(random) * 60};
        items[i].scale = {1.5 + any(random) / 3, 0.7, 2};
        items[i].pivot = {any(random), any(random), any(random)};
        if (i > 0)
            items[i].setParent(&items[i - 1]);
        items[i].evaluateMotion(0);
    }
    items[2].computeWorld();
    const JVector p{0.3, -1.7, 2.9};
    expectNear(items[2].inverseWorld.transform(items[2].world.transform(p)), p, 1e-9);
}

TEST(SceneItem, ZeroScaleKeepsTheInverseFinite)
{
    JNull item;
    item.scale = {0, 1, 1};
    place(item);
    for (const auto& row : item.inverseWorld.m)
        for (double v : row)
            EXPECT_TRUE(std::isfinite(v));
}

TEST(SceneItem, ParentLinksThatCloseACycleAreRefused)
{
    JNull a, b, c;
    EXPECT_EQ(b.setParent(&a), 1);
    EXPECT_EQ(c.setParent(&b), 1);
    EXPECT_EQ(a.setParent(&c), 0);
    EXPECT_EQ(a.setParent(&a), 0);
    EXPECT_EQ(a.parent, nullptr);
}

TEST(SceneItem, MotionIsEvaluatedOncePerFrame)
{
    JNull item;
    auto channel = std::make_unique<JEnvelope>(1);
    JKey key;
    key.value = {4, 5, 6};
    channel->addKey(key);
    item.setMotion(std::move(channel), nullptr, nullptr);
    item.evaluateMotion(3);
    expectNear(item.position, {4, 5, 6});
    item.position = {0, 0, 0};
    item.evaluateMotion(3);
    expectNear(item.position, {0, 0, 0}); // same frame: the envelope is not read again
    item.evaluateMotion(4);
    expectNear(item.position, {4, 5, 6});
    EXPECT_EQ(item.translation.m[0][3], 4);
}

TEST(SceneItem, CameraViewTakesTheWorldIntoCameraSpace)
{
    JCamera camera;
    camera.position = {0, 0, -10};
    place(camera);
    camera.computeView();
    expectNear(camera.view.transform({0, 0, 0}), {0, 0, 10});

    // Turned by heading 90 (rotation y = -90) under a moved parent: view and viewInverse stay inverses.
    JNull rig;
    rig.position = {3, 1, -2};
    camera.rotation = {10, -90, 5};
    camera.setParent(&rig);
    place(rig);
    place(camera);
    camera.computeView();
    const JVector p{1, 2, 3};
    expectNear(camera.viewInverse.transform(camera.view.transform(p)), p, 1e-12);
    expectNear(camera.viewInverse.transform({0, 0, 0}), rig.world.transform(camera.position), 1e-12);
}

TEST(SceneItem, LightsReachAMeshInItsOwnObjectSpaceWhereverTheCameraIs)
{
    JCamera camera;
    camera.position = {4, -2, -7};
    camera.rotation = {20, 35, -10};
    JNull mesh;
    mesh.position = {5, 1, 0};
    mesh.rotation = {0, -90, 0};
    JDistantLight sun;
    sun.position = {-3, -3, 9}; // a distant light's position does not matter
    sun.rotation = {0, -90, 0};
    JPointLight lamp;
    lamp.position = {5, 1, 2};
    for (JItem* item : {static_cast<JItem*>(&camera), static_cast<JItem*>(&mesh), static_cast<JItem*>(&sun),
                        static_cast<JItem*>(&lamp)})
        place(*item);
    camera.computeView();
    for (JItem* item : {static_cast<JItem*>(&mesh), static_cast<JItem*>(&sun), static_cast<JItem*>(&lamp)})
        item->cameraSpacePass(camera);
    // Turned alike, the sun's -z axis is the mesh's -z axis; the lamp sits 2 units along the mesh's -x axis.
    expectNear(sun.towardLight(mesh), {0, 0, -1}, 1e-12);
    expectNear(lamp.positionIn(mesh), {-2, 0, 0}, 1e-12);
}
