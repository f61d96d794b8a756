// The font renderer's out-of-line members, for a build without the font renderer's sources: the
// renderer under test holds one (always empty here), which needs its type information to link.
#include "vqframework/renderer/fontrenderer/FontRenderer.h"

namespace VQ {

LFontRenderer::LFontRenderer(const RCPtr<LGlyphProcessor>& firstSink, const RCPtr<LGlyphProcessor>& secondSink)
    : m_firstSink(firstSink), m_secondSink(secondSink)
{
}

RectT<float> LFontRenderer::MeasureString(const StringT<char16_t, char>&, const ConstRCPtr<LFont>&)
{
    return {};
}

GlyphBounds LFontRenderer::GetBounds()
{
    return {};
}

} // namespace VQ
