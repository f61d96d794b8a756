// Text through the Cairo-drawn back end: font metrics by the line-height rules on the face's design
// metrics, measured boxes checked by relations, and ink staying inside the measured box.
#include "GDIRendererTestSupport.h"

#include "platform/drawing/FontFace.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;
using GDIRendererText = GDIRendererTest;

struct Metrics {
    int32_t lineHeight = 0;
    int32_t ascent = 0;
    int32_t descent = 0;
    bool operator==(const Metrics&) const = default;
};

void PrintTo(const Metrics& m, std::ostream* out)
{
    *out << "(" << m.lineHeight << ", " << m.ascent << ", " << m.descent << ")";
}

// The size taken as an em in pixels, in single precision, rounded half away from zero.
Metrics Expected(const Platform::FontDesignMetrics& design, float size)
{
    const float em = static_cast<float>(design.unitsPerEm);
    const float height = size * static_cast<float>(design.lineSpacing) / em;
    return {static_cast<int32_t>(std::round(height * 96.0f / 72.0f + 0.499f)),
            static_cast<int32_t>(std::round(static_cast<float>(design.cellAscent) * size * -96.0f / (em * 72.0f) - 0.499f)),
            static_cast<int32_t>(std::round(static_cast<float>(design.cellDescent) * size * 96.0f / (em * 72.0f) + 0.499f))};
}

RCPtr<LFont> FontOf(const char* family, float size, int32_t style)
{
    String name;
    name.AssignUTF8(family, -1);
    return LFont::GetFont(name, size, style);
}

Metrics Measure(LGDIRenderer& renderer, const RCPtr<LFont>& font)
{
    Metrics m;
    EXPECT_EQ(S_OK, renderer.GetFontMetrics(font, m.lineHeight, m.ascent, m.descent));
    return m;
}

TEST_F(GDIRendererText, FontMetricsFollowTheLineHeightRulesOnTheFacesDesignMetrics)
{
    struct Case {
        const char* family;
        float size;
        int32_t style;
    };
    const Case cases[] = {
        {"Arial", 10.0f, 0}, {"Arial", 8.0f, 0}, {"Arial", 12.5f, 0}, {"Arial", 10.0f, LFont::Bold},
        {"Arial", 10.0f, LFont::Italic | LFont::Underline},
        // An unknown family falls back to the substitute drawing uses.
        {"No Such Family Anywhere", 10.0f, 0},
    };
    for (const Case& c : cases) {
        const auto face = Platform::FontFace::Find(c.family, c.style);
        ASSERT_TRUE(face) << c.family;
        const Metrics m = Measure(*renderer, FontOf(c.family, c.size, c.style));
        EXPECT_EQ(Expected(face->GetDesignMetrics(), c.size), m) << c.family << " " << c.size << " " << c.style;
        EXPECT_GT(m.lineHeight, 0) << c.family;
        EXPECT_LT(m.ascent, 0) << c.family;
        EXPECT_GT(m.descent, 0) << c.family;
        EXPECT_GE(m.lineHeight, m.descent - m.ascent - 1) << c.family;
    }

    // The metric-compatible face "Arial" resolves to has 2048 units, 1854 up, 434 down, 2355 apart.
    const Platform::FontDesignMetrics& arial = Platform::FontFace::Find("Arial", 0)->GetDesignMetrics();
    if (arial.unitsPerEm == 2048 && arial.cellAscent == 1854 && arial.cellDescent == 434 && arial.lineSpacing == 2355) {
        EXPECT_EQ((Metrics{16, -13, 3}), Measure(*renderer, LFont::GetFont(u"Arial", 10.0f, 0)));
    }
}

TEST_F(GDIRendererText, FontsMeasureThroughTheRendererInstalledForMeasuring)
{
    app.measurementRenderer = renderer;
    const RCPtr<LFont> font = LFont::GetFont(u"Arial", 13.25f, LFont::Bold);
    const Metrics m = Measure(*renderer, font);
    EXPECT_EQ(m.lineHeight, font->GetLineHeight());
    EXPECT_EQ(m.ascent, font->GetAscent());
    EXPECT_EQ(m.descent, font->GetDescent());
    EXPECT_GT(font->GetLineHeight(), 0);
}

// The metric rules on fixed design metrics (2048 units, ascent 1854, descent 434, spacing 2355).
TEST(GDIRendererMetricRules, GiveTheLineHeightAscentAndDescentOfEachSize)
{
    const Platform::FontDesignMetrics design{2048, 1854, 434, 2355};
    const struct {
        float size;
        Metrics expected;
    } cases[] = {{9, {14, -11, 3}}, {10, {16, -13, 3}}, {12, {19, -15, 4}}};
    for (const auto& c : cases) {
        Metrics got;
        EXPECT_EQ(S_OK, LGDIRenderer::ComputeFontMetrics(design, c.size, got.lineHeight, got.ascent, got.descent));
        EXPECT_EQ(c.expected, got) << c.size;
    }
    for (float size : {0.0f, -10.0f, std::nanf(""), 1e12f}) {
        Metrics untouched{7, 7, 7};
        EXPECT_EQ(E_INVALIDARG, LGDIRenderer::ComputeFontMetrics(design, size, untouched.lineHeight,
                                                                 untouched.ascent, untouched.descent));
        EXPECT_EQ((Metrics{7, 7, 7}), untouched) << size;
    }
    Metrics untouched;
    EXPECT_EQ(E_FAIL, LGDIRenderer::ComputeFontMetrics({0, 1854, 434, 2355}, 10, untouched.lineHeight,
                                                       untouched.ascent, untouched.descent));
}

TEST(GDIRendererMetricRules, MeasuredWidthRoundsTheRightEdgeUpAndAddsThree)
{
    const struct {
        float right;
        int32_t width;
    } cases[] = {{40.2f, 44}, {40.0f, 43}, {0.5f, 4}, {0.0f, 0}, {-3.0f, 0}, {0.00001f, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.width, LGDIRenderer::MeasuredWidth(c.right)) << c.right;
}

// Sizes that cannot be drawn measure nothing.
TEST_F(GDIRendererText, UndrawableSizesMeasureNothing)
{
    for (float size : {0.0f, -10.0f, std::nanf(""), 1e12f})
        EXPECT_EQ((RectT<float>{}), renderer->MeasureString(u"abc", FontOf("Arial", size, 0))) << size;
}

TEST_F(GDIRendererText, MeasuredBoxIsTheAdvanceRoundedUpPlusThreeAtTheAscent)
{
    const RCPtr<LFont> font = LFont::GetFont(u"Arial", 10.0f, 0);
    const Metrics m = Measure(*renderer, font);
    const double advance = Platform::FontFace::Find("Arial", 0)->MeasureAdvance("Hello", 10.0 * 96.0 / 72.0);
    ASSERT_GT(advance, 0);

    const RectT<float> box = renderer->MeasureString(u"Hello", font);
    EXPECT_EQ(0.0f, box.x);
    EXPECT_EQ(static_cast<float>(m.ascent), box.y);
    EXPECT_EQ(static_cast<float>(m.lineHeight), box.height);
    EXPECT_EQ(std::trunc(box.width), box.width) << "whole pixels";
    // At least the pen advance rounded up, plus 3; any layout padding stays below a third of an em.
    EXPECT_GE(box.width - 3, std::ceil(advance - 0.0001));
    EXPECT_LE(box.width - 3, std::ceil(advance + 10.0 * 96.0 / 72.0 / 3.0));

    EXPECT_EQ((RectT<float>{0, 0, 0, 0}), renderer->MeasureString(u"", font));
    EXPECT_EQ((RectT<float>{0, 0, 0, 0}), renderer->MeasureString(u"Hello", nullptr));
}

TEST_F(GDIRendererText, MeasuredWidthsKeepTheirOrder)
{
    struct Case {
        const char* what;
        const char16_t* narrow;
        int32_t narrowStyle;
        const char16_t* wide;
        int32_t wideStyle;
        bool strictly;
    };
    const Case cases[] = {
        {"longer text", u"Hello", 0, u"Hello world", 0, true},
        {"trailing blank", u"Hello", 0, u"Hello ", 0, true},
        {"wide letters", u"iiii", 0, u"WWWW", 0, true},
        {"bold", u"Hello world", 0, u"Hello world", LFont::Bold, false},
    };
    for (const Case& c : cases) {
        const float narrow = renderer->MeasureString(c.narrow, LFont::GetFont(u"Arial", 10.0f, c.narrowStyle)).width;
        const float wide = renderer->MeasureString(c.wide, LFont::GetFont(u"Arial", 10.0f, c.wideStyle)).width;
        if (c.strictly)
            EXPECT_LT(narrow, wide) << c.what;
        else
            EXPECT_LE(narrow, wide) << c.what;
        EXPECT_GT(narrow, 3.0f) << c.what;
    }
}

// The bounds of the pixels that differ from transparent; false when there are none.
bool InkBounds(Platform::DrawingSurface& surface, RectT<int32_t>& bounds)
{
    int32_t left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int32_t y = 0; y < surface.GetHeight(); ++y)
        for (int32_t x = 0; x < surface.GetWidth(); ++x)
            if (surface.GetPixel(x, y) != 0) {
                left = std::min(left, x);
                top = std::min(top, y);
                right = std::max(right, x + 1);
                bottom = std::max(bottom, y + 1);
            }
    bounds = {left, top, right - left, bottom - top};
    return right > left;
}

TEST_F(GDIRendererText, InkLiesInTheMeasuredBoxLaidOutOnePixelAboveTheOrigin)
{
    struct Case {
        const char* family;
        const char16_t* text;
        int32_t style;
    };
    const Case cases[] = {
        {"Arial", u"Hxgjy", 0},
        {"Arial", u"Hxgjy", LFont::Bold | LFont::Italic},
        {"Arial", u"Hxgjy", LFont::Underline | LFont::Strikeout},
        {"No Such Family Anywhere", u"Hxgjy", 0},
    };
    for (const Case& c : cases) {
        const RCPtr<LFont> font = FontOf(c.family, 12.0f, c.style);
        const RectT<float> box = renderer->MeasureString(c.text, font);
        const Metrics m = Measure(*renderer, font);
        const PointT<int32_t> origin{10, 20};

        RCPtr<LRenderContextInfo> context = MakeContext(120, 60);
        Start(context);
        renderer->DrawString(c.text, font, origin, Colour(0xFF000000));
        RectT<int32_t> ink;
        ASSERT_TRUE(InkBounds(SurfaceOf(context), ink)) << c.family << " " << c.style << ": no ink";
        EXPECT_GE(ink.x, origin.x) << c.family << " " << c.style;
        EXPECT_LE(ink.x + ink.width, origin.x + static_cast<int32_t>(box.width)) << c.family << " " << c.style;
        EXPECT_GE(ink.y, origin.y - 1) << c.family << " " << c.style;
        EXPECT_LE(ink.y + ink.height, origin.y - 1 + m.lineHeight) << c.family << " " << c.style;
        // The capital's top lies near the cell's top, not far below the origin.
        EXPECT_LT(ink.y, origin.y - 1 + m.lineHeight / 2) << c.family << " " << c.style;
        renderer->RenderFinish(context);
    }
}

TEST_F(GDIRendererText, TextMovesWholeWithItsOriginAndTheContextsOffset)
{
    const RCPtr<LFont> font = LFont::GetFont(u"Arial", 10.0f, 0);
    RectT<int32_t> bounds[3];
    const PointT<int32_t> origins[] = {{10, 20}, {31, 27}, {10, 20}};
    for (int i = 0; i < 3; ++i) {
        RCPtr<LRenderContextInfo> context = MakeContext(120, 60);
        Start(context);
        if (i == 2)
            renderer->PushClip({21, 7, 200, 200}, {0, 0, 200, 200}, nullptr, true);
        renderer->DrawString(u"Shift", font, origins[i], Colour(0xFF000000));
        ASSERT_TRUE(InkBounds(SurfaceOf(context), bounds[i]));
        if (i == 2)
            renderer->PopState();
        renderer->RenderFinish(context);
    }
    EXPECT_EQ(bounds[0].x + 21, bounds[1].x);
    EXPECT_EQ(bounds[0].y + 7, bounds[1].y);
    EXPECT_EQ(bounds[0].width, bounds[1].width);
    EXPECT_EQ(bounds[0].height, bounds[1].height);
    EXPECT_EQ(bounds[1], bounds[2]) << "through the pushed origin";
}

} // namespace
} // namespace VQ
