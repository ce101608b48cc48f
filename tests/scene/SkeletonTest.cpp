// Bone weights and skinning, on plain points and through a scene file.

#include "SceneFiles.h"

#include "LwoBuilder.h"
#include "engine3d/JBone.h"
#include "engine3d/JMesh.h"
#include "engine3d/JScene.h"
#include "engine3d/JSkeleton.h"
#include "engine3d/JSurfaceList.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

// Bone 1 at the origin along +z, bone 2 at (0, 0, 1) under it; both length 1, strength 1 scaled by length.
struct TwoBones {
    JBone first, second;
    JSkeleton skeleton;
    explicit TwoBones(double firstStrength = 1.0)
    {
        for (JBone* b : {&first, &second}) {
            b->restLength = 1;
            b->active = 1;
            skeleton.addBone(b);
        }
        first.restStrength = firstStrength;
        second.restPosition = {0, 0, 1};
        second.setParent(&first);
    }
};

const std::array<JVector, 5> kPoints = {{{0.5, 0, 0.5}, {0.5, 0, 1.5}, {0, 0, 2.5}, {0, 0, -1}, {0, 0, 0.5}}};

void expectNear(const JVector& a, const JVector& b, double tolerance)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

} // namespace

TEST(Skeleton, WeightsFallWithTheSquareOfTheDistanceToEachBone)
{
    TwoBones bones;
    bones.skeleton.prepare(kPoints.data(), int32_t(kPoints.size()));
    // beside 1 (0.5) vs behind 2 (0.707); beyond 1 (0.707) vs beside 2 (0.5); beyond both (1.5, 0.5);
    // behind both (1, 2); on the axis of 1 (1e-10) vs behind 2 (0.5).
    const double expected[5] = {2.0 / 3, 1.0 / 3, 0.1, 0.8, 1.0};
    for (size_t k = 0; k < kPoints.size(); ++k) {
        EXPECT_NEAR(bones.first.weights[k], expected[k], 1e-9) << "point " << k;
        EXPECT_NEAR(bones.second.weights[k], 1 - expected[k], 1e-9) << "point " << k;
    }
}

TEST(Skeleton, RestStrengthGovernsEveryVertex)
{
    TwoBones bones(0.25); // sqrt(0.25) halves bone 1's raw weights
    bones.skeleton.prepare(kPoints.data(), 2);
    EXPECT_NEAR(bones.first.weights[0], 0.5, 1e-9);
    EXPECT_NEAR(bones.first.weights[1], 0.2, 1e-9);
}

TEST(Skeleton, VertexNoActiveBoneReachesKeepsItsRestPosition)
{
    TwoBones bones;
    bones.first.active = bones.second.active = 0;
    bones.skeleton.prepare(kPoints.data(), 1);
    bones.first.translation.translation({5, 0, 0});
    bones.first.computeWorld();
    bones.second.computeWorld();
    bones.skeleton.updateMovements();
    expectNear(bones.skeleton.deformedPosition(0), kPoints[0], 0);
}

TEST(Skeleton, WideAndBaselineDeformationGiveTheSameBits)
{
    TwoBones bones;
    bones.skeleton.prepare(kPoints.data(), int32_t(kPoints.size())); // one whole group and a lone last point
    bones.first.translation.translation({0.3, -1.7, 2.9});
    bones.first.rotationMatrix.rotationFromDegrees({17, -41, 73});
    bones.second.rotationMatrix.rotationFromDegrees({-29, 11, 5});
    bones.second.scaling.scaling({1.1, 0.9, 1.3});
    bones.first.computeWorld();
    bones.second.computeWorld();
    bones.skeleton.updateMovements();
    if (!JSkeleton::useWideDeformation(true)) {
        JSkeleton::restoreDeformationChoice();
        GTEST_SKIP() << "no AVX2 here";
    }
    std::vector<JVector> wide;
    for (int32_t k = 0; k < int32_t(kPoints.size()); ++k)
        wide.push_back(bones.skeleton.deformedPosition(k));
    JSkeleton::useWideDeformation(false);
    for (int32_t k = 0; k < int32_t(kPoints.size()); ++k) {
        const JVector baseline = bones.skeleton.deformedPosition(k);
        EXPECT_EQ(std::memcmp(&wide[size_t(k)], &baseline, sizeof baseline), 0) << "point " << k;
    }
    JSkeleton::restoreDeformationChoice();
}

TEST(Skeleton, MeshDeformationMovesEachWeightedVertexAndNothingPastThem)
{
    // Five rest points: one whole group of four and a lone last one; the mesh's sixth vertex is not the
    // skeleton's and keeps its place.
    TwoBones bones;
    bones.skeleton.prepare(kPoints.data(), int32_t(kPoints.size()));
    bones.first.translation.translation({0.25, -0.5, 0});
    bones.first.computeWorld();
    bones.second.computeWorld();
    JMesh mesh(1, 8, 3);
    mesh.vertexCount = 6;
    const JVector sentinel{7, 8, 9};
    mesh.vertices[5].position = sentinel;
    bones.skeleton.deform(mesh);
    // Bone 2 follows bone 1, so every weighted point moves with bone 1's translation.
    for (size_t k = 0; k < kPoints.size(); ++k)
        expectNear(mesh.vertices[k].position, kPoints[k] + JVector{0.25, -0.5, 0}, 1e-12);
    expectNear(mesh.vertices[5].position, sentinel, 0);
}

TEST(Skeleton, BoneTurnedInTheSceneFileMovesThePointsItWeighs)
{
    SceneFolder folder;
    LwoBuilder object;
    for (const JVector& p : kPoints)
        object.addPoint(p); // y = 0: the same in file and engine coordinates
    object.addPolygon({0, 1, 2}, 1);
    object.addSurface(LwoBuilder::Surface{});
    folder.write("body.lwo", object.bytes());
    const std::string bone = "BoneRestLength 1\nBoneActive 1\nBoneRestStrength 1\nScaleBoneStrength 1\n";
    folder.write("bones.lws", "LoadObject body.lwo\n"
                              "AddBone\nBoneName Hip\nBoneRestPosition 0 0 0\nBoneRestDirection 0 0 0\n" +
                                  bone + "AddBone\nBoneName Knee\nBoneRestPosition 0 0 1\nBoneRestDirection 0 0 0\n" +
                                  bone + "ParentObject 1\nBoneMotion (unnamed)\n9\n1\n0 0 1 90 0 0 1 1 1\n0 0 0 0 0\n");
    RecordingConsole console;
    JSurfaceList surfaces(60);
    JScene scene(256);
    ASSERT_EQ(scene.load("bones.lws", &surfaces, console), 1);
    ASSERT_EQ(scene.count, 3);
    auto& mesh = static_cast<JMesh&>(*scene.items[0]);
    ASSERT_EQ(mesh.type, JItem::kTypeMesh);
    ASSERT_TRUE(mesh.skeleton);
    EXPECT_EQ(mesh.skeleton->bones[1]->parent, mesh.skeleton->bones[0]);
    EXPECT_EQ(mesh.skeleton->bones[1]->rotation.y, 0) << "rest only so far";

    scene.motionPass(0);
    scene.worldPass();
    EXPECT_EQ(mesh.skeleton->bones[1]->rotation.y, -90);
    mesh.skeleton->deform(mesh);
    expectNear(mesh.vertices[2].position, {1.35, 0, 1.15}, 1e-9);
    expectNear(mesh.vertices[1].position, {0.5, 0, 0.5 + 1.0 / 3}, 1e-9);
    expectNear(mesh.vertices[0].position, {0.5 / 3, 0, 0.5}, 1e-9);
}
