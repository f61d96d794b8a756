// Turns text into glyphs for a glyph sink, without the system's text drawing: what the OpenGL
// back end draws and measures text with.
#pragma once

#include "vqframework/graphics/Font.h"
#include "vqframework/renderer/fontrenderer/GlyphProcessor.h"
#include "vqframework/storage/RectT.h"
#include "vqframework/storage/StringT.h"

namespace VQ {

class LFontRenderer : public virtual LRefCountedObject {
public:
    // (x, y, width, height) of the text's ink and line box, from the second sink's bounds.
    virtual RectT<float> MeasureString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font);
    virtual VQRESULT GetFontMetrics(const ConstRCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                                    int32_t& descent) = 0;
    // The number of characters handled. A width limit of 0 turns the limit off.
    virtual int32_t RenderString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font,
                                 const RCPtr<LGlyphProcessor>& sink, int32_t start, int32_t widthLimit,
                                 uint32_t flags) = 0;
    // The second sink's bounds; zero without one.
    virtual GlyphBounds GetBounds();

    // The sink drawing goes to.
    const RCPtr<LGlyphProcessor>& GetDrawingSink() const { return m_secondSink; }

protected:
    LFontRenderer(const RCPtr<LGlyphProcessor>& firstSink, const RCPtr<LGlyphProcessor>& secondSink);

private:
    RCPtr<LGlyphProcessor> m_firstSink;
    RCPtr<LGlyphProcessor> m_secondSink;
};

} // namespace VQ
