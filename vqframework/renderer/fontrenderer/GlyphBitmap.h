// FreeType's rendered glyph bitmaps copied into 8-bit coverage buffers; internal to the text path.
#pragma once

#include "vqframework/graphics/PixelBuffer.h"
#include "vqframework/objectbase/RCPtr.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace VQ {

// The start of the bitmap's row, counted from the top whichever way its rows run.
inline const unsigned char* BitmapRow(const FT_Bitmap& bitmap, uint32_t row)
{
    const int32_t pitch = bitmap.pitch;
    return pitch >= 0 ? bitmap.buffer + size_t(row) * size_t(pitch)
                      : bitmap.buffer + size_t(bitmap.rows - 1 - row) * size_t(-pitch);
}

// The bitmap as 8-bit coverage, monochrome pixels (most significant bit first) as 0 or 255; null for
// a pixel format other than 1 or 8 bits.
inline RCPtr<LPixelBuffer<unsigned char>> CopyBitmap(const FT_Bitmap& bitmap)
{
    const int32_t width = int32_t(bitmap.width);
    const int32_t rows = int32_t(bitmap.rows);
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        RCPtr<LPixelBuffer<unsigned char>> image(new LPixelBuffer<unsigned char>(width, rows, std::max(width, 1)));
        for (int32_t y = 0; y < rows; ++y) {
            const unsigned char* source = BitmapRow(bitmap, uint32_t(y));
            unsigned char* target = image->GetPixel(0, y);
            for (int32_t x = 0; x < width; ++x)
                target[x] = (source[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        }
        return image;
    }
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        const int32_t pitch = std::max(std::abs(bitmap.pitch), 1);
        RCPtr<LPixelBuffer<unsigned char>> image(new LPixelBuffer<unsigned char>(width, rows, pitch));
        for (int32_t y = 0; y < rows && width > 0; ++y)
            std::memcpy(image->GetPixel(0, y), BitmapRow(bitmap, uint32_t(y)), size_t(width));
        return image;
    }
    return nullptr;
}

} // namespace VQ
