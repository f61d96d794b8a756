// A colour or colour gradient applied to the bitmaps of a skin's parts; made once by the skin reader
// and never changed.
#pragma once

#include "vqframework/graphics/RGBAColor.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class LColorizer : public virtual LRefCountedObject {
public:
    enum ColorType : int32_t { SolidFill = 0, LinearGradient = 1, RadialGradient = 2 };

    static RCPtr<LColorizer> Create(const StringT<char16_t, char>& name, ColorType type, const RGBAColor& color,
                                    const RGBAColor& endColor, float startX, float startY, float endX, float endY);

    const StringT<char16_t, char>& GetName() const { return m_name; }
    ColorType GetColorType() const { return m_type; }
    // For a gradient, its start colour.
    const RGBAColor& GetColor() const { return m_color; }
    const RGBAColor& GetEndColor() const { return m_endColor; }
    float GetStartX() const { return m_startX; }
    float GetStartY() const { return m_startY; }
    float GetEndX() const { return m_endX; }
    float GetEndY() const { return m_endY; }

    // A gradient whose two colours differ, which no bitmap can be filled with.
    bool IsTrueGradient() const;

private:
    LColorizer(const StringT<char16_t, char>& name, ColorType type, const RGBAColor& color, const RGBAColor& endColor,
               float startX, float startY, float endX, float endY);

    const StringT<char16_t, char> m_name;
    const ColorType m_type;
    const RGBAColor m_color;
    const RGBAColor m_endColor;
    const float m_startX;
    const float m_startY;
    const float m_endX;
    const float m_endY;
};

} // namespace VQ
