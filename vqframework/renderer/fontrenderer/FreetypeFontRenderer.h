// The font renderer of the OpenGL back end: FreeType glyphs from the font files the catalogue
// knows, with the process's one FreeType library and cache manager shared by every instance.
#pragma once

#include "vqframework/renderer/fontrenderer/FontRenderer.h"

namespace VQ {

class LFreetypeFontRenderer : public LFontRenderer {
public:
    // Rebuilds the font catalogue; the shared FreeType state is made by the first renderer and
    // ended with the last.
    static RCPtr<LFreetypeFontRenderer> Create(const RCPtr<LGlyphProcessor>& firstSink,
                                               const RCPtr<LGlyphProcessor>& secondSink);
    ~LFreetypeFontRenderer() override;

    VQRESULT GetFontMetrics(const ConstRCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                            int32_t& descent) override;
    int32_t RenderString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font,
                         const RCPtr<LGlyphProcessor>& sink, int32_t start, int32_t widthLimit,
                         uint32_t flags) override;

private:
    LFreetypeFontRenderer(const RCPtr<LGlyphProcessor>& firstSink, const RCPtr<LGlyphProcessor>& secondSink);
};

} // namespace VQ
