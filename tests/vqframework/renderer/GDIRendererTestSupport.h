// A window stand-in that keeps what the renderer presents, and a fixture with the fake application
// (its clock drives the cache purge) and helpers to open frames and read a context's pixels.
#pragma once

#include "platform/drawing/PresentTarget.h"
#include "tests/vqframework/application/FakeApplicationServices.h"
#include "vqframework/renderer/gdi/GDIRenderer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

namespace VQ {

inline void PrintTo(const RectT<int32_t>& r, std::ostream* out)
{
    *out << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}

// Copies each presented rectangle into its own premultiplied pixels and records the rectangles in
// order. Tests present opaque colours, whose premultiplied words equal the straight ones.
class FakePresentTarget : public Platform::IPresentTarget {
public:
    FakePresentTarget(int32_t width, int32_t height)
        : m_width(width), m_height(height), m_pixels(size_t(width) * size_t(height), 0)
    {
    }

    bool Present(const Platform::PixelView& source, int32_t x, int32_t y, int32_t width, int32_t height) override
    {
        presented.push_back({x, y, width, height});
        for (int32_t row = y; row < y + height; ++row) {
            const auto* line = reinterpret_cast<const uint32_t*>(reinterpret_cast<const unsigned char*>(source.pixels) +
                                                                 ptrdiff_t(row) * source.stride);
            for (int32_t column = x; column < x + width; ++column) {
                EXPECT_TRUE(column >= 0 && row >= 0 && column < source.width && row < source.height)
                    << "presented outside the source at " << column << ", " << row;
                if (column < m_width && row < m_height)
                    m_pixels[size_t(row) * size_t(m_width) + size_t(column)] = line[column];
            }
        }
        return true;
    }

    uint32_t GetPixel(int32_t x, int32_t y) const { return m_pixels[size_t(y) * size_t(m_width) + size_t(x)]; }

    std::vector<RectT<int32_t>> presented;

private:
    int32_t m_width;
    int32_t m_height;
    std::vector<uint32_t> m_pixels;
};

class GDIRendererTest : public testing::Test {
protected:
    static constexpr uint32_t Red = 0xFFFF0000;
    static constexpr uint32_t Green = 0xFF00FF00;
    static constexpr uint32_t Blue = 0xFF0000FF;

    static RGBAColor Colour(uint32_t argb)
    {
        RGBAColor color;
        color.SetARGB(argb);
        return color;
    }

    RCPtr<LRenderContextInfo> MakeContext(int32_t width, int32_t height, Platform::IPresentTarget* window = nullptr,
                                          bool offscreen = true)
    {
        RCPtr<LRenderContextInfo> context;
        EXPECT_EQ(S_OK, renderer->InitRenderContextInfo({0, 0, width, height}, window, offscreen, context));
        return context;
    }

    // Opens a frame whose region is the whole context (a fresh surface) or the given rectangle.
    void Start(const RCPtr<LRenderContextInfo>& context)
    {
        const RectT<int32_t>& rect = context->GetRect();
        Start(context, rect);
    }
    void Start(const RCPtr<LRenderContextInfo>& context, const RectT<int32_t>& region)
    {
        context->GetRegion().Clear();
        context->GetRegion().AddRect(region.x, region.y, region.x + region.width, region.y + region.height);
        renderer->RenderStart(context);
    }

    static Platform::DrawingSurface& SurfaceOf(const RCPtr<LRenderContextInfo>& context)
    {
        return RCPtrDynamicCast<LGDIRenderContextInfo>(context)->GetCurrentSurface().GetSurface();
    }

    // The straight colour of a pixel of the context's current surface.
    static uint32_t Pixel(const RCPtr<LRenderContextInfo>& context, int32_t x, int32_t y)
    {
        return SurfaceOf(context).GetPixel(x, y);
    }

    // Every pixel of the context's surface compared with the expectation; stops at the first few
    // differences.
    template <class Expected>
    static void ExpectPixels(const RCPtr<LRenderContextInfo>& context, Expected expected, const char* what = "")
    {
        Platform::DrawingSurface& surface = SurfaceOf(context);
        int failures = 0;
        for (int32_t y = 0; y < surface.GetHeight() && failures < 5; ++y) {
            for (int32_t x = 0; x < surface.GetWidth() && failures < 5; ++x) {
                const uint32_t want = expected(x, y);
                const uint32_t got = surface.GetPixel(x, y);
                if (got != want) {
                    ADD_FAILURE() << what << " pixel " << x << ", " << y << ": " << std::hex << got << " instead of "
                                  << want;
                    ++failures;
                }
            }
        }
    }

    // Colour inside the rectangle, background outside.
    static auto InRect(const RectT<int32_t>& rect, uint32_t inside, uint32_t outside = 0)
    {
        return [=](int32_t x, int32_t y) {
            return x >= rect.x && y >= rect.y && x < rect.x + rect.width && y < rect.y + rect.height ? inside : outside;
        };
    }

    test::FakeApplicationServices app;
    RCPtr<LGDIRenderer> renderer = LGDIRenderer::Create();
};

} // namespace VQ
