#include "vqframework/renderer/fontrenderer/FreetypeFontRenderer.h"
#include "vqframework/renderer/fontrenderer/GLGlyphRenderer.h"

#include <gtest/gtest.h>

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <vector>

// Upload and drawing against Mesa's software GL: a surfaceless EGL context of our own drawing into
// a framebuffer object, so no display is needed.
namespace VQ {
namespace {

constexpr int32_t TargetWidth = 256;
constexpr int32_t TargetHeight = 64;

class GLGlyphDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_display = Display();
        if (m_display == EGL_NO_DISPLAY)
            GTEST_SKIP() << "no surfaceless EGL display (Mesa's EGL is not installed)";
        const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                           EGL_NONE};
        EGLConfig config = nullptr;
        EGLint configs = 0;
        if (!eglBindAPI(EGL_OPENGL_API) || !eglChooseConfig(m_display, configAttributes, &config, 1, &configs) ||
            configs < 1)
            GTEST_SKIP() << "EGL offers no desktop OpenGL config";
        m_context = eglCreateContext(m_display, config, EGL_NO_CONTEXT, nullptr);
        if (m_context == EGL_NO_CONTEXT || !eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context))
            GTEST_SKIP() << "EGL cannot make a surfaceless OpenGL context current";

        glGenRenderbuffers(1, &m_colour);
        glBindRenderbuffer(GL_RENDERBUFFER, m_colour);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, TargetWidth, TargetHeight);
        glGenFramebuffers(1, &m_framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colour);
        ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
        // y grows downward from the top, one unit a pixel, as the renderer sets it up.
        glViewport(0, 0, TargetWidth, TargetHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, TargetWidth, TargetHeight, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glColor4f(1, 1, 1, 1);
    }

    void TearDown() override
    {
        if (m_context != EGL_NO_CONTEXT) {
            glDeleteFramebuffers(1, &m_framebuffer);
            glDeleteRenderbuffers(1, &m_colour);
            eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            eglDestroyContext(m_display, m_context);
        }
    }

    // Top-down rows of the target's red channel.
    static std::vector<unsigned char> ReadRed()
    {
        std::vector<unsigned char> rgba(size_t(TargetWidth) * TargetHeight * 4);
        glReadPixels(0, 0, TargetWidth, TargetHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        std::vector<unsigned char> red(size_t(TargetWidth) * TargetHeight);
        for (int32_t y = 0; y < TargetHeight; ++y)
            for (int32_t x = 0; x < TargetWidth; ++x)
                red[size_t(y) * TargetWidth + size_t(x)] = rgba[(size_t(TargetHeight - 1 - y) * TargetWidth + size_t(x)) * 4];
        return red;
    }

    // Initialised once and kept for the process: ending it leaves the driver's blocks unreachable.
    static EGLDisplay Display()
    {
        static const EGLDisplay display = [] {
            EGLDisplay made = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
            return made != EGL_NO_DISPLAY && eglInitialize(made, nullptr, nullptr) ? made : EGL_NO_DISPLAY;
        }();
        return display;
    }

    EGLDisplay m_display = EGL_NO_DISPLAY;
    EGLContext m_context = EGL_NO_CONTEXT;
    GLuint m_framebuffer = 0;
    GLuint m_colour = 0;
};

TEST_F(GLGlyphDrawTest, DrawingUploadsTheAtlasWholeAndCleansIt)
{
    RCPtr<LGLGlyphRenderer> sink = LGLGlyphRenderer::Create();
    const ConstRCPtr<LFont> font(LFont::GetFont(u"Atlas Draw Sans", 9.0f, 0));
    sink->BeginString(font, LGlyphProcessor::DrawFlags);
    LGLGlyphRenderer::LCachedFont* cached = sink->PeekCachedFont(font->GetUniqueID());
    ASSERT_NE(cached, nullptr);
    EXPECT_TRUE(cached->HasTexture());
    EXPECT_EQ(cached->GetDirtyRect(), (RectT<float>{}));
    EXPECT_EQ(cached->GetImageWidth(), 512);
    EXPECT_EQ(cached->GetImageHeight(), 16);

    SGlyphInfo glyph;
    glyph.charCode = u'#';
    glyph.box = {0, -4, 3, 0};
    glyph.advance = 4 * 64;
    glyph.glyphIndex = 5;
    glyph.image = RCPtr<LPixelBuffer<unsigned char>>(new LPixelBuffer<unsigned char>(3, 4, 0));
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 3; ++x)
            *glyph.image->GetPixel(x, y) = 255;
    glyph.penX = 10;
    ASSERT_EQ(sink->FindGlyph(glyph), LGlyphProcessor::GlyphUnknown);
    sink->AddGlyph(glyph);
    EXPECT_EQ(cached->GetDirtyRect(), (RectT<float>{})) << "flag 4 uploads at once";

    std::vector<unsigned char> texture(512 * 16);
    glBindTexture(GL_TEXTURE_2D, cached->GetName());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texture.data());
    EXPECT_EQ(texture[1 * 512 + 1], 255);
    EXPECT_EQ(texture[4 * 512 + 3], 255);
    EXPECT_EQ(texture[5 * 512 + 1], 0);
    sink->EndString();
}

TEST_F(GLGlyphDrawTest, TextInkLiesInsideTheMeasuredBox)
{
    RCPtr<LGLGlyphRenderer> sink = LGLGlyphRenderer::Create();
    RCPtr<LFreetypeFontRenderer> renderer = LFreetypeFontRenderer::Create(sink, sink);
    const ConstRCPtr<LFont> font(LFont::GetFont(u"Liberation Sans", 16.0f, 0));
    const StringT<char16_t, char> text(u"Ink jog");
    const RectT<float> measured = renderer->MeasureString(text, font);
    ASSERT_GT(measured.width, 10);

    // Pen y moved down so that the baseline lies at y = 40: the text's top is the font's ascent
    // (0 without a measuring renderer) minus pen y.
    glPushMatrix();
    glTranslatef(20, 40, 0);
    EXPECT_EQ(renderer->RenderString(text, font, sink, 0, 0, LGlyphProcessor::DrawFlags), text.GetLength());
    glPopMatrix();
    const std::vector<unsigned char> red = ReadRed();
    int32_t inside = 0, outside = 0;
    for (int32_t y = 0; y < TargetHeight; ++y)
        for (int32_t x = 0; x < TargetWidth; ++x) {
            if (red[size_t(y) * TargetWidth + size_t(x)] == 0)
                continue;
            const float left = 20 + measured.x, top = 40 + measured.y;
            const bool within = x >= left && x < left + measured.width && y >= top && y < top + measured.height;
            (within ? inside : outside) += 1;
        }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
}

} // namespace
} // namespace VQ
