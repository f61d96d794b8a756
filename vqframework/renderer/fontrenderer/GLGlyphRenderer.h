// The OpenGL glyph sink: one texture atlas per font, each glyph copied in once and drawn as a
// textured quad.
#pragma once

#include "vqframework/renderer/fontrenderer/GlyphProcessor.h"

namespace VQ {

class LGLGlyphRenderer : public LGlyphProcessor {
public:
    static RCPtr<LGLGlyphRenderer> Create();
    ~LGLGlyphRenderer() override;

    void BeginString(const ConstRCPtr<LFont>& font, uint32_t flags) override;
    void EndString() override;
    uint32_t FindGlyph(SGlyphInfo& glyph) override;
    void AddGlyph(SGlyphInfo& glyph) override;
    GlyphBounds GetBounds() override;

private:
    LGLGlyphRenderer();
};

} // namespace VQ
