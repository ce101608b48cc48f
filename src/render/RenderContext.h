#pragma once
// The span-buffer renderer of the 3D scenes: polygons become one span per row, merged by depth (1/z) into
// row lists that tile each row; endFrame draws the surviving spans into the display's back buffer, each
// visible pixel once. It refers to the display and never owns it. Frame-loop thread only.

#include "data/Bitmap.h"
#include "render/ScreenVertex.h"
#include "render/Span.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class Display;
struct ScanCorner;

class RenderContext {
public:
    static constexpr int kSpansPerRow = 50; // pool size = height x kSpansPerRow
    static constexpr int kMaxTextures = 128;
    static constexpr int kTextureSize = 256;

    static constexpr int kMaxSize = 16384; // width and height are limited to this

    // Allocates the span pool; `display` may be null (nothing is ever drawn then).
    RenderContext(Display* display, int width, int height);
    ~RenderContext();
    RenderContext(const RenderContext&) = delete;
    RenderContext& operator=(const RenderContext&) = delete;

    // Takes the display's back buffer as target if none is held (kept across frames) and resets every
    // row to sentinel + background span. Returns 1.
    int beginFrame();
    // Draws every span of every row into the target. Returns 1.
    int endFrame();
    // The target held, or null.
    Bitmap* target() const { return m_target; }
    // A nonzero flag makes the background span fill with the background colour from now on. Returns 1.
    int setClearBackground(int flag);
    // Gives the back buffer back (keeping the target) and shows the frame. Returns 1.
    int present();

    // Scan-converts a convex polygon of `count` corners into spans (x, y: frame pixels; depth: z > 0; the
    // colour bytes; u, v: texels), clipped to the frame. 0 if count < 3, else 1. A corner with a
    // non-finite x or y or a depth that is not > 0 makes the polygon draw nothing, and so does a call
    // before the first beginFrame. The corners are read, never changed.
    int drawPolygon(const JScreenVertex* const* vertices, int count);

    // Deletes every registered texture. Returns 1.
    int freeTextures();
    // Registers a copy of `picture` converted to 32 bits and resized to 256 x 256. A picture equal in hash,
    // width and height to one already registered gives that texture again. Null for a picture without
    // pixels or when all kMaxTextures are taken.
    const Bitmap* addTexture(const Bitmap& picture);
    int textureCount() const { return m_textureCount; }

    // 1 untextured, 2 textured. Returns 1.
    int setTextureMode(int mode);
    // 1 Gouraud (the only value that draws). Returns 1.
    int setShadeMode(int mode);
    // 1 texture only, 2 texture x colour. Returns 1.
    int setTextureBlend(int blend);
    // The texture of the following polygons (one returned by addTexture), or null. Returns 1.
    int setTexture(const Bitmap* texture);
    // Background colour for the next beginFrame (low 8 bits of each). Returns 1.
    int setBackground(int red, int green, int blue);

    // The span kind and attribute set derived from the three modes.
    int32_t spanKind() const { return m_kind; }
    int32_t spanAttributes() const { return m_attributes; }

    // Span statistics of the frame being drawn.
    int spanCapacity() const { return m_capacity; }
    int spansInUse() const { return m_inUse; }
    // Pieces of polygons dropped since beginFrame because the pool was exhausted.
    int droppedPieces() const { return m_dropped; }
    // The sentinel of row y (its `next` is the first real span); valid after beginFrame.
    const Span* rowHead(int y) const { return m_rowHeads[y]; }

    int width() const { return m_width; }
    int height() const { return m_height; }
    Display* display() const { return m_display; }

private:
    Display* m_display;
    Bitmap* m_target = nullptr;
    int m_width;
    int m_height;
    int m_backRed = 255, m_backGreen = 255, m_backBlue = 255;
    bool m_clearBackground = false;

    std::unique_ptr<Span[]> m_pool;
    std::unique_ptr<Span*[]> m_rowHeads;
    // Per row, for every 32nd column, the span holding it: where a search for a column starts.
    static constexpr int kIndexShift = 5;
    std::unique_ptr<Span*[]> m_columnIndex;
    int m_indexPerRow = 0;
    Span* m_free = nullptr; // spans returned since beginFrame
    int m_capacity = 0;
    int m_handedOut = 0; // taken from the pool array since beginFrame
    int m_inUse = 0;
    int m_dropped = 0;
    bool m_rowsReady = false; // set by the first beginFrame

    std::array<Bitmap, kMaxTextures> m_textures;
    struct TextureSource {
        uint32_t hash;
        int32_t width, height;
    };
    std::array<TextureSource, kMaxTextures> m_sources{};
    int m_textureCount = 0;
    const Bitmap* m_texture = nullptr;

    // The corners of the polygon being scanned, prepared once each; room for kCornerRoom from the start.
    static constexpr int kCornerRoom = 64;
    std::vector<ScanCorner> m_corners;

    int m_textureMode = 0;
    int m_shadeMode = 0;
    int m_textureBlend = 0;
    int32_t m_kind = SpanSkip;
    int32_t m_attributes = SpanAttrBase;

    void deriveKind();
    Span* takeSpan();
    void releaseSpan(Span* span);
    // Merges a polygon's span of row y into the row: every maximal run of columns where it is nearer
    // than what the row holds becomes one piece.
    void insertSpan(int32_t y, const Span& n);
    // Places columns s .. t of n over whatever row y holds there (`left` is the span holding column s), or
    // drops the piece (and counts it) when the pool has fewer than two spans left.
    void placePiece(int32_t y, const Span& n, int32_t s, int32_t t, Span* left);
    // The span of row y that holds column x, found from the column index.
    Span* spanAt(int32_t y, int32_t x) const;
    // Points the index entries of columns from .. to of row y at `span`.
    void indexColumns(int32_t y, int32_t from, int32_t to, Span* span);
};
