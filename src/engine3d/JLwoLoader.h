#pragma once
// Fills a JMesh from an object file of the LWOB kind (IFF, big-endian): points, polygons, surface names and
// surface descriptions with their colour textures. Progress goes to the Console, one piece per write.

#include <cstddef>
#include <cstdint>

class ByteReader;
class Console;
class JMesh;
class JSurface;
class JSurfaceList;

class JLwoLoader {
public:
    static constexpr int kSurfaceTableSize = 256;
    static constexpr int kMaxCorners = 64; // a polygon with more ends the reading of its polygon chunk

    // Opens `fileName` through the archive (or as a plain file) and loads it into `mesh`. 1 on success, with
    // mesh.loadResult = 1; 0 when the surface list is missing, the file cannot be opened or is not an LWOB.
    int load(JMesh& mesh, const char* fileName, JSurfaceList* surfaces, Console& console);
    // The same from the file's bytes in memory.
    int loadBytes(JMesh& mesh, const uint8_t* data, size_t size, JSurfaceList* surfaces, Console& console);
    // Why the last load failed, or null after a success.
    const char* failure() const { return m_failure; }

private:
    // One polygon record of a polygon chunk; its detail polygons have been stepped over.
    struct PolygonRecord {
        int corners;
        const uint8_t* indices; // `corners` big-endian 16-bit indices
        int surface;            // 1-based; negative for a polygon with details
    };

    int fail(const char* reason);
    void readChunks(JMesh& mesh, const uint8_t* data, size_t size);
    void readPoints(JMesh& mesh, ByteReader chunk);
    void readSurfaceNames(ByteReader chunk);
    void readPolygons(JMesh& mesh, ByteReader chunk);
    void readSurface(ByteReader chunk);
    void applySurfaceField(JSurface& surface, uint32_t tag, ByteReader field, bool& colourTexture);
    void loadTexture(JSurface& surface, const char* name);
    static bool nextPolygon(ByteReader& chunk, PolygonRecord& out);
    JSurface* tableEntry(int surfaceNumber) const;

    JSurfaceList* m_surfaces = nullptr;
    Console* m_console = nullptr;
    JSurface* m_table[kSurfaceTableSize] = {};
    bool m_namesSeen = false;
    bool m_pointsRead = false;
    bool m_polygonsRead = false;
    bool m_boxShown = false;
    const char* m_failure = nullptr;
};
