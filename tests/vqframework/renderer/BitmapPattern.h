// A bitmap whose every pixel has its own colour, for tests that check where a back end draws which
// part of a bitmap.
#pragma once

#include "vqframework/graphics/Bitmap.h"

#include <cstdint>

namespace VQ::test {

// A distinct opaque colour per pixel of bitmaps up to 12 x 12; larger ones repeat it.
inline uint32_t Pattern(int32_t x, int32_t y)
{
    return 0xFF000000u | uint32_t(x % 12 * 20 + 5) << 16 | uint32_t(y % 12 * 20 + 5) << 8 | 0x40u;
}

inline RCPtr<LBitmap> PatternBitmap(int32_t width, int32_t height)
{
    RCPtr<LBitmap> bitmap = LBitmap::CreateFilledBitmap(width, height, RGBAColor{});
    RCPtr<LBitmapData> data(new LBitmapData(bitmap, LBitmapData::LockMode::ReadWrite, nullptr));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            *data->GetPixel(x, y) = Pattern(x, y);
    return bitmap;
}

} // namespace VQ::test
