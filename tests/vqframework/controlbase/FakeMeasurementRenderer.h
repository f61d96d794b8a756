// A measurement renderer whose strings are a fixed advance per character wide, for text layout
// tests that need exact widths.
#pragma once

#include "vqframework/graphics/MeasurementRenderer.h"

#include <cstdint>

namespace VQ::test {

// Every character advance wide and height high, lines lineHeight apart; counts the strings it
// measures. An offset makes it report rectangles that start right of the origin. A NaN or infinite
// advance gives widths no real font gives.
class FakeMeasurementRenderer : public LMeasurementRenderer {
public:
    VQRESULT GetFontMetrics(const ConstRCPtr<LFont>&, int32_t& lineHeightOut, int32_t& ascentOut,
                            int32_t& descentOut) override
    {
        lineHeightOut = lineHeight;
        ascentOut = ascent;
        descentOut = descent;
        return S_OK;
    }
    RectT<float> MeasureString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>&) override
    {
        ++measurements;
        return {offset, 0, advance * float(text.GetLength()), height};
    }

    float advance = 10;
    float height = 12;
    int32_t lineHeight = 15;
    int32_t ascent = -12;
    int32_t descent = 3;
    int measurements = 0;
    float offset = 0;
};

} // namespace VQ::test
