// Pixel helpers for the drawing tests: which pixels of a surface hold something, and where.
#pragma once

#include "platform/drawing/DrawingSurface.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <utility>

namespace VQ::Platform::test {

using PixelSet = std::set<std::pair<int32_t, int32_t>>;

// The pixels whose straight colour differs from the background.
inline PixelSet ChangedPixels(DrawingSurface& surface, uint32_t background = 0)
{
    PixelSet changed;
    for (int32_t y = 0; y < surface.GetHeight(); ++y) {
        for (int32_t x = 0; x < surface.GetWidth(); ++x) {
            if (surface.GetPixel(x, y) != background)
                changed.emplace(x, y);
        }
    }
    return changed;
}

inline PixelSet RectPixels(int32_t x, int32_t y, int32_t width, int32_t height)
{
    PixelSet pixels;
    for (int32_t row = y; row < y + height; ++row) {
        for (int32_t column = x; column < x + width; ++column)
            pixels.emplace(column, row);
    }
    return pixels;
}

// True when every channel of the two words differs by at most the tolerance.
inline bool NearColour(uint32_t actual, uint32_t expected, int tolerance = 1)
{
    for (int shift = 0; shift < 32; shift += 8) {
        if (std::abs(static_cast<int>(actual >> shift & 0xFF) - static_cast<int>(expected >> shift & 0xFF)) > tolerance)
            return false;
    }
    return true;
}

} // namespace VQ::Platform::test
