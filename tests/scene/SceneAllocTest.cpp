// Scene frames allocate nothing once the scene is loaded: motion, world, skinning, lighting, clipping, drawing.

#include "SceneFiles.h"

#include "AllocationCounter.h"
#include "LwoBuilder.h"
#include "MazeScene.h"
#include "display/OfflineDisplay.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JMesh.h"
#include "engine3d/JScene.h"
#include "engine3d/JSurfaceList.h"
#include "render/RenderContext.h"

#include <gtest/gtest.h>

TEST(SceneAlloc, FramesOfASkinnedLitSceneAllocateNothing)
{
    SceneFolder folder;
    std::string reason;
    ASSERT_EQ(writeMazeScene(folder.path().string(), reason), 1) << reason;
    LwoBuilder body;
    for (int i = 0; i < 8; ++i)
        body.addPoint({2.0 + (i & 1), 0.2 * i, 2.0 + (i >> 1 & 1)});
    body.addPolygon({0, 1, 3, 2}, 1);
    body.addPolygon({4, 5, 7, 6}, 1);
    body.addSurface(LwoBuilder::Surface{});
    folder.write("body.lwo", body.bytes());
    std::vector<uint8_t> text;
    readWholeFile(MazeSceneFiles::kScene, text);
    const std::string bones = "LoadObject body.lwo\nAddBone\nBoneRestLength 1\nBoneActive 1\n"
                              "AddBone\nBoneRestPosition 0 1 0\nBoneRestLength 1\nBoneActive 1\nParentObject 1\n"
                              "BoneMotion (unnamed)\n9\n2\n0 1 0 0 0 0 1 1 1\n0 0 0 0 0\n0 1 0 90 0 0 1 1 1\n"
                              "40 0 0 0 0\nEndBehavior 2\n";
    text.insert(text.end(), bones.begin(), bones.end());
    folder.write(MazeSceneFiles::kScene, text);

    OfflineDisplay display(640, 480);
    RenderContext context(&display, 640, 480);
    JSurfaceList surfaces(60);
    JScene scene(256);
    RecordingConsole console;
    ASSERT_EQ(scene.load(MazeSceneFiles::kScene, &surfaces, console), 1);
    JMesh::registerTextures(surfaces, context);
    JFrustum frustum(false);
    scene.renderFrame(context, frustum, 0);
    allocations::reset();
    allocations::count(true);
    int drawn = 0;
    for (int t = 1; t < 200; t += 7)
        drawn += scene.renderFrame(context, frustum, t);
    allocations::count(false);
    EXPECT_GT(drawn, 0);
    EXPECT_EQ(allocations::counted(), 0);
}
