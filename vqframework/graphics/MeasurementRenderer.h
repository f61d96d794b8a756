// The two measuring operations of a renderer: what font metrics and text layout need, without a
// window to draw in. The application's measurement renderer is the renderer of its first window.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/RectT.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class LFont;

class LMeasurementRenderer : public virtual LRefCountedObject {
public:
    // Pixels; the ascent is negative because y grows downward. The outputs stay untouched on failure.
    virtual VQRESULT GetFontMetrics(const ConstRCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                                    int32_t& descent) = 0;
    // The bounding rectangle of the text drawn at the origin.
    virtual RectT<float> MeasureString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font) = 0;
};

} // namespace VQ
