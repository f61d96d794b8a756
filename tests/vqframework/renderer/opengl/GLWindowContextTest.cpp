// The window context: an SDL window made with an OpenGL surface under the test's own X server
// (Xvfb, whose GLX is Mesa's), drawn through the renderer and read back from its back buffer.
#include "GLRendererTestSupport.h"

#include "tests/support/LeakCheckPause.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/XvfbDisplay.h"
#include "vqframework/objectbase/Exception.h"

#include <SDL.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace VQ {
namespace {

using ::testing::MatchesRegex;

// The X and GLX client libraries behind an SDL window keep a few blocks past SDL_Quit, reached
// only through code without frame pointers, so no suppression can name them. They come from GL
// calls in the frames too, not only from SDL's, so the whole window test is left out of the leak
// check; the renderer's own code is leak-checked by the offscreen tests.

class SdlGLTarget : public Platform::IPresentTarget {
public:
    explicit SdlGLTarget(SDL_Window* window) : m_window(window) {}
    bool Present(const Platform::PixelView&, int32_t, int32_t, int32_t, int32_t) override { return false; }
    SDL_Window* GetGLWindow() override { return m_window; }

private:
    SDL_Window* m_window;
};

TEST(GLWindowContext, DrawsIntoAnSdlWindowsGLSurface)
{
    test::XvfbDisplay display;
    if (display.IsMissing())
        GTEST_SKIP() << display.Problem();
    ASSERT_TRUE(display.IsRunning()) << display.Problem();
    test::ScopedEnvironmentVariable driver("SDL_VIDEODRIVER", "x11");
    // No session bus: SDL's video subsystem would open one and keep it for the life of the process.
    test::ScopedEnvironmentVariable bus("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    const test::LeakCheckPause pause;
    ASSERT_EQ(0, SDL_InitSubSystem(SDL_INIT_VIDEO)) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("GL", 0, 0, 64, 48, SDL_WINDOW_OPENGL);
    if (window == nullptr) {
        const std::string problem = SDL_GetError();
        SDL_Quit();
        GTEST_SKIP() << "no OpenGL window can be made here: " << problem;
    }
    {
        test::FakeApplicationServices app;
        SdlGLTarget target(window);
        RCPtr<LGLRenderer> renderer = LGLRenderer::Create({}, &target);
        EXPECT_TRUE(app.messageBoxes.empty());
        EXPECT_TRUE(renderer->IsDoubleBuffered());

        RCPtr<LRenderContextInfo> context;
        ASSERT_EQ(S_OK, renderer->InitRenderContextInfo({0, 0, 64, 48}, &target, false, context));
        RCPtr<LRenderContextInfo> cache;
        ASSERT_EQ(S_OK, renderer->InitRenderContextInfo({0, 0, 8, 8}, &target, true, cache));
        EXPECT_FALSE(RCPtrDynamicCast<LGLRenderContextInfo>(context)->IsFramebufferBacked());
        EXPECT_TRUE(RCPtrDynamicCast<LGLRenderContextInfo>(cache)->IsFramebufferBacked());

        for (int pass = 0; pass < 2; ++pass) {
            context->GetRegion().AddRect(0, 0, 64, 48);
            renderer->RenderStart(context);
            renderer->FillRect({0, 0, 64, 48}, RGBAColor{0, 0, 0, 1}, false);
            renderer->FillRect({4, 6, 20, 10}, RGBAColor{1, 0, 0, 1}, true);
            renderer->FrameRect({30, 20, 10, 10}, RGBAColor{0, 1, 0, 1}, 1.0f);
            // An offscreen frame inside the window's gives the window's surface back when it ends.
            cache->GetRegion().AddRect(0, 0, 8, 8);
            renderer->RenderStart(cache);
            renderer->FillRect({0, 0, 8, 8}, RGBAColor{0, 0, 1, 1}, true);
            renderer->RenderFinish(cache);
            EXPECT_EQ(S_OK, renderer->DrawRenderContext(cache, {50, 2}, {0, 0, 8, 8}));
            glReadBuffer(GL_BACK);
            const FramePixels frame = ReadFrame(64, 48);
            renderer->RenderFinish(context);
            EXPECT_EQ(0xFFFF0000u, frame.At(4, 6)) << "pass " << pass;
            EXPECT_EQ(0xFFFF0000u, frame.At(23, 15)) << "pass " << pass;
            EXPECT_EQ(0xFF000000u, frame.At(24, 15)) << "pass " << pass;
            EXPECT_EQ(0xFF00FF00u, frame.At(30, 20)) << "pass " << pass;
            EXPECT_EQ(0xFF00FF00u, frame.At(40, 25)) << "pass " << pass;
            EXPECT_EQ(0xFF000000u, frame.At(35, 25)) << "pass " << pass;
            EXPECT_EQ(0xFF0000FFu, frame.At(50, 2)) << "pass " << pass;
            EXPECT_EQ(0xFF0000FFu, frame.At(57, 9)) << "pass " << pass;
        }
        // Another window without an OpenGL surface cannot be a window context of this renderer.
        class PixelsOnly : public Platform::IPresentTarget {
        public:
            bool Present(const Platform::PixelView&, int32_t, int32_t, int32_t, int32_t) override { return true; }
        } pixelsOnly;
        RCPtr<LRenderContextInfo> refused;
        try {
            (void)renderer->InitRenderContextInfo({0, 0, 8, 8}, &pixelsOnly, false, refused);
            ADD_FAILURE() << "no exception for a window without an OpenGL surface";
        } catch (const Exception<std::runtime_error>& error) {
            EXPECT_THAT(error.what(), MatchesRegex("Runtime Error : VQ::LGLRenderer::InitRenderContextInfo : "
                                                   ".*GLRenderer.cpp : Line [0-9]+"));
        }
        ASSERT_EQ(1u, app.messageBoxes.size());
        EXPECT_EQ("OpenGL Error", app.messageBoxes[0].caption);
    }
    SDL_DestroyWindow(window);
    // All of SDL: the video subsystem alone keeps its session-bus connection.
    SDL_Quit();
}

} // namespace
} // namespace VQ
