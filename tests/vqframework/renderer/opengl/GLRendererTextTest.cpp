// Text through the whole OpenGL back end as the renderer factory makes it: FreeType glyphs from the
// font catalogue, drawn from the glyph atlas.
#include "tests/vqframework/renderer/opengl/GLRendererTestSupport.h"

namespace VQ {
namespace {

class GLRendererText : public testing::Test {
protected:
    void SetUp() override
    {
        try {
            renderer = LRenderer::Create(LRenderer::OpenGL, {0, 0, 160, 40}, nullptr);
        } catch (const std::exception& error) {
            GTEST_SKIP() << "no OpenGL context can be made here: " << error.what();
        }
        // Fonts take their ascent from the application's measuring renderer.
        app.measurementRenderer = renderer;
    }

    test::FakeApplicationServices app;
    RCPtr<LRenderer> renderer;
};

TEST_F(GLRendererText, FactoryMakesTheOpenGLBackEndWithFreetypeText)
{
    EXPECT_EQ(LRenderer::OpenGL, renderer->GetRendererType());
    const ConstRCPtr<LFont> font = LFont::GetFont(u"Liberation Sans", 12.0f, 0);
    int32_t lineHeight = 0, ascent = 0, descent = 0;
    ASSERT_EQ(S_OK, renderer->GetFontMetrics(font, lineHeight, ascent, descent));
    EXPECT_LT(ascent, 0) << "above the baseline";
    EXPECT_GT(descent, 0);
    EXPECT_GE(lineHeight, descent - ascent);
    EXPECT_LT(renderer->MeasureString(u"Hi", font).width, renderer->MeasureString(u"Hi there", font).width);
}

// The line's top lies at the origin, so the baseline is the font's ascent below it.
TEST_F(GLRendererText, InkLiesInsideTheMeasuredBoxBelowTheOrigin)
{
    const ConstRCPtr<LFont> font = LFont::GetFont(u"Liberation Sans", 16.0f, 0);
    const StringT<char16_t, char> text(u"Ink jog");
    const RectT<float> measured = renderer->MeasureString(text, font);
    ASSERT_GT(measured.width, 10);
    const PointT<int32_t> origin{20, 6};
    const float left = float(origin.x) + measured.x;
    const float top = float(origin.y - font->GetAscent()) + measured.y;

    RCPtr<LRenderContextInfo> context;
    ASSERT_EQ(S_OK, renderer->InitRenderContextInfo({0, 0, 160, 40}, nullptr, true, context));
    context->GetRegion().AddRect(0, 0, 160, 40);
    renderer->RenderStart(context);
    RGBAColor red;
    red.SetARGB(0xFFFF0000);
    renderer->DrawString(text, font, origin, red);
    const FramePixels frame = ReadFrame(160, 40);
    renderer->RenderFinish(context);

    int32_t inside = 0, outside = 0;
    for (int32_t y = 0; y < frame.height; ++y) {
        for (int32_t x = 0; x < frame.width; ++x) {
            const uint32_t pixel = frame.At(x, y);
            if ((pixel >> 24) == 0)
                continue;
            EXPECT_EQ(0u, pixel & 0x0000FFFF) << "only red ink, at " << x << ", " << y;
            const bool within = x >= left && x < left + measured.width && y >= top && y < top + measured.height;
            (within ? inside : outside) += 1;
        }
    }
    EXPECT_GT(inside, 40);
    EXPECT_EQ(0, outside);
}

} // namespace
} // namespace VQ
