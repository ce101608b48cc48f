// The per-frame mesh pipeline: lighting, bounds, near-plane clipping, the winding test and texture
// coordinates.

#include "engine3d/JBoundSphere.h"
#include "engine3d/JCamera.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JLight.h"
#include "engine3d/JLwoLoader.h"
#include "engine3d/JMesh.h"
#include "engine3d/JSurfaceList.h"
#include "render/Random.h"
#include "render/RenderContext.h"
#include "runner/Console.h"

#include "LwoBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// A light that hands a fixed direction, or a fixed object-space position, to the mesh.
class FixedLight final : public JLight {
public:
    JVector toward{0, 0, 1};
    bool isPoint = false;
    void illuminate(JMesh& mesh) const override
    {
        if (isPoint)
            mesh.illuminateFromPoint(toward, *this);
        else
            mesh.illuminateFromDirection(toward, *this);
    }
};

// One more polygon over the given camera-space corners on `surface`, surfaces separated, active lists in use.
void buildPolygon(JMesh& mesh, const std::vector<JVector>& corners, JSurface* surface)
{
    JPolygon* p = nullptr;
    ASSERT_TRUE(mesh.addPolygon(int(corners.size()), p));
    for (size_t k = 0; k < corners.size(); ++k) {
        JVertex* v = nullptr;
        ASSERT_TRUE(mesh.addVertex(v));
        v->position = v->cameraPosition = corners[k];
        p->vertices[k] = v;
    }
    p->surface = surface;
    mesh.separateSurfaces();
    mesh.listMode = JMesh::ListActive;
    mesh.resetActiveLists();
}

// A render context with its rows reset, drawing nowhere.
struct Context {
    RenderContext context{nullptr, 640, 480};
    Context() { context.beginFrame(); }
};

const JPolygon& lastPolygon(const JMesh& mesh)
{
    return mesh.polygons[mesh.activePolygonCount - 1];
}

} // namespace

TEST(MeshPipeline, NearPlaneClippingReplacesATriangleByTheInsidePart)
{
    JSurfaceList list(1);
    JFrustum frustum;
    frustum.setUp(632, 312, 640);
    const JPlane& nearPlane = frustum.plane(JFrustum::kNearPlane);
    const int32_t bit = 1 << JFrustum::kNearPlane;

    // Corner 1 behind: the quadrilateral c0, I0, I1, c2.
    JMesh one(10, 10, 3);
    buildPolygon(one, {{0, 0, 1}, {0, 0, -1}, {1, 0, 1}}, list.findOrAdd("s"));
    one.vertices[0].colour.diffuseRed = 100;
    one.vertices[1].colour.diffuseRed = 200;
    one.clipAgainst(nearPlane, bit);
    EXPECT_EQ(one.polygons[0].flags, bit);
    EXPECT_EQ(one.vertices[1].clipFlags, bit);
    ASSERT_EQ(one.activePolygonCount, 2);
    const JPolygon& quad = lastPolygon(one);
    ASSERT_EQ(quad.count, 4);
    EXPECT_EQ(quad.vertices[0], &one.vertices[0]);
    EXPECT_EQ(quad.vertices[3], &one.vertices[2]);
    const JVertex& i0 = *quad.vertices[1];
    const JVertex& i1 = *quad.vertices[2];
    EXPECT_NEAR(i0.cameraPosition.z, 0.01, 1e-15);
    EXPECT_NEAR(i1.cameraPosition.x, 1.01 / 2.0, 1e-15); // t = 1.01 / 2 along c1 -> c2
    EXPECT_EQ(i0.colour.diffuseRed, 149);                // 100 + 100 x 0.99 / 2, truncated
    EXPECT_EQ(i0.clipFlags | i1.clipFlags, 0);

    // Corners 0 and 1 behind: the triangle I0, c2, I1.
    JMesh two(10, 10, 3);
    buildPolygon(two, {{0, 0, -1}, {1, 0, -1}, {0, 1, 1}}, list.findOrAdd("s"));
    two.clipAgainst(nearPlane, bit);
    const JPolygon& triangle = lastPolygon(two);
    ASSERT_EQ(triangle.count, 3);
    EXPECT_EQ(triangle.vertices[1], &two.vertices[2]);
    EXPECT_NEAR(triangle.vertices[0]->cameraPosition.x, 1 - 1.01 / 2.0, 1e-15); // on c1 -> c2
    EXPECT_NEAR(triangle.vertices[2]->cameraPosition.y, 1 - 0.99 / 2.0, 1e-15); // on c2 -> c0
}

TEST(MeshPipeline, FrustumClipsAPolygonWithACornerOutsideTheVertexBlock)
{
    // Every listed vertex is inside, which lets the frustum pass a plane over only when every corner is one
    // of them; here one corner lies behind the near plane outside the mesh's own vertices.
    JSurfaceList list(1);
    JFrustum frustum;
    frustum.setUp(632, 312, 640);
    JMesh mesh(10, 10, 3);
    buildPolygon(mesh, {{0, 0, 1}, {0, 1, 1}, {1, 0, 1}}, list.findOrAdd("s"));
    JVertex behind;
    behind.cameraPosition = {0, 0, -1};
    mesh.polygons[0].vertices[1] = &behind;
    std::fill(std::begin(mesh.planeState), std::end(mesh.planeState), int32_t(JMesh::PlaneInside));
    mesh.planeState[JFrustum::kNearPlane] = JMesh::PlaneCrossed;
    frustum.clipMesh(mesh);
    EXPECT_EQ(mesh.polygons[0].flags, 1 << JFrustum::kNearPlane);
    EXPECT_EQ(behind.clipFlags, 1 << JFrustum::kNearPlane);
}

TEST(MeshPipeline, AmbientHalfIsDiffuse127AndLightsSaturate)
{
    JSurfaceList list(1);
    JSurface* s = list.findOrAdd("s");
    s->smooth = 1;
    s->specular = 1.0f; // glossiness 32: a whole exponent, so a negative k would light the back
    JMesh mesh(4, 8, 3);
    buildPolygon(mesh, {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, s); // normal (0, 0, 1)
    mesh.computeNormals();
    mesh.resetLighting(0.5f * 255);
    const JColourPair& c = mesh.vertices[0].colour;
    EXPECT_EQ(c.diffuseRed, 127);
    EXPECT_EQ(c.specularRed, 0);

    FixedLight light;
    light.intensity = 0.009f;
    light.illuminate(mesh);
    EXPECT_EQ(c.diffuseRed, 127) << "below 0.01 a light adds nothing";
    light.intensity = 1.0f;
    light.toward = {0, 0, -1};
    light.illuminate(mesh);
    EXPECT_EQ(c.diffuseRed, 127);
    EXPECT_EQ(c.specularRed, 0) << "no highlight on the side facing away";
    light.toward = {0, 0, 1};
    light.illuminate(mesh);
    EXPECT_EQ(c.diffuseRed, 255);
    EXPECT_EQ(c.specularRed, 255);

    // A point light far above corner 0 lights each vertex from its own direction, without attenuation.
    mesh.resetLighting(0);
    light.isPoint = true;
    light.toward = {0, 0, 1000};
    light.illuminate(mesh);
    EXPECT_EQ(c.diffuseRed, 255);
    EXPECT_EQ(mesh.vertices[1].colour.diffuseRed, 254); // 255 x 1000 / sqrt(1000^2 + 1), truncated
}

TEST(MeshPipeline, OnlyScreenWindingAboveZeroIsDrawnUnlessDoubleSided)
{
    Context frame;
    RenderContext& context = frame.context;
    JSurfaceList list(2);
    JSurface* one = list.findOrAdd("one");
    JSurface* both = list.findOrAdd("both");
    both->doubleSided = 1;
    // zoom = z = 1 keeps x and y on screen; a camera of size 0 puts the centre at the origin.
    const std::vector<JVector> forward = {{0, 0, 1}, {10, 0, 1}, {0, 10, 1}};
    const std::vector<JVector> reverse = {{0, 0, 1}, {0, 10, 1}, {10, 0, 1}};
    const struct {
        const std::vector<JVector>& corners;
        JSurface* surface;
        int drawn;
    } cases[] = {{forward, one, 1}, {reverse, one, 0}, {reverse, both, 1}};
    for (const auto& c : cases) {
        JMesh mesh(4, 8, 3);
        buildPolygon(mesh, c.corners, c.surface);
        mesh.project(1.0f);
        EXPECT_EQ(mesh.draw(context, 0, 0, 0, 0), c.drawn);
    }
    // Two corners, or more than 64, are never handed over.
    JMesh line(4, 80, 70);
    buildPolygon(line, {{0, 0, 1}, {10, 0, 1}}, both);
    std::vector<JVector> many;
    for (int k = 0; k < 65; ++k)
        many.push_back({std::cos(k * 0.1), std::sin(k * 0.1), 1});
    buildPolygon(line, many, both);
    line.project(1.0f);
    EXPECT_EQ(line.draw(context, 0, 0, 0, 0), 0);
}

TEST(MeshPipeline, ClippedPolygonStartingWithACornerOnThePlaneStillDraws)
{
    Context frame;
    RenderContext& context = frame.context;
    JSurfaceList list(1);
    JFrustum frustum;
    frustum.setUp(632, 312, 640);
    // Corner 0 lies exactly on the near plane, so its crossing I0 coincides with it and the first three
    // corners of c0, I0, I1, c2 have no winding.
    JMesh mesh(10, 10, 3);
    buildPolygon(mesh, {{0, 0, 0.01}, {1, 0, -1}, {0, 1, 1}}, list.findOrAdd("s"));
    mesh.clipAgainst(frustum.plane(JFrustum::kNearPlane), 1 << JFrustum::kNearPlane);
    ASSERT_EQ(lastPolygon(mesh).count, 4);
    mesh.project(1.0f);
    EXPECT_EQ(mesh.draw(context, 0, 0, 0, 0), 1);
}

TEST(MeshPipeline, MeshBehindTheCameraIsNeitherTransformedNorDrawn)
{
    Context frame;
    RenderContext& context = frame.context;
    JSurfaceList list(1);
    JMesh mesh(4, 8, 3);
    buildPolygon(mesh, {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, list.findOrAdd("s"));
    mesh.bounds = std::make_unique<JBoundSphere>();
    mesh.bounds->measure(mesh);
    mesh.world.translation({0, 0, -5});
    mesh.vertices[0].cameraPosition = {7, 7, 7};
    JFrustum frustum;
    frustum.setUp(632, 312, 640);
    JCamera camera;
    mesh.prepareFrame(127.5f, frustum);
    EXPECT_EQ(mesh.visible, 0);
    EXPECT_TRUE(equal(mesh.vertices[0].cameraPosition, {7, 7, 7}));
    EXPECT_EQ(mesh.drawFrame(context, nullptr, 0, frustum, camera, 0, 80), 0);
}

TEST(MeshPipeline, BoundingScaleIsNeverBelowTheLargestStretch)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<double> any(-1, 1);
    for (int i = 0; i < 200; ++i) {
        JMatrix rotation, scaling;
        rotation.rotationFromDegrees({any(random) * 180, any(random) * 180, any(random) * 180});
        scaling.scaling({1 + 3 * std::fabs(any(random)), 0.2, 1 + std::fabs(any(random))});
        JBoundSphere sphere;
        sphere.transform(rotation * scaling);
        for (int j = 0; j < 20; ++j) {
            JVector v{any(random), any(random), any(random)};
            v.normalize();
            ASSERT_LE(length((rotation * scaling).transform(v)), sphere.scale * (1 + 1e-6));
        }
    }
}

TEST(MeshPipeline, PlanarTextureCoordinatesDrawTwoNumbersPerTexturedCorner)
{
    JSurfaceList list(2);
    JSurface* s = list.findOrAdd("textured");
    const Bitmap picture(256, 128, Bitmap::FormatXrgb32);
    s->textureHandle = &picture;
    s->textureWidth = 256;
    s->textureHeight = 128;
    s->axis = JSurface::AxisZ;
    s->textureSize = {2, 4, 1};
    s->textureCentre = {1, 0, 0};
    JMesh mesh(4, 8, 3);
    buildPolygon(mesh, {{0, 0, 0}, {3, 2, 0}, {-1, -6, 0}}, s);
    for (int i = 0; i < 3; ++i)
        mesh.vertices[i].restPosition = mesh.vertices[i].position;
    mesh.loaded = 1;
    Random expected = Random::shared();
    mesh.computeTextureCoordinates();
    for (int i = 0; i < 6; ++i)
        expected.next();
    EXPECT_EQ(Random::shared().next(), expected.next());
    // u = 256 (x - 1) / 2 + 256 x 16.5, v = 128 y / 4 + 128 x 16.5, truncated.
    EXPECT_EQ(mesh.vertices[0].u, 4096.0f);
    EXPECT_EQ(mesh.vertices[0].v, 2112.0f);
    EXPECT_EQ(mesh.vertices[1].u, 4480.0f);
    EXPECT_EQ(mesh.vertices[1].v, 2176.0f);
    EXPECT_EQ(mesh.vertices[2].u, 3968.0f);
    EXPECT_EQ(mesh.vertices[2].v, 1920.0f);
}

namespace {

// A cube of side 2 about the origin as an object file: each face's corners ordered so that the face normal
// cross(P2 - P0, P1 - P0) of the loaded (y turned over) points is `outward`.
LwoBuilder::Bytes cubeObject(JVector outward[6])
{
    std::vector<float> xyz;
    for (int i = 0; i < 8; ++i) {
        const JVector p{i & 1 ? 1.0 : -1.0, i & 2 ? 1.0 : -1.0, i & 4 ? 1.0 : -1.0};
        xyz.insert(xyz.end(), {float(p.x), float(-p.y), float(p.z)});
    }
    LwoBuilder::Bytes pols;
    int face = 0;
    for (int axis = 0; axis < 3; ++axis)
        for (int side = 0; side < 2; ++side) {
            const int bit = 1 << axis, u = 1 << ((axis + 1) % 3), v = 1 << ((axis + 2) % 3);
            const int base = side ? bit : 0;
            std::vector<uint32_t> corners = {uint32_t(base), uint32_t(base | u), uint32_t(base | u | v),
                                             uint32_t(base | v)};
            auto at = [](uint32_t i) { return JVector{i & 1 ? 1.0 : -1.0, i & 2 ? 1.0 : -1.0, i & 4 ? 1.0 : -1.0}; };
            JVector out{0, 0, 0};
            (axis == 0 ? out.x : axis == 1 ? out.y : out.z) = side ? 1 : -1;
            const JVector p0 = at(corners[0]);
            if (dot(cross(at(corners[2]) - p0, at(corners[1]) - p0), out) < 0)
                std::reverse(corners.begin(), corners.end());
            LwoBuilder::polygon(pols, corners, 1);
            outward[face++] = out;
        }
    return LwoBuilder::object({LwoBuilder::points(xyz), LwoBuilder::chunk("POLS", pols)});
}

} // namespace

TEST(MeshPipeline, ClosedCubeHandsOverExactlyTheFacesTurnedToTheCamera)
{
    JVector outward[6];
    const LwoBuilder::Bytes bytes = cubeObject(outward);
    NullConsole console;
    JSurfaceList list(4);
    JMesh cube;
    JLwoLoader loader;
    ASSERT_EQ(loader.loadBytes(cube, bytes.data(), bytes.size(), &list, console), 1);
    Context frame;
    JFrustum frustum;
    frustum.setUp(632, 312, 640);
    JCamera camera;
    camera.height = 320;
    std::mt19937 random(9);
    std::uniform_real_distribution<double> angle(-180, 180);
    for (int i = 0; i < 100; ++i) {
        JMatrix rotation, move;
        rotation.rotationFromDegrees({angle(random), angle(random), angle(random)});
        move.translation({angle(random) / 100, angle(random) / 200, 12});
        cube.world = move * rotation;
        int facing = 0;
        bool edgeOn = false;
        for (const JVector& n : outward) {
            const double d = dot(rotation.transform(n), cube.world.transform(n)); // normal . face centre
            facing += d < 0;
            edgeOn = edgeOn || std::fabs(d) < 1e-6;
        }
        if (edgeOn)
            continue;
        cube.prepareFrame(127.5f, frustum);
        EXPECT_EQ(cube.drawFrame(frame.context, nullptr, 0, frustum, camera, 0, 80), facing);
    }
}
