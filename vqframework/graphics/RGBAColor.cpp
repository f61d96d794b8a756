#include "vqframework/graphics/RGBAColor.h"

#include <cmath>
#include <cstring>

namespace VQ {

namespace {

// 1/255 in single precision, as every packed channel is scaled.
constexpr float ByteScale = 0.003921569f;

float FromByte(uint32_t value, int shift)
{
    return static_cast<float>((value >> shift) & 0xFF) * ByteScale;
}

uint32_t ToByte(float channel)
{
    float v = std::round(channel * 255.0f);
    if (v > 255.0f)
        v = 255.0f;
    if (!(v >= 0.0f))
        v = 0.0f;
    return static_cast<uint32_t>(v);
}

// At most 8 hex digits from the start, stopping at the first other character.
uint32_t ParseHex(const char* text)
{
    uint32_t value = 0;
    for (int i = 0; i < 8; ++i) {
        const char c = text[i];
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            break;
        value = value << 4 | digit;
    }
    return value;
}

} // namespace

void RGBAColor::SetARGB(uint32_t argb)
{
    a = FromByte(argb, 24);
    r = FromByte(argb, 16);
    g = FromByte(argb, 8);
    b = FromByte(argb, 0);
}

void RGBAColor::SetHexString(const char* text)
{
    if (!text)
        return;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text += 2;
    switch (std::strlen(text)) {
    case 2:
        a = FromByte(ParseHex(text), 0);
        break;
    case 6: {
        const uint32_t value = ParseHex(text);
        r = FromByte(value, 16);
        g = FromByte(value, 8);
        b = FromByte(value, 0);
        break;
    }
    case 8:
        SetARGB(ParseHex(text));
        break;
    default:
        break;
    }
}

uint32_t RGBAColor::ToARGB() const
{
    return ToByte(a) << 24 | ToByte(r) << 16 | ToByte(g) << 8 | ToByte(b);
}

} // namespace VQ
