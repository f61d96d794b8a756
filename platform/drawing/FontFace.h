// Fonts for drawing and measuring text: a family name and style bits resolved through fontconfig to
// a font file, shared, with the design metrics the renderer's line-height rules need.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace VQ::Platform {

// In font design units.
struct FontDesignMetrics {
    int32_t unitsPerEm = 0;
    // Above and below the baseline, both positive: the OS/2 table's win ascent and descent where
    // the face has them, else its horizontal-header ones.
    int32_t cellAscent = 0;
    int32_t cellDescent = 0;
    // From one baseline to the next: cell ascent + cell descent + the extra line gap.
    int32_t lineSpacing = 0;
};

class FontFace {
public:
    // Style bits: 1 bold, 2 italic (4 underline and 8 strikeout only change drawing).
    static constexpr int32_t StyleBold = 1;
    static constexpr int32_t StyleItalic = 2;
    static constexpr int32_t StyleUnderline = 4;
    static constexpr int32_t StyleStrikeout = 8;

    // The face fontconfig picks for the family and the bold and italic bits; an unknown family gets
    // fontconfig's substitute, as for any text. Equal requests share one face. Null only when the
    // system has no usable font at all.
    static std::shared_ptr<const FontFace> Find(std::string_view family, int32_t style);

    virtual ~FontFace() = default;

    // The family of the file actually chosen.
    virtual const std::string& GetFamily() const = 0;
    virtual const FontDesignMetrics& GetDesignMetrics() const = 0;
    // The pen advance of the UTF-8 text at the pixel size (em height in pixels), trailing blanks
    // included; 0 for empty or unusable text.
    virtual double MeasureAdvance(std::string_view utf8, double pixelSize) const = 0;
};

// The paths of the TrueType font and collection files fontconfig knows (names ending in ".ttf" or
// ".ttc", in any case), sorted so that every scan sees them in the same order. False when
// fontconfig cannot list its fonts.
bool ListFontFiles(std::vector<std::string>& paths);

// The family fontconfig chooses for "sans-serif", which the system's own texts use; empty when it
// chooses none.
std::string GetSystemFontFamily();

} // namespace VQ::Platform
