// Where a window's frame goes: the OS window copies rectangles of a drawn surface to the screen.
#pragma once

#include <cstdint>

struct SDL_Window;

namespace VQ::Platform {

// Premultiplied ARGB32 words (0xAARRGGBB after premultiplication), rows top down.
struct PixelView {
    const uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    // Bytes from one row to the next.
    int32_t stride = 0;
};

class IPresentTarget {
public:
    // Copies the rectangle (x, y, width, height) of the source to the same position of the window;
    // false when that fails. The rectangle lies inside the source.
    virtual bool Present(const PixelView& source, int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    // The window's SDL window when it was made with an OpenGL surface, which the OpenGL contexts of
    // the platform layer draw to directly; null for targets that only take presented pixels. Only the
    // platform layer calls it: the framework sees no SDL type.
    virtual SDL_Window* GetGLWindow() { return nullptr; }

protected:
    ~IPresentTarget() = default;
};

} // namespace VQ::Platform
