#include "engine3d/JLwoLoader.h"

#include "data/ByteReader.h"
#include "data/PackFile.h"
#include "engine3d/JMesh.h"
#include "engine3d/JSurfaceList.h"
#include "platform/Platform.h"
#include "runner/Console.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr uint32_t tag(const char (&t)[5])
{
    return uint32_t(uint8_t(t[0])) << 24 | uint32_t(uint8_t(t[1])) << 16 | uint32_t(uint8_t(t[2])) << 8 |
           uint32_t(uint8_t(t[3]));
}

constexpr uint32_t kForm = tag("FORM"), kLwob = tag("LWOB");
constexpr uint32_t kPoints = tag("PNTS"), kPolygons = tag("POLS"), kSurfaceNames = tag("SRFS"), kSurface = tag("SURF");
constexpr uint32_t kFlags = tag("FLAG"), kColour = tag("COLR"), kColourTexture = tag("CTEX");
constexpr uint32_t kTextureImage = tag("TIMG"), kTextureSize = tag("TSIZ"), kTextureCentre = tag("TCTR");
constexpr uint32_t kTextureFlags = tag("TFLG"), kTextureReference = tag("TREF");
constexpr uint32_t kDiffuse = tag("DIFF"), kSpecular = tag("SPEC"), kGlossiness = tag("GLOS");
// Any tag ending in "TEX" starts the description of one texture (colour, diffuse, bump, ...).
constexpr uint32_t kTextureSuffixMask = 0x00ffffffu, kTextureSuffix = tag("_TEX") & kTextureSuffixMask;

constexpr uint16_t kFlagSmooth = 0x4, kFlagDoubleSided = 0x100;
constexpr uint16_t kTextureAxisX = 0x1, kTextureAxisY = 0x2, kTextureAxisZ = 0x4;
constexpr size_t kHeaderSize = 12, kChunkHeaderSize = 8, kFieldHeaderSize = 6, kPointSize = 12;
constexpr int64_t kSpare = JMesh::kSpareEntries;
constexpr double kReflectionScale = 1.0 / 256.0;

// Capacity 4 x count + spare, kept inside int32.
int32_t capacityFor(int64_t count)
{
    return int32_t(std::min<int64_t>(4 * count + kSpare, INT32_MAX));
}

// A NUL-terminated name bounded by the reader, then its pad byte when name and NUL have an odd length.
// `out` holds at most 255 characters; the reader moves past the whole stored name.
void readName(ByteReader& r, char (&out)[256])
{
    const size_t left = r.remaining();
    const uint8_t* start = r.current();
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(start, 0, left));
    const size_t length = nul ? size_t(nul - start) : left;
    const size_t kept = std::min<size_t>(length, sizeof out - 1);
    std::memcpy(out, start, kept);
    out[kept] = '\0';
    r.skip(nul ? length + 1 : length);
    if (nul && (length + 1) % 2 != 0 && r.remaining() > 0)
        r.skip(1);
}

bool readVector(ByteReader& r, JVector& out)
{
    float x, y, z;
    if (!r.f32be(x) || !r.f32be(y) || !r.f32be(z))
        return false;
    out = {x, y, z};
    return true;
}

} // namespace

int JLwoLoader::fail(const char* reason)
{
    m_failure = reason;
    return 0;
}

int JLwoLoader::load(JMesh& mesh, const char* fileName, JSurfaceList* surfaces, Console& console)
{
    mesh.destroy();
    mesh.loadResult = 0;
    if (!surfaces)
        return fail("no surface list");
    PackFile file;
    if (!fileName || !file.open(fileName))
        return fail("cannot open the file");
    std::vector<uint8_t> bytes(size_t(std::max<int32_t>(file.length(), 0)));
    const int32_t got = bytes.empty() ? 0 : file.read(bytes.data(), int32_t(bytes.size()));
    bytes.resize(size_t(std::max<int32_t>(got, 0)));
    file.close();
    return loadBytes(mesh, bytes.data(), bytes.size(), surfaces, console);
}

int JLwoLoader::loadBytes(JMesh& mesh, const uint8_t* data, size_t size, JSurfaceList* surfaces, Console& console)
{
    mesh.destroy();
    mesh.loadResult = 0;
    mesh.loaded = mesh.normalsDone = mesh.uvDone = 0;
    m_surfaces = surfaces;
    m_console = &console;
    std::fill(std::begin(m_table), std::end(m_table), nullptr);
    m_namesSeen = m_pointsRead = m_polygonsRead = m_boxShown = false;
    m_failure = nullptr;
    if (!surfaces)
        return fail("no surface list");

    ByteReader header(data, size);
    uint32_t form = 0, length = 0, kind = 0;
    if (!header.u32be(form) || !header.u32be(length) || !header.u32be(kind) || form != kForm || kind != kLwob) {
        console.write("Not an LWOB object\n");
        return fail("not an LWOB object");
    }
    readChunks(mesh, data, size);
    mesh.loaded = 1;
    mesh.finishLoad();
    mesh.loadResult = 1;
    return 1;
}

// Chunk positions are 64-bit and every step moves past a whole chunk header, so a size near 2^32 can neither
// wrap the position back nor stall the walk; a size beyond the file is cut to the bytes left.
void JLwoLoader::readChunks(JMesh& mesh, const uint8_t* data, size_t size)
{
    uint64_t position = kHeaderSize;
    while (size - position >= kChunkHeaderSize) {
        ByteReader header(data + position, kChunkHeaderSize);
        uint32_t id = 0, declared = 0;
        header.u32be(id);
        header.u32be(declared);
        const uint64_t body = position + kChunkHeaderSize;
        const uint64_t length = std::min<uint64_t>(declared, size - body);
        const ByteReader chunk(data + body, size_t(length));
        if (id == kPoints && !m_pointsRead)
            readPoints(mesh, chunk);
        else if (id == kPolygons && !m_polygonsRead)
            readPolygons(mesh, chunk);
        else if (id == kSurface)
            readSurface(chunk);
        else if (id == kSurfaceNames)
            readSurfaceNames(chunk);
        position = body + length;
    }
}

void JLwoLoader::readPoints(JMesh& mesh, ByteReader chunk)
{
    m_pointsRead = true;
    const int64_t count = int64_t(chunk.remaining() / kPointSize);
    mesh.allocateVertices(capacityFor(count));
    for (int64_t i = 0; i < count && i < mesh.vertexCapacity; ++i) {
        JVector p{0, 0, 0};
        readVector(chunk, p);
        JVertex& v = mesh.vertices[i];
        v.restPosition = v.position = {p.x, -p.y, p.z}; // the engine's y points down
        v.u = v.v = 0.0f;
        v.surface = nullptr;
    }
    mesh.vertexCount = int32_t(std::min<int64_t>(count, mesh.vertexCapacity));
    mesh.activeVertexCount = mesh.vertexCount;
    mesh.pointCount = mesh.vertexCount;
}

void JLwoLoader::readSurfaceNames(ByteReader chunk)
{
    m_namesSeen = true;
    for (int k = 0; k < kSurfaceTableSize && chunk.remaining() > 0; ++k) {
        char name[JSurface::kNameCapacity];
        readName(chunk, name);
        m_console->write("Surface:");
        m_console->write(name);
        m_console->write("\n");
        m_table[k] = m_surfaces->findOrAdd(name);
    }
}

// Steps over one polygon: corner count, indices, surface number and, for a negative surface number, the
// detail polygons that follow (a count, then that many polygons, which may have details of their own).
// False at the end of the chunk, for a truncated record, or for a polygon of more than kMaxCorners corners.
bool JLwoLoader::nextPolygon(ByteReader& chunk, PolygonRecord& out)
{
    uint16_t corners = 0;
    if (!chunk.u16be(corners) || corners > kMaxCorners || !chunk.has(2 * uint64_t(corners) + 2))
        return false;
    out.corners = corners;
    out.indices = chunk.current();
    chunk.skip(2 * uint64_t(corners));
    int16_t surface = 0;
    chunk.i16be(surface);
    out.surface = surface;
    if (surface >= 0)
        return true;
    uint16_t details = 0;
    if (!chunk.u16be(details))
        return false;
    for (uint64_t left = details; left > 0; --left) {
        uint16_t n = 0;
        int16_t s = 0;
        if (!chunk.u16be(n) || !chunk.skip(2 * uint64_t(n)) || !chunk.i16be(s))
            return false;
        uint16_t nested = 0;
        if (s < 0 && !chunk.u16be(nested))
            return false;
        left += nested;
    }
    return true;
}

JSurface* JLwoLoader::tableEntry(int surfaceNumber) const
{
    const int s = surfaceNumber < 0 ? -surfaceNumber : surfaceNumber;
    return s >= 1 && s <= kSurfaceTableSize ? m_table[s - 1] : nullptr;
}

void JLwoLoader::readPolygons(JMesh& mesh, ByteReader chunk)
{
    m_polygonsRead = true;
    if (!m_namesSeen) {
        JSurface* fallback = m_surfaces->findOrAdd("Default");
        if (fallback)
            fallback->red = fallback->green = fallback->blue = 255;
        m_table[0] = fallback;
    }
    int64_t polygons = 0, corners = 0;
    PolygonRecord record{};
    for (ByteReader counter = chunk; nextPolygon(counter, record);) {
        ++polygons;
        corners += record.corners;
    }
    mesh.allocatePolygons(capacityFor(polygons), capacityFor(corners));

    while (nextPolygon(chunk, record)) {
        ByteReader indices(record.indices, 2 * size_t(record.corners));
        uint16_t index[kMaxCorners];
        bool inside = true;
        for (int k = 0; k < record.corners; ++k) {
            indices.u16be(index[k]);
            inside = inside && index[k] < mesh.vertexCount;
        }
        JPolygon* polygon = nullptr;
        if (!inside || !mesh.addPolygon(record.corners, polygon))
            continue; // a corner beyond the points drops only this polygon
        for (int k = 0; k < record.corners; ++k)
            polygon->vertices[k] = &mesh.vertices[index[k]];
        polygon->surface = tableEntry(record.surface);
        if (!polygon->surface && !m_boxShown) {
            // Shown once per object: a broken file could name a missing surface thousands of times.
            platform().messageBox("asd", "sepe");
            m_boxShown = true;
        }
    }
    mesh.activePolygonCount = mesh.polygonCount;
    mesh.activeReferenceCount = mesh.referenceCount;
    char text[32];
    std::snprintf(text, sizeof text, "Read %4d polys\n", mesh.polygonCount);
    m_console->write(text);
}

void JLwoLoader::readSurface(ByteReader chunk)
{
    char name[JSurface::kNameCapacity];
    readName(chunk, name);
    JSurface* surface = m_surfaces->findOrAdd(name);
    if (!surface)
        return; // the list is full: the description has nowhere to go
    bool colourTexture = false;
    while (chunk.remaining() >= kFieldHeaderSize) {
        uint32_t id = 0;
        uint16_t declared = 0;
        chunk.u32be(id);
        chunk.u16be(declared);
        const size_t length = std::min<size_t>(declared, chunk.remaining());
        applySurfaceField(*surface, id, ByteReader(chunk.current(), length), colourTexture);
        chunk.skip(length);
    }
}

// One sub-chunk of a surface description. Texture fields describe the texture named by the last "...TEX"
// sub-chunk, so they reach the surface only while that is the colour texture; a field too short for its
// value is ignored.
void JLwoLoader::applySurfaceField(JSurface& surface, uint32_t id, ByteReader field, bool& colourTexture)
{
    if ((id & kTextureSuffixMask) == kTextureSuffix && id != kColourTexture)
        colourTexture = false;
    const bool texture = id == kTextureImage || id == kTextureSize || id == kTextureCentre || id == kTextureFlags ||
                         id == kTextureReference;
    if (texture && !colourTexture)
        return;
    char text[JSurface::kNameCapacity];
    uint16_t value = 0;
    JVector vector{0, 0, 0};
    switch (id) {
    case kFlags:
        if (field.u16be(value)) {
            if (value & kFlagDoubleSided)
                surface.doubleSided = 1;
            if (value & kFlagSmooth)
                surface.smooth = 1;
        }
        break;
    case kColour:
        if (field.has(3)) {
            uint8_t r, g, b;
            field.u8(r);
            field.u8(g);
            field.u8(b);
            surface.red = r;
            surface.green = g;
            surface.blue = b;
        }
        break;
    case kColourTexture:
        colourTexture = true;
        readName(field, text);
        if (std::strcmp(text, "Planar Image Map") == 0)
            surface.mapping = JSurface::MappingPlanar;
        else if (std::strcmp(text, "Cylindrical Image Map") == 0)
            surface.mapping = JSurface::MappingCylindrical;
        break;
    case kTextureImage:
        readName(field, text);
        loadTexture(surface, text);
        break;
    case kTextureSize:
        if (readVector(field, vector))
            surface.textureSize = vector;
        break;
    case kTextureCentre:
        if (readVector(field, vector))
            surface.textureCentre = vector;
        break;
    case kTextureFlags:
        if (field.u16be(value)) {
            if (value & kTextureAxisX)
                surface.axis = JSurface::AxisX;
            if (value & kTextureAxisY)
                surface.axis = JSurface::AxisY;
            if (value & kTextureAxisZ)
                surface.axis = JSurface::AxisZ;
        }
        break;
    case kTextureReference: readName(field, surface.referenceName); break;
    case kDiffuse:
        if (field.u16be(value))
            surface.diffuse = float(value * kReflectionScale);
        break;
    case kSpecular:
        if (field.u16be(value))
            surface.specular = float(value * kReflectionScale);
        break;
    case kGlossiness:
        if (field.u16be(value))
            surface.glossiness = float(value);
        break;
    default: break;
    }
}

void JLwoLoader::loadTexture(JSurface& surface, const char* name)
{
    surface.texture.reset();
    surface.textureWidth = surface.textureHeight = 0;
    auto picture = std::make_unique<Bitmap>();
    if (picture->load(name) && picture->pixels()) {
        surface.textureWidth = picture->width();
        surface.textureHeight = picture->height();
        surface.texture = std::move(picture);
        surface.red = surface.green = surface.blue = 255;
        m_console->write("Loaded texture: \"");
        m_console->write(name);
        m_console->write("'\"\n");
    } else {
        m_console->write("Could not find texture: \"");
        m_console->write(name);
        m_console->write("\"\n");
    }
}
