// A fixture with the fake application (its clock drives the purge) and an OpenGL renderer on an
// offscreen context, and helpers to read a frame's pixels back. Tests skip, saying why, only when no
// OpenGL context can be made on this machine at all.
#pragma once

#include "platform/dialogs/Dialogs.h"
#include "platform/drawing/PresentTarget.h"
#include "tests/vqframework/application/FakeApplicationServices.h"
#include "vqframework/renderer/opengl/GLRenderer.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace VQ {

// Straight 0xAARRGGBB words, rows top down.
struct FramePixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// What the framebuffer bound now holds, read while the frame is open; GL's rows run bottom up.
inline FramePixels ReadFrame(int32_t width, int32_t height)
{
    glFinish();
    FramePixels frame{width, height, std::vector<uint32_t>(size_t(width) * size_t(height))};
    std::vector<uint32_t> rows(frame.pixels.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            frame.pixels[size_t(y) * size_t(width) + size_t(x)] = rows[size_t(height - 1 - y) * size_t(width) + size_t(x)];
    return frame;
}

inline RGBAColor Colour(uint32_t argb)
{
    RGBAColor color;
    color.SetARGB(argb);
    return color;
}

// Whether every channel of the two words differs by at most the tolerance.
inline bool Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8) {
        const int difference = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        if (difference > tolerance || difference < -tolerance)
            return false;
    }
    return true;
}

class GLRendererTest : public testing::Test {
protected:
    static constexpr uint32_t Red = 0xFFFF0000;
    static constexpr uint32_t Green = 0xFF00FF00;
    static constexpr uint32_t Blue = 0xFF0000FF;

    void SetUp() override
    {
        try {
            renderer = LGLRenderer::Create({}, nullptr);
        } catch (const std::exception& error) {
            GTEST_SKIP() << "no OpenGL context can be made here: " << error.what();
        }
    }

    RCPtr<LRenderContextInfo> MakeContext(int32_t width, int32_t height, bool offscreen = true)
    {
        RCPtr<LRenderContextInfo> context;
        EXPECT_EQ(S_OK, renderer->InitRenderContextInfo({0, 0, width, height}, nullptr, offscreen, context));
        return context;
    }

    void Start(const RCPtr<LRenderContextInfo>& context)
    {
        const RectT<int32_t>& rect = context->GetRect();
        context->GetRegion().Clear();
        context->GetRegion().AddRect(rect.x, rect.y, rect.x + rect.width, rect.y + rect.height);
        renderer->RenderStart(context);
    }

    // The open frame's pixels.
    static FramePixels Read(const RCPtr<LRenderContextInfo>& context)
    {
        return ReadFrame(context->GetRect().width, context->GetRect().height);
    }

    // Every pixel against the expectation; stops at the first few differences.
    template <class Expected>
    static void ExpectPixels(const FramePixels& frame, Expected expected, const std::string& what = "")
    {
        int failures = 0;
        for (int32_t y = 0; y < frame.height && failures < 5; ++y) {
            for (int32_t x = 0; x < frame.width && failures < 5; ++x) {
                const uint32_t want = expected(x, y);
                if (frame.At(x, y) != want) {
                    ADD_FAILURE() << what << " pixel " << x << ", " << y << ": " << std::hex << frame.At(x, y)
                                  << " instead of " << want;
                    ++failures;
                }
            }
        }
    }

    static auto InRect(const RectT<int32_t>& rect, uint32_t inside, uint32_t outside = 0)
    {
        return [=](int32_t x, int32_t y) {
            return x >= rect.x && y >= rect.y && x < rect.x + rect.width && y < rect.y + rect.height ? inside : outside;
        };
    }

    test::FakeApplicationServices app;
    RCPtr<LGLRenderer> renderer;
};

} // namespace VQ
