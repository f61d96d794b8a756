// Fonts found through fontconfig, measured and drawn: shared faces, the line-spacing rule, advances
// that grow with the text and the size, ink inside the measured box, and invalid text made harmless.
#include "platform/drawing/DrawingSurface.h"
#include "platform/drawing/FontFace.h"

#include "DrawingTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace VQ::Platform::test {
namespace {

std::shared_ptr<const FontFace> Arial(int32_t style = 0)
{
    std::shared_ptr<const FontFace> face = FontFace::Find("Arial", style);
    EXPECT_NE(face, nullptr);
    return face;
}

TEST(FontFaceTest, ArialResolvesToAFaceWithPositiveMetrics)
{
    auto face = Arial();
    ASSERT_NE(face, nullptr);
    EXPECT_FALSE(face->GetFamily().empty());
    const FontDesignMetrics& metrics = face->GetDesignMetrics();
    EXPECT_GT(metrics.unitsPerEm, 0);
    EXPECT_GT(metrics.cellAscent, 0);
    EXPECT_GT(metrics.cellDescent, 0);
    EXPECT_GE(metrics.lineSpacing, metrics.cellAscent + metrics.cellDescent);
    if (face->GetFamily() == "Liberation Sans") {
        EXPECT_EQ(metrics.unitsPerEm, 2048);
        EXPECT_EQ(metrics.cellAscent, 1854);
        EXPECT_EQ(metrics.cellDescent, 434);
        EXPECT_EQ(metrics.lineSpacing, 2355) << "the cell ascent and descent plus the uncovered line gap";
    }
}

TEST(FontFaceTest, UnknownFamilyStillGivesAUsableFace)
{
    auto face = FontFace::Find("NoSuchFamily123", 0);
    ASSERT_NE(face, nullptr);
    EXPECT_FALSE(face->GetFamily().empty());
    EXPECT_GT(face->GetDesignMetrics().unitsPerEm, 0);
    EXPECT_GT(face->MeasureAdvance("abc", 12), 0);
    EXPECT_NE(FontFace::Find("", 0), nullptr);
}

TEST(FontFaceTest, EqualRequestsShareOneFaceWhateverTheCaseAndTheDrawingOnlyBits)
{
    auto face = Arial();
    EXPECT_EQ(FontFace::Find("arial", 0), face);
    EXPECT_EQ(FontFace::Find("ARIAL", FontFace::StyleUnderline | FontFace::StyleStrikeout), face);
    EXPECT_EQ(FontFace::Find("Arial", FontFace::StyleItalic), FontFace::Find("arial", FontFace::StyleItalic));
}

TEST(FontFaceTest, ThreadsFindingTheSameFaceShareIt)
{
    std::vector<std::shared_ptr<const FontFace>> found(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < found.size(); ++i)
        threads.emplace_back([&found, i] { found[i] = FontFace::Find("Threaded Sans", int32_t(i % 2)); });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(found[0], found[2]);
    EXPECT_EQ(found[1], found[3]);
    EXPECT_NE(found[0], nullptr);
}

TEST(FontFaceTest, BoldIsAnotherFaceThatMeasuresWider)
{
    auto regular = Arial();
    auto bold = Arial(FontFace::StyleBold);
    ASSERT_NE(bold, nullptr);
    EXPECT_NE(bold, regular);
    EXPECT_GT(bold->MeasureAdvance("Hello World", 20), regular->MeasureAdvance("Hello World", 20));
}

TEST(FontFaceTest, AdvanceGrowsWithTheTextCountsTrailingBlanksAndScalesWithTheSize)
{
    auto face = Arial();
    EXPECT_EQ(face->MeasureAdvance("", 12), 0);
    EXPECT_LT(face->MeasureAdvance("ab", 12), face->MeasureAdvance("abc", 12));
    EXPECT_GT(face->MeasureAdvance("a ", 12), face->MeasureAdvance("a", 12));
    EXPECT_GT(face->MeasureAdvance("  ", 12), 0);
    const double small = face->MeasureAdvance("Linear text", 10);
    EXPECT_NEAR(face->MeasureAdvance("Linear text", 40), 4 * small, 0.01 * small);
    EXPECT_GT(face->MeasureAdvance("\xC3\xA4\xE2\x82\xAC", 12), 0) << "two-byte and three-byte characters";
}

TEST(FontFaceTest, UnusableSizesMeasureZero)
{
    auto face = Arial();
    EXPECT_EQ(face->MeasureAdvance("abc", 0), 0);
    EXPECT_EQ(face->MeasureAdvance("abc", -4), 0);
    EXPECT_EQ(face->MeasureAdvance("abc", std::numeric_limits<double>::quiet_NaN()), 0);
}

// Byte sequences that are not UTF-8.
const std::vector<std::string>& InvalidTexts()
{
    static const std::vector<std::string> texts = {
        "\x80",             // a continuation byte alone
        "ab\xC3",           // a sequence cut short
        "\xC0\xAF",         // an overlong slash
        "\xED\xA0\x80",     // a surrogate
        "\xF4\x90\x80\x80", // past U+10FFFF
        "\xFF\xFE",         // bytes that never occur
        "ok\xE2\x82zz",     // a broken sequence between good text
    };
    return texts;
}

TEST(FontFaceTest, InvalidUtf8MeasuresZeroAndLeavesTheFaceUsable)
{
    auto face = Arial();
    const double before = face->MeasureAdvance("Usable", 14);
    for (const std::string& text : InvalidTexts())
        EXPECT_EQ(face->MeasureAdvance(text, 14), 0) << testing::PrintToString(text);
    EXPECT_EQ(face->MeasureAdvance("Usable", 14), before);
}

constexpr double PixelSize = 20;
constexpr int32_t Left = 10;
constexpr int32_t Top = 8;

struct InkBox {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The pixels a line of text may touch: its advance across, its line spacing down.
InkBox MeasuredBox(const FontFace& face, std::string_view text)
{
    const FontDesignMetrics& metrics = face.GetDesignMetrics();
    return {Left, Top, int32_t(std::ceil(Left + face.MeasureAdvance(text, PixelSize))),
            int32_t(std::ceil(Top + metrics.lineSpacing * PixelSize / metrics.unitsPerEm))};
}

PixelSet OutsideBox(const PixelSet& pixels, const InkBox& box)
{
    PixelSet outside;
    for (const auto& [x, y] : pixels) {
        if (x < box.left || x >= box.right || y < box.top || y >= box.bottom)
            outside.emplace(x, y);
    }
    return outside;
}

struct DrawCase {
    const char* name;
    const char* text;
    int32_t style;
    DrawingSurface::Quality quality;
};

void PrintTo(const DrawCase& drawCase, std::ostream* out) { *out << drawCase.name; }

class DrawTextTest : public testing::TestWithParam<DrawCase> {};

TEST_P(DrawTextTest, InkStaysInsideTheMeasuredLineAndIsAntialiased)
{
    const DrawCase& drawCase = GetParam();
    auto face = Arial(drawCase.style);
    auto surface = DrawingSurface::Create(200, 50);
    surface->SetQuality(drawCase.quality);
    surface->DrawText(*face, drawCase.text, PixelSize, Left, Top, 0xFF000000, drawCase.style);
    const PixelSet ink = ChangedPixels(*surface);
    ASSERT_GT(ink.size(), 20u);
    EXPECT_EQ(OutsideBox(ink, MeasuredBox(*face, drawCase.text)), PixelSet{});
    const bool partial = std::any_of(ink.begin(), ink.end(),
                                     [&](const auto& pixel) { return surface->GetPixel(pixel.first, pixel.second) >> 24 != 0xFF; });
    EXPECT_TRUE(partial) << "text is antialiased in every quality";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DrawTextTest,
    testing::Values(DrawCase{"Plain", "Hello gj", 0, DrawingSurface::Quality::Default},
                    DrawCase{"FastQuality", "Hello gj", 0, DrawingSurface::Quality::Fast},
                    DrawCase{"BoldItalic", "Hello gj", FontFace::StyleBold | FontFace::StyleItalic,
                             DrawingSurface::Quality::Default},
                    DrawCase{"Underlined", "Under line", FontFace::StyleUnderline, DrawingSurface::Quality::Default},
                    DrawCase{"StruckOut", "Struck out", FontFace::StyleStrikeout, DrawingSurface::Quality::Default}),
    [](const auto& info) { return info.param.name; });

// The rows in which at least nine tenths of the columns of the box carry ink.
std::vector<int32_t> FullRows(const PixelSet& ink, const InkBox& box)
{
    std::vector<int32_t> rows;
    for (int32_t y = box.top; y < box.bottom; ++y) {
        int32_t columns = 0;
        for (int32_t x = box.left; x < box.right; ++x)
            columns += ink.count({x, y});
        if (columns * 10 >= (box.right - box.left) * 9)
            rows.push_back(y);
    }
    return rows;
}

TEST(DrawTextTest, DecorationLinesRunTheWholeAdvanceBelowAndThroughTheLetters)
{
    auto face = Arial();
    const FontDesignMetrics& metrics = face->GetDesignMetrics();
    const double baseline = Top + metrics.cellAscent * PixelSize / metrics.unitsPerEm;
    const InkBox box = MeasuredBox(*face, "x x");
    std::vector<int32_t> rows[3];
    const int32_t styles[] = {0, FontFace::StyleUnderline, FontFace::StyleStrikeout};
    for (int i = 0; i < 3; ++i) {
        auto surface = DrawingSurface::Create(100, 50);
        surface->DrawText(*face, "x x", PixelSize, Left, Top, 0xFF000000, styles[i]);
        rows[i] = FullRows(ChangedPixels(*surface), box);
    }
    EXPECT_TRUE(rows[0].empty()) << "the blank breaks every row of plain text";
    ASSERT_FALSE(rows[1].empty());
    EXPECT_GE(rows[1].front(), int32_t(baseline)) << "underline below the baseline";
    ASSERT_FALSE(rows[2].empty());
    EXPECT_LT(rows[2].back(), int32_t(baseline)) << "strikeout above the baseline";
    EXPECT_GT(rows[2].front(), Top + 2);
}

TEST(DrawTextTest, InvalidUtf8DrawsNothingAndLaterTextStillDraws)
{
    auto face = Arial();
    auto surface = DrawingSurface::Create(200, 50);
    for (const std::string& text : InvalidTexts())
        surface->DrawText(*face, text, PixelSize, Left, Top, 0xFF000000, FontFace::StyleUnderline);
    EXPECT_EQ(ChangedPixels(*surface), PixelSet{});
    surface->DrawText(*face, "Still", PixelSize, Left, Top, 0xFF000000, 0);
    EXPECT_FALSE(ChangedPixels(*surface).empty());
}

TEST(DrawTextTest, TextFollowsTranslationAndClip)
{
    auto face = Arial();
    auto surface = DrawingSurface::Create(200, 60);
    surface->SetTranslation(30, 20);
    surface->SetClipRect(0, 0, 12, 40);
    surface->DrawText(*face, "Wide text here", PixelSize, 0, 0, 0xFF000000, 0);
    const PixelSet ink = ChangedPixels(*surface);
    ASSERT_FALSE(ink.empty());
    EXPECT_EQ(OutsideBox(ink, {30, 20, 42, 60}), PixelSet{});
}

} // namespace
} // namespace VQ::Platform::test
