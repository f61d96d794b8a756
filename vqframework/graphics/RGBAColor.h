// The colour of every drawing operation, colorizer and skin attribute: four channels in 0..1, read
// from packed ARGB words and skin hex texts and packed again for drawing.
#pragma once

#include <cstdint>

namespace VQ {

struct RGBAColor {
    float r = 0;
    float g = 0;
    float b = 0;
    float a = 0;

    // 0xAARRGGBB, each byte scaled by 1/255.
    void SetARGB(uint32_t argb);
    // "0x" optional, then 2 digits (alpha), 6 (RGB) or 8 (ARGB); any other length changes nothing.
    // Digits are read up to the first non-hex character; none reads as 0. Null changes nothing.
    void SetHexString(const char* text);
    // Each channel times 255, rounded half away from zero and clamped to a byte.
    uint32_t ToARGB() const;

    bool operator==(const RGBAColor&) const = default;
};

} // namespace VQ
