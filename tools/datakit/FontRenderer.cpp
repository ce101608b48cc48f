#include "FontRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <vector>

const char* const kFontBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const char* const kFontRegular = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

FontRenderer::~FontRenderer()
{
    if (m_face) {
        FT_Done_Face(static_cast<FT_Face>(m_face));
    }
    if (m_library) {
        FT_Done_FreeType(static_cast<FT_Library>(m_library));
    }
}

bool FontRenderer::open(const std::string& path)
{
    FT_Library library = nullptr;
    if (!m_library) {
        if (FT_Init_FreeType(&library) != 0) {
            return false;
        }
        m_library = library;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(static_cast<FT_Library>(m_library), path.c_str(), 0, &face) != 0) {
        return false;
    }
    if (m_face) {
        FT_Done_Face(static_cast<FT_Face>(m_face));
    }
    m_face = face;
    return true;
}

Mask FontRenderer::render(const std::string& text, int32_t pixelHeight, int32_t tracking)
{
    if (!m_face) {
        return Mask();
    }
    FT_Face face = static_cast<FT_Face>(m_face);
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelHeight));
    struct Glyph {
        int32_t x = 0;
        int32_t top = 0;
        int32_t width = 0;
        int32_t rows = 0;
        std::vector<uint8_t> coverage;
    };
    std::vector<Glyph> glyphs;
    int32_t penX = 0;
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t right = 0;
    FT_UInt previous = 0;
    for (unsigned char c : text) {
        const FT_UInt index = FT_Get_Char_Index(face, c);
        if (previous && index && FT_HAS_KERNING(face)) {
            FT_Vector kerning;
            FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kerning);
            penX += static_cast<int32_t>(kerning.x >> 6);
        }
        previous = index;
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        Glyph g;
        g.x = penX + slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int32_t>(slot->bitmap.width);
        g.rows = static_cast<int32_t>(slot->bitmap.rows);
        g.coverage.resize(static_cast<size_t>(g.width * g.rows));
        for (int32_t y = 0; y < g.rows; ++y) {
            for (int32_t x = 0; x < g.width; ++x) {
                g.coverage[static_cast<size_t>(y * g.width + x)] = slot->bitmap.buffer[y * slot->bitmap.pitch + x];
            }
        }
        ascent = std::max(ascent, g.top);
        descent = std::max(descent, g.rows - g.top);
        right = std::max(right, g.x + g.width);
        penX += static_cast<int32_t>(slot->advance.x >> 6) + tracking;
        glyphs.push_back(std::move(g));
    }
    const int32_t left = glyphs.empty() ? 0 : std::min(0, glyphs.front().x);
    Mask mask(std::max(1, right - left), std::max(1, ascent + descent));
    for (const Glyph& g : glyphs) {
        for (int32_t y = 0; y < g.rows; ++y) {
            for (int32_t x = 0; x < g.width; ++x) {
                float& v = mask.at(g.x - left + x, ascent - g.top + y);
                v = std::min(1.0f, v + static_cast<float>(g.coverage[static_cast<size_t>(y * g.width + x)]) / 255.0f);
            }
        }
    }
    m_baseline = ascent;
    return mask;
}
