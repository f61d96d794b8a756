#include "vqframework/graphics/Colorizer.h"

namespace VQ {

LColorizer::LColorizer(const StringT<char16_t, char>& name, ColorType type, const RGBAColor& color,
                       const RGBAColor& endColor, float startX, float startY, float endX, float endY)
    : m_name(name), m_type(type), m_color(color), m_endColor(endColor), m_startX(startX), m_startY(startY),
      m_endX(endX), m_endY(endY)
{
}

RCPtr<LColorizer> LColorizer::Create(const StringT<char16_t, char>& name, ColorType type, const RGBAColor& color,
                                     const RGBAColor& endColor, float startX, float startY, float endX, float endY)
{
    return RCPtr<LColorizer>(new LColorizer(name, type, color, endColor, startX, startY, endX, endY));
}

bool LColorizer::IsTrueGradient() const
{
    return (m_type == LinearGradient || m_type == RadialGradient) && m_color != m_endColor;
}

} // namespace VQ
