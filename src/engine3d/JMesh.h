#pragma once
// The polygon object of the 3D engine: a scene item owning its vertices, polygons and corner references,
// pointing into a shared surface list. Filled from an object file or by an effect through the capacity
// constructor; the frame operations take it from object space to polygons handed to the render context.

#include "engine3d/JBoundSphere.h"
#include "engine3d/JItem.h"
#include "engine3d/JPolygon.h"
#include "engine3d/JSkeleton.h"
#include "engine3d/JVertex.h"
#include "render/ScreenVertex.h"

#include <cstdint>
#include <memory>

class Console;
class JCamera;
class JFrustum;
class JLight;
class JSurfaceList;
struct JPlane;
class RenderContext;

class JMesh final : public JItem {
public:
    static constexpr int kMaxCorners = 64;    // the most corners handed to the render context
    static constexpr int kSpareEntries = 700; // capacity of a loaded mesh = 4 x count + this
    enum : int32_t { PlaneOutside = 0, PlaneInside = 1, PlaneCrossed = 2 }; // planeState values
    enum : int32_t { ListBase = 0, ListActive = 1 };                        // listMode values

    // Empty: all counts 0, visible, base lists.
    JMesh();
    // Empty, named after at most 255 characters of `fileName`, then loaded from that object file; loadResult
    // is 1 on success.
    JMesh(const char* fileName, JSurfaceList* surfaces, Console& console);
    // Room for `polygonCapacity` polygons, `vertexCapacity` vertices and polygonCapacity x `cornersPerPolygon`
    // references; all counts 0. For meshes an effect fills itself.
    JMesh(int polygonCapacity, int vertexCapacity, int cornersPerPolygon);
    ~JMesh() override;

    // Model:
    // The next polygon with its next `n` references (null, for the caller to fill). 0 when polygonCount >=
    // polygonCapacity - 1 or referenceCount + n >= referenceCapacity (one entry always stays free).
    int addPolygon(int n, JPolygon*& out);
    // The next vertex; 0 when vertexCount >= vertexCapacity - 1.
    int addVertex(JVertex*& out);
    // The same on the active counts (clipping appends behind the base entries).
    int addActivePolygon(int n, JPolygon*& out);
    int addActiveVertex(JVertex*& out);
    // Active counts := base counts.
    void resetActiveLists();
    // Replaces the polygons by one two-corner polygon per distinct edge (end positions compared exactly,
    // in either order), in order of first appearance, at most 2 x the old polygon capacity. Only the
    // corners and the count of each edge are set.
    void convertToEdges();
    // Makes every vertex belong to one surface: a corner whose vertex already belongs to another surface
    // gets a copy of that vertex (when there is room).
    void separateSurfaces();
    // Registers the texture picture of every named surface of `surfaces` with `context`, once per distinct
    // picture (hash of all its pixels, width and height), and stores it as the surface's textureHandle.
    // Returns the number of textures newly registered.
    static int registerTextures(JSurfaceList& surfaces, RenderContext& context);
    // Frees the pixels of every surface's texture picture; its width and height stay in the surface.
    static void releaseTexturePixels(JSurfaceList& surfaces);
    // Destroys the skeleton, the three arrays and the bounding sphere; harmless twice.
    void destroy();

    // Loading:
    // Fresh vertex block of `capacity` entries, count 0 (earlier vertices are dropped).
    void allocateVertices(int capacity);
    // Fresh polygon and reference blocks, counts 0.
    void allocatePolygons(int polygonCapacity, int referenceCapacity);
    // After a file has been read: separate surfaces, active lists in use, measure the bounding sphere,
    // visible with every plane crossed.
    void finishLoad();

    // Frame operations (active counts when listMode is ListActive, else base counts):
    // Scene prepare pass for this mesh after its camera-space pass: deform and re-measure when a skeleton is
    // present, use the active lists, reset them, reset lighting to `ambient` (0..255), update bounds and,
    // when visible, transform the vertices.
    void prepareFrame(float ambient, const JFrustum& frustum);
    // Scene draw pass for this mesh when visible: normals, texture coordinates, `lightCount` lights in order,
    // clipping, projection with the camera's zoom, drawing. Returns the polygons handed over.
    int drawFrame(RenderContext& context, const JLight* const* lights, int lightCount, const JFrustum& frustum,
                  const JCamera& camera, double offsetX, double offsetY);

    // Every vertex: no clip flags, diffuse (b, b, b), specular 0, with b the low 8 bits of trunc(ambient);
    // every polygon: flags 0, same colours.
    void resetLighting(float ambient);
    // visible := 1; the bounding sphere moves by `world` and is classified into planeState and visible.
    void updateBounds(const JFrustum& frustum);
    // cameraPosition = world (position) for every vertex.
    void transformVertices();
    // Face normals and averaged vertex normals, once (normalsDone).
    void computeNormals();
    // Texture coordinates of the corners of textured polygons, once after a load (loaded, uvDone). Draws two
    // numbers from the shared generator for every corner that gets coordinates.
    void computeTextureCoordinates();
    // Adds a light along the unit object-space vector `towardLight` (the same for every point).
    void illuminateFromDirection(const JVector& towardLight, const JLight& light);
    // Adds a light at the object-space point `lightPosition` (no attenuation).
    void illuminateFromPoint(const JVector& lightPosition, const JLight& light);
    // True when every corner of every listed polygon is one of the listed vertices (clipping keeps it so).
    bool cornersListed() const;
    // Clips every drawable polygon that existed when this plane began against `plane` with flag bit `bit`.
    // With `cornersListed` (what cornersListed() tells), a plane no listed vertex is outside of is passed
    // over at once.
    void clipAgainst(const JPlane& plane, int32_t bit, bool cornersListed = false);
    // Projects every vertex with no clip flags.
    void project(float zoom);
    // Hands every drawable polygon of 3..64 corners that passes the winding test to `context`; the screen
    // centre is (cameraWidth / 2 + offsetX, cameraHeight / 2 + offsetY). Returns the polygons handed over.
    int draw(RenderContext& context, int cameraWidth, int cameraHeight, double offsetX, double offsetY);

    // Data:
    std::unique_ptr<JPolygon[]> polygons;
    std::unique_ptr<JVertex[]> vertices;
    int32_t polygonCount = 0, vertexCount = 0; // base lists
    int32_t pointCount = 0; // points read from the object file, before surface separation adds copies
    int32_t polygonCapacity = 0, vertexCapacity = 0; // allocated entries
    std::unique_ptr<JSkeleton> skeleton;             // deforms the mesh each frame, or null
    std::unique_ptr<JVertex*[]> references;          // corner references shared by all polygons
    int32_t referenceCapacity = 0, referenceCount = 0;
    int32_t normalsDone = 0;
    int32_t loaded = 0; // a file has been read completely
    int32_t uvDone = 0;
    std::unique_ptr<JBoundSphere> bounds;
    int32_t visible = 1; // the bounding sphere is not wholly outside the frustum this frame
    int32_t planeState[6] = {PlaneCrossed, PlaneCrossed, PlaneCrossed, PlaneCrossed, PlaneCrossed, PlaneCrossed};
    int32_t activePolygonCount = 0, activeVertexCount = 0, activeReferenceCount = 0;
    int32_t listMode = ListBase;
    int32_t loadResult = 0;

private:
    int listedPolygons() const { return listMode == ListActive ? activePolygonCount : polygonCount; }
    int listedVertices() const { return listMode == ListActive ? activeVertexCount : vertexCount; }
    void allocateNormalScratch(int capacity);
    bool faceNormal(JPolygon& polygon) const;
    int positionGroup(const JVector& p) const;
    void lightVertex(JVertex& vertex, const JVector& towardLight, const JLight& light) const;
    void lightPolygon(JPolygon& polygon, const JVector& towardLight, const JLight& light) const;
    void clipPolygon(int index, const JPlane& plane, int32_t bit);
    // The screen x and y of the polygon's corners (all the winding test reads) ...
    void fillScreenPositions(const JPolygon& polygon, double centreX, double centreY);
    // ... and, for a polygon that is drawn, the rest of each corner's record.
    void fillScreenAttributes(const JPolygon& polygon);
    void selectSurface(RenderContext& context, const JSurface* surface);
    bool facesViewer(const JPolygon& polygon, bool fromClipping) const;

    // Scratch of normal averaging: base vertex indices sorted by position, and per group representative the
    // corner totals (the byte counts of JVertex saturate; the average uses these).
    std::unique_ptr<int32_t[]> m_order;
    std::unique_ptr<int32_t[]> m_shareTotal;
    std::unique_ptr<int32_t[]> m_smoothTotal;
    int32_t m_orderCount = 0;
    // Hand-over records of one polygon and the pointers drawPolygon reads.
    JScreenVertex m_screen[kMaxCorners];
    const JScreenVertex* m_screenPointers[kMaxCorners];
};
