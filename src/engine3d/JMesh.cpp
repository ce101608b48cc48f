#include "engine3d/JMesh.h"

#include "engine3d/JLwoLoader.h"
#include "engine3d/JSurfaceList.h"
#include "render/RenderContext.h"
#include "render/TextureHash.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <vector>

JMesh::JMesh() : JItem(kTypeMesh)
{}

JMesh::JMesh(const char* fileName, JSurfaceList* surfaces, Console& console) : JItem(kTypeMesh)
{
    setName(fileName);
    JLwoLoader loader;
    loader.load(*this, fileName, surfaces, console);
}

JMesh::JMesh(int polygonCapacity, int vertexCapacity, int cornersPerPolygon) : JItem(kTypeMesh)
{
    allocateVertices(vertexCapacity);
    const int64_t refs =
        int64_t(polygonCapacity > 0 ? polygonCapacity : 0) * (cornersPerPolygon > 0 ? cornersPerPolygon : 0);
    allocatePolygons(polygonCapacity, refs > INT32_MAX ? INT32_MAX : int(refs));
}

JMesh::~JMesh() = default;

void JMesh::destroy()
{
    skeleton.reset();
    polygons.reset();
    vertices.reset();
    references.reset();
    bounds.reset();
    m_order.reset();
    m_shareTotal.reset();
    m_smoothTotal.reset();
    polygonCount = vertexCount = referenceCount = 0;
    polygonCapacity = vertexCapacity = referenceCapacity = 0;
    activePolygonCount = activeVertexCount = activeReferenceCount = 0;
    m_orderCount = 0;
}

void JMesh::allocateVertices(int capacity)
{
    capacity = capacity > 0 ? capacity : 0;
    vertices = std::make_unique<JVertex[]>(capacity);
    vertexCapacity = capacity;
    vertexCount = activeVertexCount = 0;
    allocateNormalScratch(capacity);
}

void JMesh::allocatePolygons(int polygonCapacity_, int referenceCapacity_)
{
    polygonCapacity = polygonCapacity_ > 0 ? polygonCapacity_ : 0;
    referenceCapacity = referenceCapacity_ > 0 ? referenceCapacity_ : 0;
    polygons = std::make_unique<JPolygon[]>(polygonCapacity);
    references = std::make_unique<JVertex*[]>(referenceCapacity);
    polygonCount = referenceCount = activePolygonCount = activeReferenceCount = 0;
}

void JMesh::allocateNormalScratch(int capacity)
{
    m_order = std::make_unique<int32_t[]>(capacity);
    m_shareTotal = std::make_unique<int32_t[]>(capacity);
    m_smoothTotal = std::make_unique<int32_t[]>(capacity);
    m_orderCount = 0;
}

int JMesh::addPolygon(int n, JPolygon*& out)
{
    if (n < 0 || polygonCount >= polygonCapacity - 1 || int64_t(referenceCount) + n >= referenceCapacity)
        return 0;
    out = &polygons[polygonCount++];
    *out = JPolygon{};
    out->vertices = &references[referenceCount];
    out->count = n;
    for (int k = 0; k < n; ++k)
        out->vertices[k] = nullptr;
    referenceCount += n;
    return 1;
}

int JMesh::addVertex(JVertex*& out)
{
    if (vertexCount >= vertexCapacity - 1)
        return 0;
    out = &vertices[vertexCount++];
    *out = JVertex{};
    return 1;
}

int JMesh::addActivePolygon(int n, JPolygon*& out)
{
    // The active lists extend the base lists; they never reach back into them.
    activePolygonCount = std::max(activePolygonCount, polygonCount);
    activeReferenceCount = std::max(activeReferenceCount, referenceCount);
    if (n < 0 || activePolygonCount >= polygonCapacity - 1 || int64_t(activeReferenceCount) + n >= referenceCapacity)
        return 0;
    out = &polygons[activePolygonCount++];
    *out = JPolygon{};
    out->vertices = &references[activeReferenceCount];
    out->count = n;
    for (int k = 0; k < n; ++k)
        out->vertices[k] = nullptr;
    activeReferenceCount += n;
    return 1;
}

int JMesh::addActiveVertex(JVertex*& out)
{
    activeVertexCount = std::max(activeVertexCount, vertexCount);
    if (activeVertexCount >= vertexCapacity - 1)
        return 0;
    out = &vertices[activeVertexCount++];
    *out = JVertex{};
    return 1;
}

void JMesh::resetActiveLists()
{
    activePolygonCount = polygonCount;
    activeVertexCount = vertexCount;
    activeReferenceCount = referenceCount;
}

void JMesh::separateSurfaces()
{
    for (int i = 0; i < vertexCount; ++i)
        vertices[i].surface = nullptr;
    for (int i = 0; i < polygonCount; ++i) {
        JPolygon& polygon = polygons[i];
        for (int k = 0; k < polygon.count; ++k) {
            JVertex* vertex = polygon.vertices[k];
            if (!vertex)
                continue;
            if (!vertex->surface || vertex->surface == polygon.surface) {
                vertex->surface = polygon.surface;
                continue;
            }
            JVertex* copy = nullptr;
            if (!addVertex(copy))
                continue; // no room: the corner keeps the shared vertex
            *copy = *vertex;
            copy->surface = polygon.surface;
            polygon.vertices[k] = copy;
        }
    }
}

void JMesh::finishLoad()
{
    separateSurfaces();
    listMode = ListActive;
    resetActiveLists();
    bounds = std::make_unique<JBoundSphere>();
    bounds->measure(*this);
    visible = 1;
    for (int32_t& state : planeState)
        state = PlaneCrossed;
}

namespace {

// An edge as its two end positions, the smaller (lexicographically) first, so that either direction matches.
struct EdgeKey {
    JVector a, b;
};

struct EdgeHash {
    size_t operator()(const EdgeKey& e) const
    {
        // +0.0 folds -0 into 0, which compare equal.
        const double parts[6] = {e.a.x + 0.0, e.a.y + 0.0, e.a.z + 0.0, e.b.x + 0.0, e.b.y + 0.0, e.b.z + 0.0};
        uint64_t h = 1469598103934665603ull;
        for (double d : parts) {
            uint64_t bits;
            std::memcpy(&bits, &d, sizeof bits);
            h = (h ^ bits) * 1099511628211ull;
        }
        return size_t(h ^ (h >> 32));
    }
};

struct EdgeEqual {
    bool operator()(const EdgeKey& e, const EdgeKey& f) const { return equal(e.a, f.a) && equal(e.b, f.b); }
};

} // namespace

void JMesh::convertToEdges()
{
    const int capacity = polygonCapacity > INT32_MAX / 4 ? INT32_MAX / 4 : 2 * polygonCapacity;
    auto edges = std::make_unique<JPolygon[]>(capacity);
    auto ends = std::make_unique<JVertex*[]>(size_t(2) * capacity);
    std::unordered_set<EdgeKey, EdgeHash, EdgeEqual> seen;
    int count = 0;
    for (int i = 0; i < polygonCount; ++i) {
        const JPolygon& polygon = polygons[i];
        if (polygon.count < 2)
            continue;
        for (int k = 0; k < polygon.count; ++k) {
            JVertex* a = polygon.vertices[k];
            JVertex* b = polygon.vertices[(k + 1) % polygon.count];
            if (!a || !b || count >= capacity)
                continue;
            // Positions with a NaN equal nothing, so such an edge is always new.
            if (finite(a->position) && finite(b->position)) {
                EdgeKey key = lessPosition(b->position, a->position) ? EdgeKey{b->position, a->position}
                                                                     : EdgeKey{a->position, b->position};
                if (!seen.insert(key).second)
                    continue;
            }
            JPolygon& edge = edges[count];
            edge.vertices = &ends[size_t(2) * count];
            edge.vertices[0] = a;
            edge.vertices[1] = b;
            edge.count = 2;
            ++count;
        }
    }
    polygons = std::move(edges);
    references = std::move(ends);
    polygonCapacity = capacity;
    polygonCount = count;
    referenceCapacity = 2 * capacity;
    referenceCount = 2 * count;
    resetActiveLists();
}

int JMesh::registerTextures(JSurfaceList& surfaces, RenderContext& context)
{
    struct Registered {
        uint32_t hash;
        int32_t width, height;
        const Bitmap* texture;
    };
    constexpr size_t kTableSize = 512;
    std::vector<Registered> table;
    table.reserve(kTableSize);
    int added = 0;
    for (int i = 0; i < surfaces.capacity(); ++i) {
        JSurface& surface = surfaces.entry(i);
        if (surface.isFree() || !surface.texture || !surface.texture->pixels())
            continue;
        const Bitmap& picture = *surface.texture;
        const uint32_t hash = pictureHash(picture);
        const Bitmap* texture = nullptr;
        for (const Registered& r : table) // the last match wins
            if (r.hash == hash && r.width == picture.width() && r.height == picture.height())
                texture = r.texture;
        if (!texture) {
            texture = context.addTexture(picture);
            if (texture) {
                ++added;
                if (table.size() < kTableSize)
                    table.push_back({hash, picture.width(), picture.height(), texture});
            }
        }
        surface.textureHandle = texture;
    }
    return added;
}

void JMesh::releaseTexturePixels(JSurfaceList& surfaces)
{
    for (int i = 0; i < surfaces.capacity(); ++i)
        if (surfaces.entry(i).texture)
            surfaces.entry(i).texture->destroy();
}
