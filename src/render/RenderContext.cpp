#include "render/RenderContext.h"

#include "display/Display.h"
#include "render/Fixed.h"
#include "render/SpanDraw.h"
#include "render/SpanKernels.h"
#include "render/TextureHash.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

// A corner after the half-pixel shift, with w = 1/z and, for textured kinds, u and v divided by z (all in
// float, as the corner record holds them); the attributes are indexed by Attribute below.
struct ScanCorner {
    float y;
    float value[7];
};

namespace {

constexpr int32_t kSentinelColumn = -4;
constexpr float kBackgroundDepth = 1e-12f; // farther than anything drawn

// R(a): a + 0.5 in double, rounded to the nearest integer, halves to even. Below 2^52 one conversion
// instruction gives the same integer as roundHalfEven; from there on every double is already whole (and a
// NaN stays NaN). The sign of a zero result may differ, which no comparison or conversion here sees.
double roundRow(double a)
{
    const double x = a + 0.5;
    constexpr double kAllWhole = 4503599627370496.0; // 2^52
    return std::fabs(x) < kAllWhole ? double(nearestInt64(x)) : x;
}

// Values carried along polygon edges and across spans; the texture pair comes last so that untextured
// polygons carry only the first kUntexturedCount.
enum Attribute { AttrX, AttrW, AttrR, AttrG, AttrB, AttrU, AttrV, AttrCount };
static_assert(AttrCount == std::size(ScanCorner{}.value));
constexpr int kUntexturedCount = AttrU;

// Fills `c` from `v`; false when the corner is unusable (a non-finite x or y, or a depth that is not > 0
// or whose reciprocal overflows).
bool prepare(const JScreenVertex& v, bool textured, ScanCorner& c)
{
    if (!(std::isfinite(v.x) && std::isfinite(v.y) && v.depth > 0))
        return false;
    const float w = 1.0f / v.depth;
    if (!std::isfinite(w))
        return false;
    c.y = v.y - 0.5f;
    c.value[AttrX] = v.x - 0.5f;
    c.value[AttrW] = w;
    c.value[AttrR] = v.red;
    c.value[AttrG] = v.green;
    c.value[AttrB] = v.blue;
    if (textured) {
        c.value[AttrU] = (v.u + 0.5f) / v.depth;
        c.value[AttrV] = (v.v + 0.5f) / v.depth;
    } else {
        c.value[AttrU] = c.value[AttrV] = 0;
    }
    return true;
}

// One edge of a chain at the current row: the values and their changes per row, and the row it ends at.
struct Edge {
    double value[AttrCount];
    double change[AttrCount];
    int32_t endRow;
};

// A walk from the top corner along the corner array in one direction, at most `count` edges long.
// The edge is set by the first advance; nothing reads it before.
struct Chain {
    Chain(int32_t start, int32_t step) : index(start), direction(step) {}
    int32_t index;
    int32_t direction;
    int32_t steps = 0;
    Edge edge;
};

struct Polygon {
    const ScanCorner* corners;
    int32_t count;
    int32_t lastRow; // one past the last row drawn
};

// Moves the chain to its next edge that goes down past row y, and sets the edge's first N values at row y
// (value at a + change x (y - a.y)). False when the chain has used all its steps.
template<int N>
bool advance(Chain& chain, const Polygon& polygon, int32_t y)
{
    while (chain.steps < polygon.count) {
        const ScanCorner& a = polygon.corners[chain.index];
        chain.index += chain.direction;
        if (chain.index < 0)
            chain.index += polygon.count;
        else if (chain.index >= polygon.count)
            chain.index -= polygon.count;
        ++chain.steps;
        const ScanCorner& b = polygon.corners[chain.index];
        const double endRow = roundRow(b.y);
        if (!(b.y > a.y) || endRow <= y)
            continue; // horizontal, rising, or ending before this row
        const double height = double(b.y) - double(a.y);
        const double down = y - double(a.y);
#pragma GCC unroll 8
        for (int i = 0; i < N; ++i) {
            chain.edge.change[i] = (double(b.value[i]) - double(a.value[i])) / height;
            chain.edge.value[i] = double(a.value[i]) + chain.edge.change[i] * down;
        }
        chain.edge.endRow = int32_t(std::min(endRow, double(polygon.lastRow)));
        return true;
    }
    return false;
}

template<int N>
void step(Edge& edge)
{
#pragma GCC unroll 8
    for (int i = 0; i < N; ++i)
        edge.value[i] += edge.change[i];
}

// The span of row y between the left and right edges, or false when the row has no pixel in the frame:
// columns R(left x) .. R(right x) - 1 clipped to 0 .. width - 1, values at the (clipped) first column.
template<int N>
bool makeSpan(const Edge& left, const Edge& right, int32_t width, Span& span)
{
    const double xl = roundRow(left.value[AttrX]), xr = roundRow(right.value[AttrX]) - 1;
    if (!(xr >= xl) || xr < 0 || xl > width - 1)
        return false;
    const auto x0 = int32_t(std::max(xl, 0.0));
    const auto x1 = int32_t(std::min(xr, double(width - 1)));
    const double k = 1.0 / (right.value[AttrX] - left.value[AttrX]);
    const double across = x0 - left.value[AttrX];
    double at[AttrCount], change[AttrCount];
#pragma GCC unroll 8
    for (int i = AttrW; i < N; ++i) {
        change[i] = (right.value[i] - left.value[i]) * k;
        at[i] = left.value[i] + across * change[i];
    }
    span.x0 = span.origin = x0;
    span.x1 = x1;
    span.w = float(at[AttrW]);
    span.dw = float(change[AttrW]);
    if (span.attributes & SpanAttrColour) {
        span.r = truncToInt32(at[AttrR]);
        span.g = truncToInt32(at[AttrG]);
        span.b = truncToInt32(at[AttrB]);
        span.dr = float(change[AttrR]);
        span.dg = float(change[AttrG]);
        span.db = float(change[AttrB]);
    }
    if constexpr (N > AttrU) {
        if (span.attributes & SpanAttrTexture) {
            span.uw = float(at[AttrU]);
            span.vw = float(at[AttrV]);
            span.duw = float(change[AttrU]);
            span.dvw = float(change[AttrV]);
        }
    }
    return true;
}

// Walks both chains down from the top corner and hands one span per row to `insert`; the first N
// attributes are carried.
template<int N, class Insert>
void scanPolygon(const Polygon& polygon, int32_t top, int32_t firstRow, int32_t width, Span span, Insert insert)
{
    Chain chains[2] = {Chain(top, 1), Chain(top, -1)};
    Chain* left = &chains[0];
    Chain* right = &chains[1];
    if (!advance<N>(*left, polygon, firstRow) || !advance<N>(*right, polygon, firstRow))
        return;
    const double lx = left->edge.value[AttrX], rx = right->edge.value[AttrX];
    if (rx < lx || (rx == lx && right->edge.change[AttrX] < left->edge.change[AttrX]))
        std::swap(left, right);
    for (int32_t y = firstRow; y < polygon.lastRow; ++y) {
        if (y >= left->edge.endRow && !advance<N>(*left, polygon, y))
            return;
        if (y >= right->edge.endRow && !advance<N>(*right, polygon, y))
            return;
        if (makeSpan<N>(left->edge, right->edge, width, span))
            insert(y, span);
        step<N>(left->edge);
        step<N>(right->edge);
    }
}

} // namespace

RenderContext::RenderContext(Display* display, int width, int height)
    : m_display(display), m_width(std::clamp(width, 0, kMaxSize)), m_height(std::clamp(height, 0, kMaxSize))
{
    m_capacity = m_height * kSpansPerRow;
    m_pool = std::make_unique<Span[]>(size_t(m_capacity));
    m_rowHeads = std::make_unique<Span*[]>(size_t(m_height));
    m_indexPerRow = (m_width >> kIndexShift) + 1;
    m_columnIndex = std::make_unique<Span*[]>(size_t(m_height) * size_t(m_indexPerRow));
    m_corners.resize(kCornerRoom);
}

RenderContext::~RenderContext() = default;

Span* RenderContext::takeSpan()
{
    Span* s = m_free;
    if (s)
        m_free = s->next;
    else if (m_handedOut < m_capacity)
        s = &m_pool[m_handedOut++];
    else
        return nullptr;
    ++m_inUse;
    return s;
}

void RenderContext::releaseSpan(Span* s)
{
    s->next = m_free;
    m_free = s;
    --m_inUse;
}

int RenderContext::beginFrame()
{
    if (!m_target && m_display)
        m_target = &m_display->backBuffer();
    m_free = nullptr;
    m_dropped = 0;
    // Rows 0 .. height - 1 take pool entries 2y (sentinel) and 2y + 1 (background), as if each row took
    // two spans in turn.
    const int32_t rows = m_width > 0 ? m_height : 0;
    Span sentinel;
    sentinel.x0 = sentinel.x1 = sentinel.origin = kSentinelColumn;
    Span background;
    background.x1 = m_width - 1;
    background.w = kBackgroundDepth;
    background.colour = packColor(m_backRed, m_backGreen, m_backBlue);
    background.kind = m_clearBackground ? SpanFlat : SpanSkip;
    for (int32_t y = 0; y < rows; ++y) {
        Span* head = &m_pool[size_t(2 * y)];
        Span* back = head + 1;
        *head = sentinel;
        head->next = back;
        *back = background;
        back->previous = head;
        m_rowHeads[y] = head;
        std::fill_n(&m_columnIndex[size_t(y) * size_t(m_indexPerRow)], m_indexPerRow, back);
    }
    m_handedOut = m_inUse = 2 * rows;
    m_rowsReady = m_width > 0 && m_height > 0;
    return 1;
}

int RenderContext::endFrame()
{
    if (!m_rowsReady || !m_target || !m_target->pixels() || m_target->format() != Bitmap::FormatXrgb32)
        return 1;
    const SpanKernels& kernels = spanKernels();
    const int32_t rows = std::min(m_height, int(m_target->height()));
    const int32_t lastColumn = std::min(m_width, int(m_target->width())) - 1;
    for (int32_t y = 0; y < rows; ++y) {
        uint32_t* row = m_target->row32(y);
        for (const Span* s = m_rowHeads[y]->next; s && s->x0 <= lastColumn; s = s->next)
            drawSpan(*s, std::min(s->x1, lastColumn), row, kernels);
    }
    return 1;
}

int RenderContext::setClearBackground(int flag)
{
    if (flag)
        m_clearBackground = true;
    return 1;
}

int RenderContext::present()
{
    if (!m_display)
        return 1;
    if (m_target)
        m_display->releaseBackBuffer();
    m_display->present();
    return 1;
}

int RenderContext::drawPolygon(const JScreenVertex* const* vertices, int count)
{
    if (count < 3 || !vertices)
        return 0;
    if (!m_rowsReady)
        return 1;
    if (m_corners.size() < size_t(count))
        m_corners.resize(size_t(count)); // only a polygon larger than any before allocates
    const bool textured = (m_attributes & SpanAttrTexture) != 0;
    ScanCorner* corners = m_corners.data();
    int32_t top = 0, bottom = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (!prepare(*vertices[i], textured, corners[i]))
            return 1;
        const float y = vertices[i]->y;
        if (y < vertices[top]->y)
            top = i;
        if (y > vertices[bottom]->y)
            bottom = i;
    }
    // Rows R(ymin - 1/2) .. R(ymax - 1/2) - 1, clipped to the frame.
    const double yTop = roundRow(vertices[top]->y - 0.5f), yBottom = roundRow(vertices[bottom]->y - 0.5f);
    if (yTop >= yBottom)
        return 1;
    const auto firstRow = int32_t(std::max(yTop, 0.0));
    const auto lastRow = int32_t(std::min(yBottom, double(m_height)));
    if (firstRow >= lastRow)
        return 1;
    Span prototype;
    prototype.kind = m_kind;
    prototype.attributes = m_attributes;
    prototype.texture = m_texture;
    if ((m_kind & kSpanKindTextureBit) && m_kind != SpanSkip && !m_texture)
        prototype.kind = SpanSkip; // a textured kind without a texture draws nothing
    const Polygon polygon{corners, count, lastRow};
    const auto insert = [this](int32_t y, const Span& n) { insertSpan(y, n); };
    if (textured)
        scanPolygon<AttrCount>(polygon, top, firstRow, m_width, prototype, insert);
    else
        scanPolygon<kUntexturedCount>(polygon, top, firstRow, m_width, prototype, insert);
    return 1;
}

namespace {

// True when span n is nearer than span e at column x: w strictly larger, both evaluated from their own
// start and step (a tie keeps e; NaN never wins).
bool nearer(const Span& n, const Span& e, int32_t x)
{
    return depthAt(n, x) > depthAt(e, x);
}

// Column t in [lo, hi - 1] with nearer(t) == nearer(lo) and nearer(t + 1) != nearer(lo), given that lo
// and hi differ. The depth lines' crossing gives the first guess; the search narrows around it.
int32_t transition(const Span& n, const Span& e, int32_t lo, int32_t hi)
{
    const bool atLo = nearer(n, e, lo);
    // Where the depth lines cross: lo - D(lo) / (n.dw - e.dw) with D = w(n) - w(e), clamped in floating
    // point before conversion.
    const double gap = double(depthAt(e, lo)) - double(depthAt(n, lo));
    const double crossing = lo + std::floor(gap / (double(n.dw) - double(e.dw)));
    bool movedLo = true;
    for (int probes = 0; hi - lo > 1; ++probes) {
        int32_t p = lo + (hi - lo) / 2;
        if (probes == 0 && std::isfinite(crossing))
            p = int32_t(std::clamp(crossing, double(lo + 1), double(hi - 1)));
        else if (probes == 1)
            p = movedLo ? lo + 1 : hi - 1; // float rounding of the crossing leaves it a column off
        movedLo = nearer(n, e, p) == atLo;
        (movedLo ? lo : hi) = p;
    }
    return lo;
}

// The columns of [a, b] where n is nearer than e: [first, last], empty when first > last.
struct Run {
    int32_t first, last;
};

Run winningRun(const Span& n, const Span& e, int32_t a, int32_t b)
{
    const bool atA = nearer(n, e, a), atB = nearer(n, e, b);
    if (atA && atB)
        return {a, b};
    if (!atA && !atB)
        return {a, a - 1};
    const int32_t t = transition(n, e, a, b);
    return atA ? Run{a, t} : Run{t + 1, b};
}

} // namespace

Span* RenderContext::spanAt(int32_t y, int32_t x) const
{
    Span* s = m_columnIndex[size_t(y) * size_t(m_indexPerRow) + size_t(x >> kIndexShift)];
    while (s->x1 < x)
        s = s->next;
    return s;
}

void RenderContext::indexColumns(int32_t y, int32_t from, int32_t to, Span* span)
{
    Span** row = &m_columnIndex[size_t(y) * size_t(m_indexPerRow)];
    for (int32_t i = (from + (1 << kIndexShift) - 1) >> kIndexShift; i <= (to >> kIndexShift); ++i)
        row[i] = span;
}

void RenderContext::insertSpan(int32_t y, const Span& n)
{
    Span* e = spanAt(y, n.x0);
    int32_t open = -1;        // first column of the piece of n being collected, or -1
    Span* openSpan = nullptr; // the span holding column `open`; untouched until the piece is placed
    for (int32_t a = n.x0; a <= n.x1;) {
        const int32_t b = std::min(e->x1, n.x1);
        const Run run = winningRun(n, *e, a, b);
        const bool won = run.first <= run.last;
        bool placed = false;
        if (open >= 0 && (!won || run.first > a)) {
            placePiece(y, n, open, a - 1, openSpan);
            open = -1;
            placed = true;
        }
        if (won && open < 0) {
            open = run.first;
            openSpan = e; // a piece ending before column a leaves e as it was
        }
        if (won && run.last < b) {
            placePiece(y, n, open, run.last, openSpan);
            open = -1;
            placed = true;
        }
        a = b + 1;
        if (a <= n.x1)
            e = placed ? spanAt(y, a) : e->next;
    }
    if (open >= 0)
        placePiece(y, n, open, n.x1, openSpan);
}

void RenderContext::placePiece(int32_t y, const Span& n, int32_t s, int32_t t, Span* left)
{
    // A piece takes at most two spans: itself and the right part of a span it falls inside.
    if (m_capacity - m_inUse < 2) {
        ++m_dropped;
        return;
    }
    assert(left->x0 <= s && s <= left->x1);
    Span* piece = takeSpan();
    *piece = n;
    piece->x0 = s;
    piece->x1 = t;
    indexColumns(y, s, t, piece);
    Span* after;
    if (left->x0 < s && left->x1 > t) {
        after = takeSpan(); // the piece falls inside one span: it keeps both ends
        *after = *left;
        after->x0 = t + 1;
        after->next = left->next;
        if (after->next)
            after->next->previous = after;
        left->x1 = s - 1;
        indexColumns(y, after->x0, after->x1, after);
    } else {
        Span* before = left->previous;
        if (left->x0 < s) {
            left->x1 = s - 1;
            before = left;
            left = left->next;
        }
        // Spans wholly inside the piece go back to the pool; one cut by t keeps its part right of t.
        while (left && left->x1 <= t) {
            Span* next = left->next;
            releaseSpan(left);
            left = next;
        }
        if (left && left->x0 <= t)
            left->x0 = t + 1;
        after = left;
        left = before;
    }
    left->next = piece;
    piece->previous = left;
    piece->next = after;
    if (after)
        after->previous = piece;
}

int RenderContext::freeTextures()
{
    for (int i = 0; i < m_textureCount; ++i)
        m_textures[i].destroy();
    m_textureCount = 0;
    m_texture = nullptr;
    return 1;
}

const Bitmap* RenderContext::addTexture(const Bitmap& picture)
{
    if (!picture.pixels() || picture.width() <= 0 || picture.height() <= 0)
        return nullptr;
    const TextureSource source{pictureHash(picture), picture.width(), picture.height()};
    for (int i = 0; i < m_textureCount; ++i)
        if (m_sources[i].hash == source.hash && m_sources[i].width == source.width &&
            m_sources[i].height == source.height)
            return &m_textures[i];
    if (m_textureCount == kMaxTextures)
        return nullptr;
    Bitmap copy(picture.width(), picture.height(), picture.format());
    if (!copy.pixels())
        return nullptr;
    const size_t rowBytes = size_t(picture.width()) * size_t(Bitmap::bytesPerPixel(picture.format()));
    for (int32_t y = 0; y < picture.height(); ++y)
        std::memcpy(copy.row(y), picture.row(y), rowBytes);
    if (!copy.convert(Bitmap::FormatXrgb32))
        return nullptr;
    copy.resize(kTextureSize, kTextureSize);
    m_textures[m_textureCount] = std::move(copy);
    m_sources[m_textureCount] = source;
    return &m_textures[m_textureCount++];
}

int RenderContext::setTextureMode(int mode)
{
    if (mode != m_textureMode) {
        m_textureMode = mode;
        deriveKind();
    }
    return 1;
}

int RenderContext::setShadeMode(int mode)
{
    if (mode != m_shadeMode) {
        m_shadeMode = mode;
        deriveKind();
    }
    return 1;
}

int RenderContext::setTextureBlend(int blend)
{
    if (blend != m_textureBlend) {
        m_textureBlend = blend;
        deriveKind();
    }
    return 1;
}

int RenderContext::setTexture(const Bitmap* texture)
{
    m_texture = texture;
    return 1;
}

int RenderContext::setBackground(int red, int green, int blue)
{
    m_backRed = red & 255;
    m_backGreen = green & 255;
    m_backBlue = blue & 255;
    return 1;
}

void RenderContext::deriveKind()
{
    constexpr int kUntextured = 1, kTextured = 2, kGouraud = 1, kTextureOnly = 1, kTextureTimesColour = 2;
    if (m_textureMode == kUntextured && m_shadeMode == kGouraud) {
        m_kind = SpanGouraud;
        m_attributes = SpanAttrBase | SpanAttrColour;
    } else if (m_textureMode == kTextured && m_shadeMode == kGouraud && m_textureBlend == kTextureOnly) {
        m_kind = SpanTextured;
        m_attributes = SpanAttrBase | SpanAttrTexture;
    } else if (m_textureMode == kTextured && m_shadeMode == kGouraud && m_textureBlend == kTextureTimesColour) {
        m_kind = SpanTexturedShaded;
        m_attributes = SpanAttrBase | SpanAttrColour | SpanAttrTexture;
    } else {
        m_kind = SpanSkip; // the attribute set stays as it was
    }
}
