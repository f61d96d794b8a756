// The sink a font renderer hands each character's glyph to: one draws it, another only measures.
#pragma once

#include "vqframework/graphics/Font.h"
#include "vqframework/graphics/PixelBuffer.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"

#include <cstdint>

namespace VQ {

// The largest font size the text path renders, in points. Sizes that are not finite and positive,
// or above it, have no glyphs: pixel sizes and atlas rows stay small integers.
constexpr float MaxRenderedPointSize = 1000.0f;

inline bool IsRenderedPointSize(float points)
{
    return points > 0.0f && points <= MaxRenderedPointSize;
}

// A glyph's pixel bounding box with y growing downward from the baseline (top is minus the box's
// upper edge). Wider than a byte so that large glyphs do not wrap.
struct GlyphBox {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// Left, top, right, bottom of the text processed since BeginString.
struct GlyphBounds {
    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;
};

// What a font renderer fills for every character and hands to its sink.
struct SGlyphInfo {
    // The start value for the first character, then the number of characters handled so far.
    int32_t index = 0;
    // The UTF-16 code unit.
    uint32_t charCode = 0;
    // Pixels; y is 0 on the baseline of the first line.
    float penX = 0;
    float penY = 0;
    GlyphBox box;
    // x in the low 16 bits, y in the high 16 bits, each signed, in 1/64 pixel.
    uint32_t advance = 0;
    // 0 when the character has no glyph.
    uint32_t glyphIndex = 0;
    // 8-bit coverage; empty when not rendered.
    RCPtr<LPixelBuffer<unsigned char>> image;

    int32_t GetAdvanceX() const { return int16_t(advance & 0xFFFF); }
    int32_t GetAdvanceY() const { return int16_t(advance >> 16); }
};

class LGlyphProcessor : public virtual LRefCountedObject {
public:
    // Passed by every caller, read by no sink.
    static constexpr uint32_t FlagLoad = 1;
    static constexpr uint32_t FlagBounds = 2;
    // Upload the atlas as soon as it changes.
    static constexpr uint32_t FlagUpload = 4;
    static constexpr uint32_t FlagDraw = 8;
    static constexpr uint32_t DrawFlags = 15;
    static constexpr uint32_t MeasureFlags = 3;

    // FindGlyph's answer for a glyph the sink does not know: load it, compute its box, render it.
    static constexpr uint32_t GlyphUnknown = 7;

    // What a sink keeps per character; a character code of 0 stands for a glyph not cached.
    struct SCachedGlyph {
        uint32_t charCode = 0;
        uint32_t glyphIndex = 0;
        GlyphBox box;
        uint32_t advance = 0;
        // Where the glyph's first pixel lies in the atlas.
        uint16_t atlasX = 0;
        uint16_t atlasY = 0;

        uint32_t GetUniqueID() const { return charCode; }
    };

    virtual void BeginString(const ConstRCPtr<LFont>& font, uint32_t flags) = 0;
    virtual void EndString() = 0;
    // 0 when the glyph is known (box, advance and glyph index filled in), else GlyphUnknown.
    virtual uint32_t FindGlyph(SGlyphInfo& glyph) = 0;
    virtual void AddGlyph(SGlyphInfo& glyph) = 0;
    virtual GlyphBounds GetBounds() = 0;
};

} // namespace VQ
