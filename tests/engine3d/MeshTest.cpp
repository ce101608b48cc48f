// The mesh model: capacities, surface separation, edges, the surface list, averaged normals and texture
// registration.

#include "engine3d/JMesh.h"
#include "engine3d/JSurfaceList.h"
#include "render/RenderContext.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// A unit cube: bottom 0..3, top 4..7; faces bottom, sides, top (or top first).
void buildCube(JMesh& mesh, JSurface* sides, JSurface* top, bool topFirst)
{
    const double corners[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1},
                                  {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}};
    for (const auto& c : corners) {
        JVertex* v = nullptr;
        ASSERT_TRUE(mesh.addVertex(v));
        v->position = v->restPosition = {c[0], c[1], c[2]};
    }
    const int faces[6][4] = {{4, 5, 6, 7}, {0, 1, 2, 3}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    for (int i = 0; i < 6; ++i) {
        const int f = topFirst ? i : (i + 1) % 6;
        JPolygon* p = nullptr;
        ASSERT_TRUE(mesh.addPolygon(4, p));
        for (int k = 0; k < 4; ++k)
            p->vertices[k] = &mesh.vertices[faces[f][k]];
        p->surface = f == 0 ? top : sides;
    }
}

} // namespace

TEST(Mesh, SurfaceSeparationCopiesOnlyVerticesClaimedByAnotherSurface)
{
    JSurfaceList list(60);
    JSurface* a = list.findOrAdd("A");
    JSurface* b = list.findOrAdd("B");
    const struct {
        JSurface* top;
        bool topFirst;
        int vertices;
    } cases[] = {{a, false, 8}, {b, false, 12}, {b, true, 16}};
    for (const auto& c : cases) {
        JMesh mesh(20, 40, 4);
        buildCube(mesh, a, c.top, c.topFirst);
        mesh.separateSurfaces();
        EXPECT_EQ(mesh.vertexCount, c.vertices);
        for (int i = 0; i < mesh.polygonCount; ++i)
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(mesh.polygons[i].vertices[k]->surface, mesh.polygons[i].surface);
    }
}

TEST(Mesh, AddingKeepsOneEntryFree)
{
    JMesh mesh(3, 3, 3);
    JPolygon* p = nullptr;
    JVertex* v = nullptr;
    EXPECT_EQ(mesh.addPolygon(3, p), 1);
    EXPECT_EQ(mesh.addPolygon(3, p), 1);
    EXPECT_EQ(mesh.addPolygon(3, p), 0) << "polygonCount = capacity - 1";
    EXPECT_EQ(mesh.addVertex(v), 1);
    EXPECT_EQ(mesh.addVertex(v), 1);
    EXPECT_EQ(mesh.addVertex(v), 0);
    JMesh narrow(10, 3, 2); // 20 references
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(narrow.addPolygon(3, p), 1);
    EXPECT_EQ(narrow.addPolygon(2, p), 0) << "referenceCount + n = capacity";
}

TEST(Mesh, EdgesAreDistinctByEndPositionsInEitherDirection)
{
    JMesh mesh(4, 10, 3);
    // Vertices 3 and 4 are copies of 1 and 2 at the same positions.
    const JVector points[6] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    for (const JVector& p : points) {
        JVertex* v = nullptr;
        mesh.addVertex(v);
        v->position = p;
    }
    const int triangles[2][3] = {{0, 1, 2}, {4, 3, 5}}; // the second runs the shared edge backwards
    for (const auto& t : triangles) {
        JPolygon* p = nullptr;
        mesh.addPolygon(3, p);
        for (int k = 0; k < 3; ++k)
            p->vertices[k] = &mesh.vertices[t[k]];
    }
    mesh.convertToEdges();
    ASSERT_EQ(mesh.polygonCount, 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(mesh.polygons[i].count, 2);
    EXPECT_EQ(mesh.polygons[3].vertices[0], &mesh.vertices[3]);
    EXPECT_EQ(mesh.polygons[3].vertices[1], &mesh.vertices[5]);
}

TEST(Mesh, SurfaceListTakesFreeEntriesUntilFull)
{
    JSurfaceList list(60);
    for (int i = 0; i < 60; ++i)
        ASSERT_NE(list.findOrAdd(("s" + std::to_string(i)).c_str()), nullptr);
    EXPECT_EQ(list.findOrAdd("one more"), nullptr);
    EXPECT_EQ(list.findOrAdd("s7"), &list.entry(7));
    EXPECT_EQ(list.find(""), nullptr);
}

namespace {

// Part-literal averaging: every corner adds its polygon's normal to every vertex at exactly its position.
struct Expected {
    JVector normal;
    int share, smooth;
};

std::vector<Expected> bruteForceNormals(const JMesh& mesh)
{
    std::vector<Expected> out(mesh.vertexCount, {{0, 0, 0}, 0, 0});
    for (int i = 0; i < mesh.polygonCount; ++i) {
        const JPolygon& p = mesh.polygons[i];
        JVector n{0, 0, 1};
        if (p.count > 2) {
            const JVector& p0 = p.vertices[0]->position;
            n = cross(p.vertices[2]->position - p0, p.vertices[1]->position - p0);
            n.normalize();
        }
        for (int k = 0; k < p.count; ++k)
            for (int m = 0; m < mesh.vertexCount; ++m)
                if (equal(mesh.vertices[m].position, p.vertices[k]->position)) {
                    out[m].normal = out[m].normal + n;
                    ++out[m].share;
                    out[m].smooth += p.surface->smooth;
                }
    }
    for (Expected& e : out)
        if (e.share)
            e.normal = e.normal * (1.0 / e.share);
    return out;
}

} // namespace

TEST(Mesh, VertexNormalsAverageEveryCornerAtTheSamePosition)
{
    JSurfaceList list(4);
    JSurface* smooth = list.findOrAdd("smooth");
    smooth->smooth = 1;
    JSurface* flat = list.findOrAdd("flat");
    std::mt19937 random(11);
    JMesh mesh(400, 400, 5);
    for (int i = 0; i < 300; ++i) { // a 4 x 4 x 4 lattice: many vertices share a position
        JVertex* v = nullptr;
        mesh.addVertex(v);
        v->position = {double(random() % 4), double(random() % 4), double(random() % 4) * 0.5};
    }
    for (int i = 0; i < 300; ++i) {
        const int n = 2 + int(random() % 4);
        JVertex* c[5];
        for (int k = 0; k < n; ++k)
            c[k] = &mesh.vertices[random() % 300];
        if (n > 2 && length(cross(c[2]->position - c[0]->position, c[1]->position - c[0]->position)) == 0)
            continue; // the direct formula has no normal for these
        JPolygon* p = nullptr;
        mesh.addPolygon(n, p);
        std::copy(c, c + n, p->vertices);
        p->surface = random() % 2 ? smooth : flat;
    }
    const std::vector<Expected> expected = bruteForceNormals(mesh);
    mesh.computeNormals();
    for (int m = 0; m < mesh.vertexCount; ++m) {
        EXPECT_TRUE(equal(mesh.vertices[m].normal, expected[m].normal)) << "vertex " << m;
        EXPECT_EQ(mesh.vertices[m].shareCount, std::min(expected[m].share, 255));
        EXPECT_EQ(mesh.vertices[m].smoothCount, std::min(expected[m].smooth, 255));
    }
}

TEST(Mesh, PolygonWithCollinearFirstCornersTakesTheWholeOutlinesNormal)
{
    JSurfaceList list(1);
    JMesh mesh(4, 10, 4);
    const JVector points[7] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}, {5, 5, 5}, {6, 6, 6}, {7, 7, 7}};
    for (const JVector& p : points) {
        JVertex* v = nullptr;
        mesh.addVertex(v);
        v->position = p;
    }
    JPolygon* quad = nullptr;
    mesh.addPolygon(4, quad);
    for (int k = 0; k < 4; ++k)
        quad->vertices[k] = &mesh.vertices[k];
    JPolygon* line = nullptr; // three corners on one line: no normal at all
    mesh.addPolygon(3, line);
    for (int k = 0; k < 3; ++k)
        line->vertices[k] = &mesh.vertices[4 + k];
    quad->surface = line->surface = list.findOrAdd("s");
    mesh.computeNormals();
    // cross(P2 - P0, P1 - P0) of the same winding (0,0,0), (2,0,0), (1,1,0) is (0, 0, -2).
    EXPECT_TRUE(equal(quad->normal, {0, 0, -1}));
    EXPECT_TRUE(equal(mesh.vertices[0].normal, {0, 0, -1}));
    EXPECT_EQ(mesh.vertices[5].shareCount, 0);
    EXPECT_TRUE(equal(mesh.vertices[5].normal, {0, 0, 0}));
}

TEST(Mesh, TexturesAreRegisteredOncePerDistinctWholePicture)
{
    RenderContext context(nullptr, 640, 480);
    JSurfaceList list(4);
    const char* names[3] = {"a", "b", "c"};
    for (int i = 0; i < 3; ++i) {
        JSurface* s = list.findOrAdd(names[i]);
        s->texture = std::make_unique<Bitmap>(64, 64, Bitmap::FormatXrgb32);
        s->texture->fill(10, 20, 30);
    }
    list.entry(2).texture->row32(63)[5] = 0xffffff; // differs from the others in its last row only
    EXPECT_EQ(JMesh::registerTextures(list, context), 2);
    EXPECT_EQ(context.textureCount(), 2);
    EXPECT_NE(list.entry(0).textureHandle, nullptr);
    EXPECT_EQ(list.entry(0).textureHandle, list.entry(1).textureHandle);
    EXPECT_NE(list.entry(2).textureHandle, list.entry(0).textureHandle);
    JMesh::releaseTexturePixels(list);
    EXPECT_EQ(list.entry(0).texture->pixels(), nullptr);
}
