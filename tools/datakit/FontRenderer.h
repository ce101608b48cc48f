#pragma once
// Renders text into coverage masks with FreeType, from a TrueType font file.

#include "Canvas.h"

#include <string>

class FontRenderer {
public:
    FontRenderer() = default;
    ~FontRenderer();
    FontRenderer(const FontRenderer&) = delete;
    FontRenderer& operator=(const FontRenderer&) = delete;

    // Opens the font; false if FreeType or the file fails.
    bool open(const std::string& path);
    // The text (ASCII) at `pixelHeight` pixels per em, with `tracking` extra pixels between letters,
    // in a mask just large enough (the baseline sits at `baseline()` rows from the top). Empty if not open.
    Mask render(const std::string& text, int32_t pixelHeight, int32_t tracking = 0);
    int32_t baseline() const { return m_baseline; }

private:
    void* m_library = nullptr; // FT_Library
    void* m_face = nullptr;    // FT_Face
    int32_t m_baseline = 0;
};

// The fonts the pictures use, from the Debian package fonts-dejavu-core.
extern const char* const kFontBold;
extern const char* const kFontRegular;
