#pragma once
// One object of the object show: a mesh with its environment map, drawn spinning with the triangle
// rasterizer in far-to-near order.

#include "engine3d/JMesh.h"
#include "engine3d/JSurfaceList.h"
#include "render/Rasterizer.h"

#include <memory>
#include <vector>

class Bitmap;
class RenderContext;

class ShowObject {
public:
    // Loads `fileName` and registers the texture (none here) and the environment map with `context`.
    ShowObject(RenderContext& context, const char* fileName, const Bitmap* texture, const Bitmap& environmentMap);
    ShowObject(const ShowObject&) = delete;
    ShowObject& operator=(const ShowObject&) = delete;
    ~ShowObject();

    // Draws into the 640 x 320 `view` at `position` (camera space) with projection `zoom`, turned by the
    // rotation from degrees of `angles` and scaled by `scale`.
    void draw(Bitmap& view, double zoom, const JVector& position, const JVector& angles, double scale);

    const JMesh& mesh() const { return *m_mesh; }
    // Triangles drawn by the last draw.
    int32_t trianglesDrawn() const { return m_trianglesDrawn; }

private:
    JSurfaceList m_surfaces;
    std::unique_ptr<JMesh> m_mesh;
    const Bitmap* m_texture = nullptr;     // the render context's copy, or null
    const Bitmap* m_environment = nullptr; // the render context's copy; present = environment mapping
    std::vector<RadixRecord> m_order;
    std::vector<RadixRecord> m_sortBuffer;
    TriangleParams m_triangle;
    int32_t m_trianglesDrawn = 0;

    int32_t sortPolygons();
};
