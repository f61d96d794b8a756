#include "vqframework/graphics/Font.h"

#include "tests/vqframework/application/FakeApplicationServices.h"
#include "vqframework/graphics/MeasurementRenderer.h"

#include <gtest/gtest.h>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;

// Fonts live in the process-wide registry for the rest of the run, so a test that needs an
// unmeasured font asks for a family name nobody used before, even when the tests are repeated.
RCPtr<LFont> FreshFont()
{
    static int serial = 0;
    return LFont::GetFont(String::Format(u"Fresh Face %d", ++serial), 10.0f, 0);
}

TEST(FontTest, NamesThatDifferOnlyInCaseShareOneFont)
{
    const RCPtr<LFont> first = LFont::GetFont(u"Arial", 10.0f, 0);
    const RCPtr<LFont> second = LFont::GetFont(u"ARIAL", 10.0f, 0);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(first->GetName() == u"Arial");
    EXPECT_EQ(LFont::GetFont(String(u"arial").Copy(), 10.0f, 0), first) << "another buffer, same text";
}

TEST(FontTest, OnlyAsciiLettersAreFoldedInNames)
{
    EXPECT_NE(LFont::GetFont(u"\u00C4rial", 10.0f, 0), LFont::GetFont(u"\u00E4rial", 10.0f, 0));
}

TEST(FontTest, EachNewIdentityGetsTheNextUniqueID)
{
    const RCPtr<LFont> ten = LFont::GetFont(u"Size Face", 10.0f, 0);
    const RCPtr<LFont> tenAndAHalf = LFont::GetFont(u"Size Face", 10.5f, 0);
    EXPECT_NE(ten, tenAndAHalf);
    EXPECT_GT(ten->GetUniqueID(), 0);
    EXPECT_EQ(tenAndAHalf->GetUniqueID(), ten->GetUniqueID() + 1);
    EXPECT_FLOAT_EQ(tenAndAHalf->GetSize(), 10.5f);

    const RCPtr<LFont> again = LFont::GetFont(u"Size Face", 10.0f, 0);
    EXPECT_EQ(again, ten);
    EXPECT_EQ(again->GetUniqueID(), ten->GetUniqueID()) << "a found font keeps its id";
}

TEST(FontTest, SizesMatchOnlyExactly)
{
    const RCPtr<LFont> font = LFont::GetFont(u"Exact Face", 12.0f, 0);
    EXPECT_NE(LFont::GetFont(u"Exact Face", 12.000001f, 0), font);
}

TEST(FontTest, EachStyleIsAFontOfItsOwn)
{
    const RCPtr<LFont> regular = LFont::GetFont(u"Style Face", 9.0f, 0);
    const RCPtr<LFont> bold = LFont::GetFont(u"Style Face", 9.0f, LFont::Bold);
    const RCPtr<LFont> boldItalic = LFont::GetFont(u"Style Face", 9.0f, LFont::Bold | LFont::Italic);
    EXPECT_NE(regular, bold);
    EXPECT_NE(bold, boldItalic);
    EXPECT_EQ(boldItalic->GetStyle(), 3);
    EXPECT_EQ(LFont::GetFont(u"STYLE FACE", 9.0f, LFont::Bold), bold);
}

TEST(FontTest, NotEqualWhenNameSizeOrStyleDiffers)
{
    const RCPtr<LFont> font = LFont::GetFont(u"Compare Face", 8.0f, 0);
    EXPECT_FALSE(*font != *LFont::GetFont(u"COMPARE FACE", 8.0f, 0)) << "the registry gave the same font";
    EXPECT_TRUE(*font != *LFont::GetFont(u"Compare Face 2", 8.0f, 0));
    EXPECT_TRUE(*font != *LFont::GetFont(u"Compare Face", 8.5f, 0));
    EXPECT_TRUE(*font != *LFont::GetFont(u"Compare Face", 8.0f, LFont::Underline));
}

// Measures every font alike and counts the measurements; a failing one scribbles on its outputs
// first.
class CountingRenderer : public LMeasurementRenderer {
public:
    VQRESULT GetFontMetrics(const ConstRCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                            int32_t& descent) override
    {
        ++measurements;
        lastFont = font;
        if (fail) {
            lineHeight = 99;
            ascent = -99;
            descent = 99;
            return E_FAIL;
        }
        lineHeight = 17;
        ascent = -13;
        descent = 4;
        return S_OK;
    }
    RectT<float> MeasureString(const String&, const ConstRCPtr<LFont>&) override { return {}; }

    int measurements = 0;
    bool fail = false;
    ConstRCPtr<LFont> lastFont;
};

class FontMetricsTest : public testing::Test {
protected:
    void SetUp() override { application.measurementRenderer = renderer; }

    test::FakeApplicationServices application;
    RCPtr<CountingRenderer> renderer{new CountingRenderer()};
};

TEST_F(FontMetricsTest, AscentMeasuresOnceAndTheOtherMetricsShareTheMeasurement)
{
    const RCPtr<LFont> font = FreshFont();
    EXPECT_EQ(font->GetAscent(), -13);
    EXPECT_EQ(renderer->measurements, 1);
    EXPECT_EQ(renderer->lastFont, font);
    EXPECT_EQ(font->GetAscent(), -13);
    EXPECT_EQ(font->GetDescent(), 4);
    EXPECT_EQ(font->GetLineHeight(), 17);
    EXPECT_EQ(renderer->measurements, 1);
}

TEST_F(FontMetricsTest, DescentOrLineHeightFirstMeasureOnceToo)
{
    const RCPtr<LFont> descentFirst = FreshFont();
    EXPECT_EQ(descentFirst->GetDescent(), 4);
    EXPECT_EQ(descentFirst->GetLineHeight(), 17);
    EXPECT_EQ(renderer->measurements, 1);

    const RCPtr<LFont> lineHeightFirst = FreshFont();
    EXPECT_EQ(lineHeightFirst->GetLineHeight(), 17);
    EXPECT_EQ(lineHeightFirst->GetLineHeight(), 17);
    EXPECT_EQ(lineHeightFirst->GetAscent(), -13);
    EXPECT_EQ(renderer->measurements, 2);
}

TEST_F(FontMetricsTest, MeasuredMetricsAreNeverRefreshed)
{
    const RCPtr<LFont> font = FreshFont();
    EXPECT_EQ(font->GetLineHeight(), 17);
    renderer->fail = true;
    EXPECT_EQ(font->GetLineHeight(), 17);
    EXPECT_EQ(font->GetAscent(), -13);
    EXPECT_EQ(renderer->measurements, 1);
}

TEST_F(FontMetricsTest, WithoutARendererMetricsAreZeroUntilOneExists)
{
    application.measurementRenderer = nullptr;
    const RCPtr<LFont> font = FreshFont();
    EXPECT_EQ(font->GetLineHeight(), 0);
    EXPECT_EQ(font->GetAscent(), 0);
    EXPECT_EQ(font->GetDescent(), 0);

    application.measurementRenderer = renderer;
    EXPECT_EQ(font->GetAscent(), -13);
    EXPECT_EQ(font->GetDescent(), 4);
    EXPECT_EQ(font->GetLineHeight(), 17);
    EXPECT_EQ(renderer->measurements, 1);
}

TEST_F(FontMetricsTest, AFailedMeasurementGivesZeroAndIsTriedAgain)
{
    renderer->fail = true;
    const RCPtr<LFont> font = FreshFont();
    EXPECT_EQ(font->GetLineHeight(), 0);
    EXPECT_EQ(font->GetAscent(), 0) << "nothing the failing renderer wrote is kept";
    EXPECT_EQ(font->GetDescent(), 0);
    EXPECT_EQ(renderer->measurements, 3);

    renderer->fail = false;
    EXPECT_EQ(font->GetDescent(), 4);
    EXPECT_EQ(font->GetLineHeight(), 17);
    EXPECT_EQ(renderer->measurements, 4);
}

TEST(FontTest, WithoutApplicationServicesMetricsAreZeroUntilTheyExist)
{
    ASSERT_EQ(GetApplicationServices(), nullptr);
    const RCPtr<LFont> font = FreshFont();
    EXPECT_EQ(font->GetAscent(), 0);
    EXPECT_EQ(font->GetLineHeight(), 0);

    test::FakeApplicationServices application;
    const RCPtr<CountingRenderer> renderer(new CountingRenderer());
    application.measurementRenderer = renderer;
    EXPECT_EQ(font->GetLineHeight(), 17);
    EXPECT_EQ(renderer->measurements, 1);
}

} // namespace
} // namespace VQ
