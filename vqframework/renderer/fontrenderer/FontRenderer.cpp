#include "vqframework/renderer/fontrenderer/FontRenderer.h"

#include <algorithm>

namespace VQ {

LFontRenderer::LFontRenderer(const RCPtr<LGlyphProcessor>& firstSink, const RCPtr<LGlyphProcessor>& secondSink)
    : m_firstSink(firstSink), m_secondSink(secondSink)
{
}

RectT<float> LFontRenderer::MeasureString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font)
{
    if (!m_secondSink)
        return {};
    RenderString(text, font, m_secondSink, 0, 0, LGlyphProcessor::MeasureFlags);
    const GlyphBounds bounds = GetBounds();
    const float ascent = float(font->GetAscent());
    const float descent = float(font->GetDescent());
    const float top = std::min(bounds.top, ascent);
    return {bounds.left, top, bounds.right + 1 - bounds.left, std::max(bounds.bottom, descent) - top};
}

GlyphBounds LFontRenderer::GetBounds()
{
    return m_secondSink ? m_secondSink->GetBounds() : GlyphBounds{};
}

} // namespace VQ
