#include "vqframework/controlbase/FontText.h"

#include "FakeMeasurementRenderer.h"
#include "tests/vqframework/application/FakeApplicationServices.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace VQ {
namespace {

using String = LFontText::String;

std::string Utf8(const String& text)
{
    std::string out;
    text.ToUTF8(out);
    return out;
}

class FontTextTest : public testing::Test {
protected:
    void SetUp() override { application.measurementRenderer = renderer; }

    RCPtr<LFontText> Block(const char16_t* text, bool wrap, int32_t width, int32_t height)
    {
        RCPtr<LFontText> block = LFontText::Create(text, font);
        block->SetWrap(wrap);
        block->SetSize(width, height);
        return block;
    }

    static std::vector<std::string> Lines(LFontText& block)
    {
        std::vector<std::string> lines;
        const int32_t count = block.GetLineCount();
        for (int32_t index = 0; index < count; ++index)
            lines.push_back(Utf8(block.GetLine(index)));
        return lines;
    }

    test::FakeApplicationServices application;
    RCPtr<test::FakeMeasurementRenderer> renderer{new test::FakeMeasurementRenderer()};
    RCPtr<LFont> font = LFont::GetFont(u"Text Block Face", 10.0f, 0);
};

TEST_F(FontTextTest, LinesSplitAtLineFeedsOrWrapToTheWidth)
{
    struct Case {
        const char16_t* text;
        bool wrap;
        int32_t width;
        std::vector<std::string> lines;
    };
    for (const Case& c : {
             Case{u"one\ntwo", false, 0, {"one", "two"}},
             Case{u"one\n", false, 0, {"one"}},
             Case{u"", false, 0, {""}},
             Case{u"a\n\nb", false, 0, {"a", "", "b"}},
             Case{u"one two three", false, 10, {"one two three"}},
             Case{u"one two three", true, 75, {"one two", "three"}},
             Case{u"one two\nthree", true, 35, {"one", "two", "three"}},
             Case{u"well-known fact", true, 60, {"well-", "known", "fact"}},
             Case{u"unbreakable", true, 30, {"unbreakable"}},
             Case{u"trailing-", true, 30, {"trailing-"}},
             Case{u"a\n\nb", true, 100, {"a", "", "b"}},
             Case{u"", true, 100, {""}},
         }) {
        SCOPED_TRACE(Utf8(c.text) + (c.wrap ? " wrapped" : ""));
        const RCPtr<LFontText> block = Block(c.text, c.wrap, c.width, 100);
        EXPECT_EQ(Lines(*block), c.lines);
    }
}

TEST_F(FontTextTest, FitCountTestsTheWholeTextStrictlyAndItsPartsInclusively)
{
    struct Case {
        const char16_t* text;
        int32_t width;
        int32_t count;
    };
    const RCPtr<LFontText> block = Block(u"", true, 0, 0);
    for (const Case& c : {
             Case{u"one two", 71, 7},
             Case{u"one two", 70, 3},        // the whole text exactly as wide is not enough
             Case{u"one two three", 70, 7},  // a part exactly as wide fits
             Case{u"one two three", 69, 3},
             Case{u"well-known", 50, 5},
             Case{u"well-known", 49, 5},     // nothing fits: the break after the hyphen still holds
             Case{u"a well-known", 70, 7},   // the hyphen after the last blank breaks later
             Case{u"a well-known", 60, 1},
             Case{u" lead", 20, 5},          // a blank at the start is no break
             Case{u"", 0, 0},
         }) {
        SCOPED_TRACE(Utf8(c.text) + " in " + std::to_string(c.width));
        EXPECT_EQ(block->FitCount(renderer, c.width, c.text), c.count);
    }
}

TEST_F(FontTextTest, TrailingBlanksThatDoNotFitMakeLinesOfTheirOwn)
{
    // Leading blanks are dropped from a remainder only when something else follows them; a
    // remainder of blanks alone is wrapped as it is, as many as fit to a line.
    const RCPtr<LFontText> block = Block(u"ab   ", true, 15, 100);
    EXPECT_EQ(Lines(*block), (std::vector<std::string>{"ab", " ", " ", " "}));
    EXPECT_EQ(2, block->FitCount(renderer, 15, u"ab   "));
    EXPECT_EQ(Lines(*Block(u"ab   ", true, 35, 100)), (std::vector<std::string>{"ab ", "  "}));
    EXPECT_EQ(Lines(*Block(u"ab   ", true, 51, 100)), (std::vector<std::string>{"ab   "}));
}

TEST_F(FontTextTest, NoWidthAndNonFiniteMeasurementsStillEndWithSaneCounts)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float advance;
        int32_t width;
        int32_t count;
        std::vector<std::string> lines;
    };
    const RCPtr<LFontText> block = Block(u"one two-way", true, 0, 0);
    for (const Case& c : {
             Case{10, 0, 3, {"one", "two-", "way"}},
             Case{10, -5, 3, {"one", "two-", "way"}},
             Case{10, INT32_MIN, 3, {"one", "two-", "way"}},
             Case{nan, 100, 3, {"one", "two-", "way"}}, // nothing measured fits
             Case{inf, 100, 3, {"one", "two-", "way"}},
             Case{-inf, 0, 11, {"one two-way"}},        // everything fits
         }) {
        SCOPED_TRACE(std::to_string(c.advance) + " per character in " + std::to_string(c.width));
        renderer->advance = c.advance;
        EXPECT_EQ(c.count, block->FitCount(renderer, c.width, u"one two-way"));
        LFontText::Lines lines;
        block->WrapLines(renderer, c.width, lines);
        std::vector<std::string> got;
        for (uint32_t index = 0; index < lines.GetCount(); ++index)
            got.push_back(Utf8(lines.GetAt(index)));
        EXPECT_EQ(c.lines, got);
    }
}

TEST_F(FontTextTest, LinesAreAlignedInTheBlock)
{
    struct Case {
        const char16_t* text;
        float horizontal;
        float vertical;
        std::vector<RectT<float>> rects;
    };
    for (const Case& c : {
             Case{u"abcd", 0.5f, 0, {{30, 0, 40, 12}}},
             Case{u"abcd", 1, 1, {{60, 35, 40, 12}}},
             Case{u"ab\ncdef", 0.5f, 0.5f, {{40, 10, 20, 12}, {30, 25, 40, 12}}},
         }) {
        SCOPED_TRACE(Utf8(c.text));
        const RCPtr<LFontText> block = Block(c.text, false, 100, 50);
        block->SetHorizontalAlignment(c.horizontal);
        block->SetVerticalAlignment(c.vertical);
        ASSERT_EQ(block->GetLineCount(), int32_t(c.rects.size()));
        for (size_t index = 0; index < c.rects.size(); ++index)
            EXPECT_EQ(block->GetLineRect(int32_t(index)), c.rects[index]) << "line " << index;
    }
}

TEST_F(FontTextTest, AMeasurementRightOfTheOriginWidensTheLine)
{
    renderer->offset = 2;
    const RCPtr<LFontText> block = Block(u"abcd", false, 100, 50);
    block->SetHorizontalAlignment(1);
    EXPECT_EQ(block->GetLineRect(0), (RectT<float>{58, 0, 42, 12}));
}

TEST_F(FontTextTest, LinesBeyondTheCountAreEmpty)
{
    const RCPtr<LFontText> block = Block(u"a\nb", false, 100, 50);
    EXPECT_EQ(Utf8(block->GetLine(1)), "b");
    for (const int32_t index : {2, 3, -1}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(block->GetLineRect(index), RectT<float>());
        EXPECT_TRUE(block->GetLine(index).IsEmpty());
    }
}

TEST_F(FontTextTest, TextWidthIsTheWidestUnwrappedLineRoundedUp)
{
    struct Case {
        const char16_t* text;
        float offset;
        int32_t width;
    };
    for (const Case& c : {
             Case{u"ab\nabcd", 0, 40},
             Case{u"abcd\nab", 0.5f, 41},  // 40.5 + 0.99
             Case{u"abcd", 0.02f, 41},     // 40.02 + 0.99
             Case{u"one two three", 0, 130},
             Case{u"", 0, 0},
         }) {
        SCOPED_TRACE(Utf8(c.text));
        renderer->offset = c.offset;
        const RCPtr<LFontText> block = Block(c.text, true, 30, 50);
        EXPECT_EQ(block->GetTextWidth(), c.width);
    }
}

TEST_F(FontTextTest, TextHeightCountsTheLinesAtTheWidthGiven)
{
    struct Case {
        const char16_t* text;
        bool wrap;
        int32_t width;
        int32_t height;
    };
    for (const Case& c : {
             Case{u"one two three", true, 75, 30},
             Case{u"one two three", true, 30, 45},
             Case{u"one two three", false, 30, 15},
             Case{u"a\nb\n", false, 0, 30},
             Case{u"", true, 0, 15},
         }) {
        SCOPED_TRACE(Utf8(c.text) + (c.wrap ? " wrapped" : ""));
        const RCPtr<LFontText> block = Block(c.text, c.wrap, 200, 50);
        EXPECT_EQ(block->GetTextHeight(c.width), c.height);
    }
}

TEST_F(FontTextTest, TextHeightLeavesTheBlocksOwnLinesAlone)
{
    const RCPtr<LFontText> block = Block(u"one two three", true, 200, 50);
    ASSERT_EQ(block->GetLineCount(), 1);
    EXPECT_EQ(block->GetTextHeight(30), 45);
    const int measured = renderer->measurements;
    EXPECT_EQ(Lines(*block), std::vector<std::string>{"one two three"});
    EXPECT_EQ(renderer->measurements, measured) << "the layout was not redone";
}

TEST_F(FontTextTest, TextSizeBoundsTheLinesAndTheOrigin)
{
    struct Case {
        const char16_t* text;
        int32_t width;
        int32_t height;
        float horizontal;
        float vertical;
        int32_t sizeWidth;
        int32_t sizeHeight;
    };
    for (const Case& c : {
             Case{u"ab\nabcd", 100, 50, 0, 0, 40, 27},
             Case{u"abcd", 100, 50, 0.5f, 0.5f, 70, 30},  // bottom 17.5 + 12 rounds up
             Case{u"abcd", 0, 0, 1, 1, 40, 15},           // above and left of the origin
             Case{u"abcd", 1 << 30, 0, 1, 0, 8388608, 12},
         }) {
        SCOPED_TRACE(Utf8(c.text));
        const RCPtr<LFontText> block = Block(c.text, false, c.width, c.height);
        block->SetHorizontalAlignment(c.horizontal);
        block->SetVerticalAlignment(c.vertical);
        int32_t width = -1;
        int32_t height = -1;
        block->GetTextSize(width, height);
        EXPECT_EQ(width, c.sizeWidth);
        EXPECT_EQ(height, c.sizeHeight);
    }
}

// Starting from a laid-out wrapped block, the measurements of the next layout show what the
// change dropped: both the lines and their places (2), the places only (1), or nothing (0).
TEST_F(FontTextTest, EachChangeDropsWhatItMakesStale)
{
    const RCPtr<LFont> larger = LFont::GetFont(u"Text Block Face", 11.0f, 0);
    struct Case {
        const char* name;
        std::function<void(LFontText&)> change;
        int measurements;
    };
    for (const Case& c : {
             Case{"same text", [](LFontText& b) { EXPECT_FALSE(b.SetText(u"abcd")); }, 0},
             Case{"new text", [](LFontText& b) { EXPECT_TRUE(b.SetText(u"abce")); }, 2},
             Case{"same font", [this](LFontText& b) { EXPECT_FALSE(b.SetFont(font)); }, 0},
             Case{"larger font", [&](LFontText& b) { EXPECT_TRUE(b.SetFont(larger)); }, 2},
             Case{"no font", [](LFontText& b) { EXPECT_TRUE(b.SetFont(nullptr)); }, 2},
             Case{"same wrap", [](LFontText& b) { b.SetWrap(true); }, 0},
             Case{"same size", [](LFontText& b) { b.SetSize(100, 50); }, 0},
             Case{"new width", [](LFontText& b) { b.SetSize(101, 50); }, 2},
             Case{"new height", [](LFontText& b) { b.SetSize(100, 51); }, 2},
             Case{"same alignment", [](LFontText& b) { b.SetHorizontalAlignment(0); b.SetVerticalAlignment(0); }, 0},
             Case{"horizontal alignment", [](LFontText& b) { b.SetHorizontalAlignment(0.5f); }, 1},
             Case{"vertical alignment", [](LFontText& b) { b.SetVerticalAlignment(1); }, 1},
         }) {
        SCOPED_TRACE(c.name);
        const RCPtr<LFontText> block = Block(u"abcd", true, 100, 50);
        block->GetLineCount();
        renderer->measurements = 0;
        block->GetLineCount();
        block->GetLineRect(0);
        int32_t width = 0;
        int32_t height = 0;
        block->GetTextSize(width, height);
        EXPECT_EQ(renderer->measurements, 0) << "nothing changed yet";
        c.change(*block);
        block->GetLineCount();
        EXPECT_EQ(renderer->measurements, c.measurements);
    }
}

TEST_F(FontTextTest, ChangingTheWrapFlagRedoesTheLines)
{
    const RCPtr<LFontText> block = Block(u"ab cd", false, 30, 50);
    EXPECT_EQ(Lines(*block), std::vector<std::string>{"ab cd"});
    block->SetWrap(true);
    EXPECT_EQ(Lines(*block), (std::vector<std::string>{"ab", "cd"}));
    block->SetWrap(false);
    EXPECT_EQ(Lines(*block), std::vector<std::string>{"ab cd"});
}

TEST_F(FontTextTest, WithoutAFontLinesHaveNoHeightButAreStillMeasured)
{
    const RCPtr<LFontText> block = LFontText::Create(u"ab\nabcd", nullptr);
    block->SetVerticalAlignment(1);
    block->SetSize(100, 50);
    EXPECT_EQ(block->GetTextHeight(100), 0);
    EXPECT_EQ(block->GetLineRect(0), (RectT<float>{0, 50, 20, 12}));
    EXPECT_EQ(block->GetLineRect(1), (RectT<float>{0, 50, 40, 12}));
}

// Nothing to measure with: every line is empty in size, whether the application has no renderer
// or there is no application at all.
void ExpectUnmeasured(LFontText& block)
{
    block.SetWrap(true);
    block.SetSize(30, 50);
    EXPECT_EQ(block.GetLineCount(), 2);
    EXPECT_EQ(block.GetLineRect(1), RectT<float>());
    int32_t width = -1;
    int32_t height = -1;
    block.GetTextSize(width, height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(block.GetTextWidth(), 0);
    EXPECT_EQ(block.GetTextHeight(30), 0);
}

TEST_F(FontTextTest, WithoutARendererNothingIsMeasured)
{
    application.measurementRenderer = nullptr;
    const RCPtr<LFontText> block = Block(u"one two\nthree", false, 0, 0);
    ExpectUnmeasured(*block);
}

TEST(FontTextWithoutApplicationTest, NothingIsMeasured)
{
    ASSERT_EQ(GetApplicationServices(), nullptr);
    const RCPtr<LFontText> block = LFontText::Create(u"one two\nthree", LFont::GetFont(u"Text Block Face", 10.0f, 0));
    ExpectUnmeasured(*block);
}

TEST_F(FontTextTest, ALayoutMadeWithoutARendererIsRedoneOnceThereIsOne)
{
    application.measurementRenderer = nullptr;
    const RCPtr<LFontText> block = Block(u"one two", true, 35, 50);
    EXPECT_EQ(Lines(*block), std::vector<std::string>{"one two"});
    application.measurementRenderer = renderer;
    EXPECT_EQ(Lines(*block), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(block->GetLineRect(1), (RectT<float>{0, 15, 30, 12}));
    const int measured = renderer->measurements;
    block->GetLineCount();
    EXPECT_EQ(renderer->measurements, measured) << "and then kept";
}

} // namespace
} // namespace VQ
