// The font face behind FontFace::Find: a FreeType face kept for the life of the process and the Cairo
// font face over it, with the line positions DrawText needs.
#pragma once

#include "platform/drawing/FontFace.h"

#include <cairo.h>

namespace VQ::Platform {

// Where a decoration line lies, in font design units: its top above the baseline (negative below)
// and its thickness.
struct DecorationLine {
    int32_t top = 0;
    int32_t thickness = 0;
};

class CairoFontFace final : public FontFace {
public:
    CairoFontFace(cairo_font_face_t* face, std::string family, const FontDesignMetrics& metrics,
                  DecorationLine underline, DecorationLine strikeout);
    // Never called for faces of the shared cache, which live as long as the process.
    ~CairoFontFace() override;

    const std::string& GetFamily() const override { return m_family; }
    const FontDesignMetrics& GetDesignMetrics() const override { return m_metrics; }
    double MeasureAdvance(std::string_view utf8, double pixelSize) const override;

    // The face at the pixel size with the options shared by measuring and drawing; null when the
    // size is unusable. The caller destroys it.
    cairo_scaled_font_t* CreateScaledFont(double pixelSize) const;
    const DecorationLine& GetUnderline() const { return m_underline; }
    const DecorationLine& GetStrikeout() const { return m_strikeout; }

private:
    cairo_font_face_t* m_face;
    std::string m_family;
    FontDesignMetrics m_metrics;
    DecorationLine m_underline;
    DecorationLine m_strikeout;
};

// The glyphs of the text laid out from (x, y) and their total pen advance; false and empty for
// empty or invalid text.
struct GlyphRun {
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    double advance = 0;

    GlyphRun() = default;
    ~GlyphRun() { cairo_glyph_free(glyphs); }
    GlyphRun(const GlyphRun&) = delete;
    GlyphRun& operator=(const GlyphRun&) = delete;
};

bool LayOutGlyphs(cairo_scaled_font_t* font, std::string_view utf8, double x, double y, GlyphRun& run);

} // namespace VQ::Platform
