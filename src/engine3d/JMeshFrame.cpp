// The per-frame operations of JMesh: colours back to ambient, bounds, transform, normals, texture
// coordinates, lighting, clipping, projection and the hand-over to the render context.

#include "engine3d/JCamera.h"
#include "engine3d/JFrustum.h"
#include "engine3d/JLight.h"
#include "engine3d/JMesh.h"
#include "engine3d/JSurface.h"
#include "render/Random.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr int kMaxLights = 24;
constexpr double kDepthScale = 0.02;   // JScreenVertex depth = camera z x this
constexpr double kPlanarOffset = 16.5; // keeps planar texture coordinates positive
constexpr int kTextureWrap = 256;
// Render context modes: texture mode, shade mode, texture blend.
constexpr int kUntextured = 1, kTextured = 2, kGouraud = 1, kTextureTimesColour = 2;

bool hasNaN(const JVector& p)
{
    return std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z);
}

// b + amount, 255 when the sum exceeds 255. The amount is clamped before it becomes an integer, so a huge
// intensity cannot overflow the conversion (and 0 x infinity, a NaN, adds nothing).
void addSaturated(uint8_t& b, float amount)
{
    const int a = amount >= 255.0f ? 255 : amount > 0.0f ? int(amount) : 0;
    const int sum = b + a;
    b = uint8_t(sum > 255 ? 255 : sum);
}

// a + (b - a) t truncated, kept to 0..255 even for a non-finite t.
uint8_t lerpByte(uint8_t a, uint8_t b, double t)
{
    const double v = a + (double(b) - a) * t;
    if (!(v >= 0.0))
        return 0;
    return v >= 255.0 ? 255 : uint8_t(v);
}

// Whole texels, truncated toward zero; 0 for a coordinate that is not finite (a zero texture size).
float wholeTexel(double value)
{
    return std::isfinite(value) ? float(std::trunc(value)) : 0.0f;
}

// (value x colour) >> 8 for a colour byte and a surface colour already clamped to 0..255.
uint8_t modulate(uint8_t value, int32_t colour)
{
    return uint8_t((value * colour) >> 8);
}

void lightColour(JColourPair& colour, const JVector& normal, const JVector& towardLight, const JSurface& surface,
                 const JLight& light)
{
    const double k = dot(normal, towardLight);
    const float intensity = light.intensity;
    const float diffuseTerm = float(float(k * surface.diffuse) * intensity);
    if (diffuseTerm > 0.0f) {
        addSaturated(colour.diffuseRed, light.lightRed * diffuseTerm);
        addSaturated(colour.diffuseGreen, light.lightGreen * diffuseTerm);
        addSaturated(colour.diffuseBlue, light.lightBlue * diffuseTerm);
    }
    // Without specular the term is 0 (or a NaN from an infinite power), which adds nothing: skip the power.
    if (surface.specular == 0.0f)
        return;
    // The power of a negative k can be positive for whole exponents: a highlight facing away from the light.
    const double facing = k > 0.0 ? k : 0.0;
    const float specularTerm = float(intensity * (std::pow(facing, double(surface.glossiness)) * surface.specular));
    if (specularTerm > 0.0f) {
        addSaturated(colour.specularRed, light.lightRed * specularTerm);
        addSaturated(colour.specularGreen, light.lightGreen * specularTerm);
        addSaturated(colour.specularBlue, light.lightBlue * specularTerm);
    }
}

} // namespace

void JMesh::prepareFrame(float ambient, const JFrustum& frustum)
{
    if (skeleton) {
        skeleton->deform(*this);
        if (bounds)
            bounds->measure(*this);
    }
    listMode = ListActive;
    resetActiveLists();
    resetLighting(ambient);
    updateBounds(frustum);
    if (visible)
        transformVertices();
}

int JMesh::drawFrame(RenderContext& context, const JLight* const* lights, int lightCount, const JFrustum& frustum,
                     const JCamera& camera, double offsetX, double offsetY)
{
    if (!visible)
        return 0;
    computeNormals();
    computeTextureCoordinates();
    for (int i = 0; i < lightCount && i < kMaxLights; ++i)
        if (lights[i])
            lights[i]->illuminate(*this);
    frustum.clipMesh(*this);
    project(float(camera.zoom));
    return draw(context, camera.width, camera.height, offsetX, offsetY);
}

void JMesh::resetLighting(float ambient)
{
    // The low 8 bits of the truncated level; a level beyond any integer gives 0.
    const uint8_t b = std::fabs(ambient) < 1e18f ? uint8_t(int64_t(ambient) & 0xff) : 0;
    JColourPair colour;
    colour.diffuseRed = colour.diffuseGreen = colour.diffuseBlue = b;
    for (int i = 0, n = listedVertices(); i < n; ++i) {
        vertices[i].clipFlags = 0;
        vertices[i].colour = colour;
    }
    for (int i = 0, n = listedPolygons(); i < n; ++i) {
        polygons[i].flags = 0;
        polygons[i].colour = colour;
    }
}

void JMesh::updateBounds(const JFrustum& frustum)
{
    visible = 1;
    if (!bounds)
        return;
    bounds->transform(world);
    bounds->classify(frustum, planeState, visible);
}

void JMesh::transformVertices()
{
    for (int i = 0, n = listedVertices(); i < n; ++i)
        vertices[i].cameraPosition = world.transform(vertices[i].position);
}

// The face normal cross(P2 - P0, P1 - P0), normalised; when the first three corners give no direction, the
// Newell normal of all corners in the same orientation. Returns false (normal 0) for a polygon with no
// direction at all, which then stays out of the vertex averages. Two corners or fewer get (0, 0, 1).
bool JMesh::faceNormal(JPolygon& polygon) const
{
    const int n = polygon.count;
    if (n <= 2) {
        polygon.normal = {0, 0, 1};
        return true;
    }
    for (int k = 0; k < n; ++k)
        if (!polygon.vertices[k]) {
            polygon.normal = {0, 0, 0};
            return false;
        }
    const JVector& p0 = polygon.vertices[0]->position;
    JVector normal = cross(polygon.vertices[2]->position - p0, polygon.vertices[1]->position - p0);
    if (length(normal) > 0.0) {
        normal.normalize();
        if (finite(normal)) {
            polygon.normal = normal;
            return true;
        }
    }
    JVector newell{0, 0, 0};
    for (int k = 0; k < n; ++k) {
        const JVector& a = polygon.vertices[k]->position;
        const JVector& b = polygon.vertices[(k + 1) % n]->position;
        newell.x += (a.y - b.y) * (a.z + b.z);
        newell.y += (a.z - b.z) * (a.x + b.x);
        newell.z += (a.x - b.x) * (a.y + b.y);
    }
    newell = -newell; // Newell's normal points along cross(P1 - P0, P2 - P0)
    if (length(newell) > 0.0) {
        newell.normalize();
        if (finite(newell)) {
            polygon.normal = newell;
            return true;
        }
    }
    polygon.normal = {0, 0, 0};
    return false;
}

// The representative (first in position order) of the base vertices at exactly `p`, or -1.
int JMesh::positionGroup(const JVector& p) const
{
    if (hasNaN(p))
        return -1;
    const int32_t* begin = m_order.get();
    const int32_t* end = begin + m_orderCount;
    const int32_t* it = std::lower_bound(
        begin, end, p, [this](int32_t index, const JVector& q) { return lessPosition(vertices[index].position, q); });
    if (it == end || !equal(vertices[*it].position, p))
        return -1;
    return *it;
}

void JMesh::computeNormals()
{
    if (normalsDone)
        return;
    // Vertices are matched by exact position (so the copies of surface separation share normals). Sorting
    // them by position finds every match in log time; each group sums its corners in polygon order, which is
    // the order a per-vertex sum would use, so the result is the same to the last bit.
    m_orderCount = 0;
    for (int i = 0; i < vertexCount; ++i) {
        JVertex& v = vertices[i];
        v.shareCount = v.smoothCount = 0;
        v.normal = {0, 0, 0};
        m_shareTotal[i] = m_smoothTotal[i] = 0;
        if (!hasNaN(v.position))
            m_order[m_orderCount++] = i;
    }
    std::sort(m_order.get(), m_order.get() + m_orderCount,
              [this](int32_t a, int32_t b) { return lessPosition(vertices[a].position, vertices[b].position); });
    for (int i = 0; i < polygonCount; ++i) {
        JPolygon& polygon = polygons[i];
        if (!faceNormal(polygon))
            continue;
        const bool smooth = polygon.surface && polygon.surface->smooth;
        for (int k = 0; k < polygon.count; ++k) {
            if (!polygon.vertices[k])
                continue;
            const int group = positionGroup(polygon.vertices[k]->position);
            if (group < 0)
                continue;
            vertices[group].normal = vertices[group].normal + polygon.normal;
            ++m_shareTotal[group];
            if (smooth)
                ++m_smoothTotal[group];
        }
    }
    for (int start = 0; start < m_orderCount;) {
        const int group = m_order[start];
        const JVector sum = vertices[group].normal;
        const int32_t share = m_shareTotal[group];
        const int32_t smooth = m_smoothTotal[group];
        int end = start;
        while (end < m_orderCount && equal(vertices[m_order[end]].position, vertices[group].position)) {
            JVertex& v = vertices[m_order[end]];
            v.normal = share > 0 ? sum * (1.0 / share) : JVector{0, 0, 0};
            v.shareCount = uint8_t(std::min(share, 255));
            v.smoothCount = uint8_t(std::min(smooth, 255));
            ++end;
        }
        start = end;
    }
    normalsDone = 1;
}

void JMesh::computeTextureCoordinates()
{
    if (!loaded || uvDone)
        return;
    for (int i = 0; i < vertexCount; ++i)
        vertices[i].uvDone = 0;
    Random& random = Random::shared();
    for (int i = 0; i < polygonCount; ++i) {
        const JPolygon& polygon = polygons[i];
        if (!polygon.surface || !polygon.surface->textureHandle)
            continue;
        for (int k = 0; k < polygon.count; ++k) {
            JVertex* v = polygon.vertices[k];
            if (!v || v->uvDone)
                continue;
            // Two draws for every such corner, even where the planar map overwrites them: the shared
            // sequence (and every effect drawing from it later) depends on this order.
            v->u = float(random.next() % kTextureWrap);
            v->v = float(random.next() % kTextureWrap);
            if (!v->surface)
                continue; // left undone: the next corner at this vertex draws again
            const JSurface& s = *v->surface;
            JVector p = v->restPosition;
            if (s.referenceItem)
                p = s.referenceItem->referenceMatrix.transform(p);
            p = p - s.textureCentre;
            if (s.mapping == JSurface::MappingPlanar) {
                p.x = p.x / s.textureSize.x + kPlanarOffset;
                p.y = p.y / s.textureSize.y + kPlanarOffset;
                p.z = p.z / s.textureSize.z + kPlanarOffset;
                const double w = s.textureWidth, h = s.textureHeight;
                switch (s.axis) {
                case JSurface::AxisX:
                    v->u = wholeTexel(w * p.z);
                    v->v = wholeTexel(h * p.y);
                    break;
                case JSurface::AxisY:
                    v->u = wholeTexel(w * p.x);
                    v->v = wholeTexel(h * p.z);
                    break;
                case JSurface::AxisZ:
                    v->u = wholeTexel(w * p.x);
                    v->v = wholeTexel(h * p.y);
                    break;
                default: break;
                }
            }
            v->uvDone = 1;
        }
    }
    uvDone = 1;
}

void JMesh::illuminateFromDirection(const JVector& towardLight, const JLight& light)
{
    if (light.intensity < JLight::kMinimumIntensity)
        return;
    for (int i = 0, n = listedVertices(); i < n; ++i) {
        JVertex& v = vertices[i];
        if (v.clipFlags == 0 && v.smoothCount != 0 && v.surface)
            lightColour(v.colour, v.normal, towardLight, *v.surface, light);
    }
    for (int i = 0, n = listedPolygons(); i < n; ++i) {
        JPolygon& p = polygons[i];
        if (p.flags == 0 && p.surface && !p.surface->smooth)
            lightColour(p.colour, p.normal, towardLight, *p.surface, light);
    }
}

void JMesh::illuminateFromPoint(const JVector& lightPosition, const JLight& light)
{
    if (light.intensity < JLight::kMinimumIntensity)
        return;
    for (int i = 0, n = listedVertices(); i < n; ++i) {
        JVertex& v = vertices[i];
        if (v.clipFlags != 0 || v.smoothCount == 0 || !v.surface)
            continue;
        JVector toward = lightPosition - v.position;
        toward.normalize();
        lightColour(v.colour, v.normal, toward, *v.surface, light);
    }
    for (int i = 0, n = listedPolygons(); i < n; ++i) {
        JPolygon& p = polygons[i];
        if (p.flags != 0 || !p.surface || p.surface->smooth || p.count < 1 || !p.vertices[0])
            continue;
        JVector toward = lightPosition - p.vertices[0]->position;
        toward.normalize();
        lightColour(p.colour, p.normal, toward, *p.surface, light);
    }
}

bool JMesh::cornersListed() const
{
    const JVertex* first = vertices.get();
    const JVertex* end = first + listedVertices();
    const std::less<const JVertex*> before;
    for (int i = 0, n = listedPolygons(); i < n; ++i) {
        const JPolygon& polygon = polygons[i];
        for (int k = 0; k < polygon.count; ++k) {
            const JVertex* v = polygon.vertices[k];
            if (!v || before(v, first) || !before(v, end))
                return false;
        }
    }
    return true;
}

void JMesh::clipAgainst(const JPlane& plane, int32_t bit, bool cornersListed)
{
    // With every corner a listed vertex and none of them outside, clipPolygon would find every corner
    // inside and change nothing.
    if (cornersListed) {
        const JVertex* first = vertices.get();
        const bool anyOutside = std::any_of(first, first + listedVertices(), [&](const JVertex& v) {
            return !(plane.distance(v.cameraPosition) >= 0.0);
        });
        if (!anyOutside)
            return;
    }
    // Polygons this plane appends are inside it by construction and are not clipped again by it.
    for (int i = 0, n = listedPolygons(); i < n; ++i)
        if (polygons[i].flags == 0)
            clipPolygon(i, plane, bit);
}

void JMesh::clipPolygon(int index, const JPlane& plane, int32_t bit)
{
    JPolygon& source = polygons[index];
    const int n = source.count;
    for (int j = 0; j < n; ++j)
        if (!source.vertices[j])
            return;
    int outside = 0;
    for (int j = 0; j < n; ++j)
        if (!(plane.distance(source.vertices[j]->cameraPosition) >= 0.0)) {
            ++outside;
            source.vertices[j]->clipFlags |= bit;
        }
    if (outside == 0)
        return;
    source.flags |= bit;
    if (outside == n)
        return;

    // Walk the edges; only a polygon crossed exactly twice (convex) is replaced.
    int crossings = 0;
    int edge[2] = {0, 0};
    JVertex* crossing[2] = {nullptr, nullptr};
    bool allocated = true;
    for (int j = 0; j < n; ++j) {
        const JVertex& a = *source.vertices[j];
        const JVertex& b = *source.vertices[(j + 1) % n];
        const double sa = plane.distance(a.cameraPosition);
        const double sb = plane.distance(b.cameraPosition);
        if ((sa >= 0.0) == (sb >= 0.0))
            continue;
        if (crossings < 2) {
            JVertex* v = nullptr;
            if (addActiveVertex(v)) {
                const double t = -sa / (sb - sa);
                v->u = float(a.u + (b.u - a.u) * t);
                v->v = float(a.v + (b.v - a.v) * t);
                v->cameraPosition = a.cameraPosition + (b.cameraPosition - a.cameraPosition) * t;
                v->position = a.position + (b.position - a.position) * t;
                const JColourPair& ca = a.colour;
                const JColourPair& cb = b.colour;
                v->colour.diffuseRed = lerpByte(ca.diffuseRed, cb.diffuseRed, t);
                v->colour.diffuseGreen = lerpByte(ca.diffuseGreen, cb.diffuseGreen, t);
                v->colour.diffuseBlue = lerpByte(ca.diffuseBlue, cb.diffuseBlue, t);
                v->colour.specularRed = lerpByte(ca.specularRed, cb.specularRed, t);
                v->colour.specularGreen = lerpByte(ca.specularGreen, cb.specularGreen, t);
                v->colour.specularBlue = lerpByte(ca.specularBlue, cb.specularBlue, t);
                v->clipFlags = 0;
                v->surface = a.surface;
            } else {
                allocated = false;
            }
            edge[crossings] = j;
            crossing[crossings] = v;
        }
        ++crossings;
    }
    if (crossings != 2 || !allocated)
        return;

    const bool firstOutside = (source.vertices[0]->clipFlags & bit) != 0;
    if (n == 2) {
        source.flags = JPolygon::kLineReplaced;
        JPolygon* line = nullptr;
        if (!addActivePolygon(2, line))
            return;
        line->vertices[0] = source.vertices[firstOutside ? 1 : 0];
        line->vertices[1] = crossing[0];
        line->surface = source.surface;
        line->normal = source.normal;
        line->colour = source.colour;
        return;
    }
    const int e0 = edge[0], e1 = edge[1];
    const int corners = firstOutside ? (e1 - e0) + 2 : (e0 + 1) + 2 + (n - 1 - e1);
    JPolygon* clipped = nullptr;
    if (!addActivePolygon(corners, clipped))
        return;
    clipped->surface = source.surface;
    clipped->normal = source.normal;
    clipped->colour = source.colour;
    JVertex** out = clipped->vertices;
    if (firstOutside) {
        *out++ = crossing[0];
        for (int j = e0 + 1; j <= e1; ++j)
            *out++ = source.vertices[j];
        *out++ = crossing[1];
    } else {
        for (int j = 0; j <= e0; ++j)
            *out++ = source.vertices[j];
        *out++ = crossing[0];
        *out++ = crossing[1];
        for (int j = e1 + 1; j < n; ++j)
            *out++ = source.vertices[j];
    }
}

void JMesh::project(float zoom)
{
    for (int i = 0, n = listedVertices(); i < n; ++i)
        if (vertices[i].clipFlags == 0)
            vertices[i].project(zoom);
}

void JMesh::selectSurface(RenderContext& context, const JSurface* surface)
{
    context.setTexture(surface->textureHandle);
    if (!surface->textureHandle) {
        context.setTextureMode(kUntextured);
        context.setShadeMode(kGouraud);
    } else {
        context.setTextureMode(kTextured);
        context.setShadeMode(kGouraud);
        context.setTextureBlend(kTextureTimesColour);
    }
}

void JMesh::fillScreenPositions(const JPolygon& polygon, double centreX, double centreY)
{
    for (int j = 0; j < polygon.count; ++j) {
        const JVertex& v = *polygon.vertices[j];
        m_screen[j].x = float(centreX + v.screenX);
        m_screen[j].y = float(centreY + v.screenY);
    }
}

void JMesh::fillScreenAttributes(const JPolygon& polygon)
{
    const JSurface& s = *polygon.surface;
    const bool smooth = s.smooth != 0;
    const bool textured = s.textureHandle != nullptr;
    const int32_t surfaceRed = std::clamp(s.red, 0, 255);
    const int32_t surfaceGreen = std::clamp(s.green, 0, 255);
    const int32_t surfaceBlue = std::clamp(s.blue, 0, 255);
    const JColourPair& flat = polygon.colour;
    for (int j = 0; j < polygon.count; ++j) {
        const JVertex& v = *polygon.vertices[j];
        JScreenVertex& out = m_screen[j];
        out.depth = float(v.cameraPosition.z * kDepthScale);
        const JColourPair& c = smooth ? v.colour : flat;
        int red = modulate(c.diffuseRed, surfaceRed);
        int green = modulate(c.diffuseGreen, surfaceGreen);
        int blue = modulate(c.diffuseBlue, surfaceBlue);
        out.specular = uint8_t((c.specularRed + c.specularGreen + c.specularBlue) / 3);
        if (!textured) {
            red = std::min(255, red + v.colour.specularRed);
            green = std::min(255, green + v.colour.specularGreen);
            blue = std::min(255, blue + v.colour.specularBlue);
        }
        if (v.clipFlags != 0) { // clipping guarantees this never happens; make it visible if it does
            red = 0;
            green = 255;
            blue = 0;
        }
        out.red = uint8_t(red);
        out.green = uint8_t(green);
        out.blue = uint8_t(blue);
        out.u = v.u;
        out.v = v.v;
    }
}

// The screen winding of the first three corners must be positive. A polygon made by clipping can start with
// two coincident corners (a corner exactly on the plane and its crossing), so a zero there falls back to the
// whole polygon's signed area.
bool JMesh::facesViewer(const JPolygon& polygon, bool fromClipping) const
{
    const JScreenVertex& a = m_screen[0];
    auto winding = [&](int i) {
        const JScreenVertex& b = m_screen[i];
        const JScreenVertex& c = m_screen[i + 1];
        return (c.y - a.y) * (b.x - a.x) - (c.x - a.x) * (b.y - a.y);
    };
    float w = winding(1);
    if (w == 0.0f && fromClipping)
        for (int i = 2; i + 1 < polygon.count; ++i)
            w += winding(i);
    return w > 0.0f;
}

int JMesh::draw(RenderContext& context, int cameraWidth, int cameraHeight, double offsetX, double offsetY)
{
    const double centreX = (cameraWidth / 2) + offsetX;
    const double centreY = (cameraHeight / 2) + offsetY;
    const JSurface* previous = nullptr;
    bool first = true;
    int drawn = 0;
    for (int j = 0; j < kMaxCorners; ++j)
        m_screenPointers[j] = &m_screen[j];
    for (int i = 0, n = listedPolygons(); i < n; ++i) {
        const JPolygon& polygon = polygons[i];
        if (polygon.flags != 0 || !polygon.surface || polygon.count < 3 || polygon.count > kMaxCorners)
            continue;
        if (std::any_of(polygon.vertices, polygon.vertices + polygon.count, [](const JVertex* v) { return !v; }))
            continue;
        if (first || polygon.surface != previous) {
            selectSurface(context, polygon.surface);
            previous = polygon.surface;
            first = false;
        }
        fillScreenPositions(polygon, centreX, centreY);
        if (!polygon.surface->doubleSided && !facesViewer(polygon, i >= polygonCount))
            continue;
        fillScreenAttributes(polygon);
        context.drawPolygon(m_screenPointers, polygon.count);
        ++drawn;
    }
    return drawn;
}
