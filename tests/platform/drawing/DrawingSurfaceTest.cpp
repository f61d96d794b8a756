// Shapes on a drawing surface checked pixel by pixel: blending, clips and translations, the
// one-pixel outline, raw pixel replacement at the surface's edges, lines and paths.
#include "platform/drawing/DrawingSurface.h"

#include "DrawingTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <memory>

namespace VQ::Platform::test {
namespace {

using Quality = DrawingSurface::Quality;

constexpr uint32_t Red = 0xFFFF0000;
constexpr uint32_t Blue = 0xFF0000FF;

std::unique_ptr<DrawingSurface> MakeSurface(int32_t width = 40, int32_t height = 30, Quality quality = Quality::Fast)
{
    std::unique_ptr<DrawingSurface> surface = DrawingSurface::Create(width, height);
    if (surface)
        surface->SetQuality(quality);
    return surface;
}

TEST(DrawingSurfaceTest, StartsTransparentAndMakesSizesBelowOneIntoOne)
{
    auto surface = MakeSurface(7, 5);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->GetWidth(), 7);
    EXPECT_EQ(surface->GetHeight(), 5);
    EXPECT_TRUE(ChangedPixels(*surface).empty());
    const PixelView view = surface->GetPixels();
    EXPECT_EQ(view.width, 7);
    EXPECT_GE(view.stride, 7 * 4);

    auto empty = DrawingSurface::Create(0, -3);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetWidth(), 1);
    EXPECT_EQ(empty->GetHeight(), 1);
    EXPECT_EQ(empty->GetPixel(1, 0), 0u) << "outside the surface";
}

struct BlendCase {
    const char* name;
    uint32_t below;
    uint32_t above;
    uint32_t expected;
};

void PrintTo(const BlendCase& blendCase, std::ostream* out) { *out << blendCase.name; }

class FillRectBlendTest : public testing::TestWithParam<BlendCase> {};

TEST_P(FillRectBlendTest, CompositesSourceOverWithinOneStep)
{
    const BlendCase& blendCase = GetParam();
    auto surface = MakeSurface(4, 4, Quality::Default);
    surface->FillRect(0, 0, 4, 4, blendCase.below);
    surface->FillRect(1, 1, 2, 2, blendCase.above);
    EXPECT_TRUE(NearColour(surface->GetPixel(1, 1), blendCase.expected))
        << std::hex << surface->GetPixel(1, 1) << " for " << blendCase.expected;
    EXPECT_EQ(surface->GetPixel(0, 0), blendCase.below);
}

INSTANTIATE_TEST_SUITE_P(Colours, FillRectBlendTest,
                         testing::Values(BlendCase{"HalfRedOverOpaqueBlue", Blue, 0x80FF0000, 0xFF80007F},
                                         BlendCase{"HalfRedOverTransparent", 0, 0x80FF0000, 0x80FF0000},
                                         BlendCase{"QuarterGreyOverHalfWhite", 0x80FFFFFF, 0x40000000, 0xA0999999},
                                         BlendCase{"OpaqueReplaces", Blue, 0xFF123456, 0xFF123456},
                                         BlendCase{"TransparentChangesNothing", Blue, 0x00FF0000, Blue}),
                         [](const auto& info) { return info.param.name; });

class QualityTest : public testing::TestWithParam<Quality> {};

TEST_P(QualityTest, FillRectCoversExactlyItsPixels)
{
    auto surface = MakeSurface(20, 20, GetParam());
    surface->FillRect(3, 4, 5, 6, Red);
    EXPECT_EQ(ChangedPixels(*surface), RectPixels(3, 4, 5, 6));
}

TEST_P(QualityTest, OnePixelFrameIsARingOfWidthPlusOneByHeightPlusOne)
{
    auto surface = MakeSurface(20, 20, GetParam());
    surface->FrameRect(2, 3, 5, 4, Red, 1);
    PixelSet ring = RectPixels(2, 3, 6, 5);
    for (const auto& inner : RectPixels(3, 4, 4, 3))
        ring.erase(inner);
    EXPECT_EQ(ChangedPixels(*surface), ring);
    for (const auto& [x, y] : ring)
        EXPECT_EQ(surface->GetPixel(x, y), Red) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(BothQualities, QualityTest, testing::Values(Quality::Fast, Quality::Default),
                         [](const auto& info) { return info.param == Quality::Fast ? "Fast" : "Default"; });

TEST(DrawingSurfaceTest, FillRectLeavesPixelsOutsideTheClipUntouched)
{
    auto surface = MakeSurface();
    surface->SetClipRect(5, 6, 4, 3);
    surface->FillRect(0, 0, 40, 30, Red);
    EXPECT_EQ(ChangedPixels(*surface), RectPixels(5, 6, 4, 3));

    surface->ResetClip();
    surface->FillRect(30, 20, 2, 2, Blue);
    EXPECT_EQ(surface->GetPixel(31, 21), Blue);
}

TEST(DrawingSurfaceTest, ClipStaysOnTheSurfaceWhenTheTranslationChanges)
{
    auto surface = MakeSurface();
    surface->SetClipRect(10, 10, 10, 10);
    surface->SetTranslation(5, 5);
    surface->FillRect(0, 0, 12, 12, Red);
    EXPECT_EQ(ChangedPixels(*surface), RectPixels(10, 10, 7, 7)) << "translated fill (5..16) cut by the clip (10..19)";
}

TEST(DrawingSurfaceTest, ClipIsTakenInTheTranslationInForceAndTranslationsReplaceEachOther)
{
    auto surface = MakeSurface();
    surface->SetTranslation(100, 100);
    surface->SetTranslation(5, 4);
    surface->SetClipRect(0, 0, 10, 8);
    surface->FillRect(-5, -4, 100, 100, Red);
    EXPECT_EQ(ChangedPixels(*surface), RectPixels(5, 4, 10, 8));
}

TEST(DrawingSurfaceTest, NonFiniteTranslationIsIgnoredAndDrawingGoesOn)
{
    auto surface = MakeSurface();
    surface->SetTranslation(2, 3);
    surface->SetTranslation(std::numeric_limits<double>::infinity(), 0);
    surface->SetClipRect(std::numeric_limits<double>::quiet_NaN(), 0, 5, 5);
    surface->FillRect(0, 0, 2, 2, Red);
    EXPECT_EQ(ChangedPixels(*surface), RectPixels(2, 3, 2, 2));
}

struct ReplaceCase {
    const char* name;
    int32_t x, y, width, height;
    PixelSet expected;
};

void PrintTo(const ReplaceCase& replaceCase, std::ostream* out) { *out << replaceCase.name; }

class ReplacePixelsTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplacePixelsTest, WritesOnlyThePartInsideTheSurface)
{
    const ReplaceCase& replaceCase = GetParam();
    auto surface = MakeSurface(8, 6);
    surface->ReplacePixels(replaceCase.x, replaceCase.y, replaceCase.width, replaceCase.height, Red);
    EXPECT_EQ(ChangedPixels(*surface), replaceCase.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rectangles, ReplacePixelsTest,
    testing::Values(ReplaceCase{"Inside", 2, 1, 3, 2, RectPixels(2, 1, 3, 2)},
                    ReplaceCase{"OverTheTopLeft", -3, -2, 5, 4, RectPixels(0, 0, 2, 2)},
                    ReplaceCase{"OverTheBottomRight", 6, 4, 10, 10, RectPixels(6, 4, 2, 2)},
                    ReplaceCase{"WiderThanTheSurface", -100, 2, 1000, 1, RectPixels(0, 2, 8, 1)},
                    ReplaceCase{"EntirelyRight", 8, 0, 4, 4, {}},
                    ReplaceCase{"EntirelyAbove", 0, -5, 4, 5, {}},
                    ReplaceCase{"NegativeSize", 4, 4, -3, -3, {}},
                    ReplaceCase{"EdgesThatOverflow", INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX, {}},
                    ReplaceCase{"SizesThatOverflow", 2, 3, INT32_MAX, INT32_MAX, RectPixels(2, 3, 6, 3)},
                    ReplaceCase{"MostNegative", INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, {}}),
    [](const auto& info) { return info.param.name; });

TEST(DrawingSurfaceTest, ReplacePixelsIgnoresTranslationClipAndBlending)
{
    auto surface = MakeSurface(8, 6);
    surface->FillRect(0, 0, 8, 6, Blue);
    surface->SetTranslation(3, 3);
    surface->SetClipRect(0, 0, 1, 1);
    surface->ReplacePixels(1, 1, 2, 2, 0x80FF0000);
    EXPECT_EQ(ChangedPixels(*surface, Blue), RectPixels(1, 1, 2, 2));
    const PixelView view = surface->GetPixels();
    const auto* row = reinterpret_cast<const uint8_t*>(view.pixels) + view.stride;
    EXPECT_EQ(reinterpret_cast<const uint32_t*>(row)[1], 0x80800000u) << "premultiplied, nothing of the blue below";

    // Drawing afterwards sees the replaced pixels.
    surface->SetTranslation(0, 0);
    surface->ResetClip();
    surface->FillRect(1, 1, 1, 1, 0x80FF0000);
    EXPECT_TRUE(NearColour(surface->GetPixel(1, 1), 0xC0FF0000)) << std::hex << surface->GetPixel(1, 1);
}

TEST(DrawingSurfaceTest, ClearMakesEverythingTransparentAndDropsTranslationAndClip)
{
    auto surface = MakeSurface(10, 10);
    surface->FillRect(0, 0, 10, 10, Red);
    surface->SetTranslation(4, 4);
    surface->SetClipRect(0, 0, 2, 2);
    surface->Clear();
    EXPECT_TRUE(ChangedPixels(*surface).empty());
    surface->FillRect(0, 0, 10, 10, Blue);
    EXPECT_EQ(ChangedPixels(*surface), RectPixels(0, 0, 10, 10));
}

TEST(DrawingSurfaceTest, OnePixelLinesCoverOneRowOrColumnBetweenTheirEnds)
{
    auto surface = MakeSurface(20, 20);
    surface->DrawLine({2, 5}, {12, 5}, Red, 1);
    surface->DrawLine({15, 3}, {15, 9}, Red, 1);
    const PixelSet changed = ChangedPixels(*surface);
    PixelSet expected = RectPixels(2, 5, 10, 1);
    for (const auto& pixel : RectPixels(15, 3, 1, 6))
        expected.insert(pixel);
    EXPECT_EQ(changed, expected);
}

TEST(DrawingSurfaceTest, LinesFollowTheTranslation)
{
    auto surface = MakeSurface(20, 20);
    surface->SetTranslation(3, 4);
    surface->DrawLine({0, 0}, {5, 0}, Red, 1);
    EXPECT_EQ(ChangedPixels(*surface), RectPixels(3, 4, 5, 1));
}

DrawingPath Square(float left, float top, float size)
{
    const DrawingPoint points[] = {{left, top}, {left + size, top}, {left + size, top + size}, {left, top + size}};
    DrawingPath path;
    path.AddPolygon(points, 4);
    return path;
}

TEST(DrawingSurfaceTest, FillPathCoversTheInsideOfAPolygonOnly)
{
    auto surface = MakeSurface(30, 30);
    const DrawingPoint triangle[] = {{2, 2}, {26, 2}, {2, 26}};
    DrawingPath path;
    path.AddPolygon(triangle, 3);
    surface->FillPath(path, Red);
    for (const auto& [x, y] : std::initializer_list<std::pair<int, int>>{{3, 3}, {20, 4}, {4, 20}, {10, 10}})
        EXPECT_EQ(surface->GetPixel(x, y), Red) << x << "," << y;
    for (const auto& [x, y] : std::initializer_list<std::pair<int, int>>{{0, 0}, {1, 10}, {20, 20}, {27, 2}, {2, 28}})
        EXPECT_EQ(surface->GetPixel(x, y), 0u) << x << "," << y;
}

TEST(DrawingSurfaceTest, FillPathLeavesAHoleWhereFiguresOverlapEvenly)
{
    auto surface = MakeSurface(30, 30);
    DrawingPath path = Square(2, 2, 20);
    const DrawingPoint inner[] = {{8, 8}, {16, 8}, {16, 16}, {8, 16}};
    path.AddPolygon(inner, 4);
    surface->FillPath(path, Red);
    EXPECT_EQ(surface->GetPixel(4, 12), Red);
    EXPECT_EQ(surface->GetPixel(12, 4), Red);
    EXPECT_EQ(surface->GetPixel(12, 12), 0u) << "inside both figures";
    EXPECT_EQ(surface->GetPixel(9, 9), 0u);
}

TEST(DrawingSurfaceTest, FastQualityDrawsDiagonalEdgesWithoutPartialPixels)
{
    const DrawingPoint triangle[] = {{1, 1}, {28, 5}, {6, 27}};
    DrawingPath path;
    path.AddPolygon(triangle, 3);
    int partial[2] = {0, 0};
    for (Quality quality : {Quality::Fast, Quality::Default}) {
        auto surface = MakeSurface(30, 30, quality);
        surface->FillPath(path, Red);
        for (const auto& [x, y] : ChangedPixels(*surface))
            partial[quality == Quality::Default] += (surface->GetPixel(x, y) >> 24) != 0xFF;
    }
    EXPECT_EQ(partial[0], 0);
    EXPECT_GT(partial[1], 0) << "the default quality antialiases";
}

TEST(DrawingSurfaceTest, StrokePathScalesThePointsButNotThePen)
{
    auto surface = MakeSurface(30, 30);
    DrawingPath path;
    path.AddLine({1, 2}, {10, 2});
    surface->StrokePath(path, Red, 1, 2, 4);
    EXPECT_EQ(ChangedPixels(*surface), RectPixels(2, 8, 18, 1));
}

TEST(DrawingSurfaceTest, PathLinesJoinTheOpenFigureUntilANewFigureStarts)
{
    auto surface = MakeSurface(30, 30);
    DrawingPath path;
    EXPECT_TRUE(path.IsEmpty());
    path.AddLine({2, 2}, {10, 2});
    path.AddLine({10, 10}, {2, 10});
    path.CloseFigure();
    path.StartFigure();
    path.AddLine({20, 2}, {20, 10});
    EXPECT_FALSE(path.IsEmpty());
    surface->StrokePath(path, Red, 1);
    EXPECT_EQ(surface->GetPixel(10, 6), Red) << "joined from (10,2) to (10,10)";
    EXPECT_EQ(surface->GetPixel(2, 6), Red) << "closed back to (2,2)";
    EXPECT_EQ(surface->GetPixel(15, 2), 0u) << "no join into the new figure";
    EXPECT_EQ(surface->GetPixel(20, 6), Red);
}

TEST(DrawingSurfaceTest, ZeroScaleDrawsNothingAndLeavesTheSurfaceUsable)
{
    auto surface = MakeSurface(20, 20);
    surface->FillPath(Square(2, 2, 10), Red, 0, 0);
    surface->StrokePath(Square(2, 2, 10), Red, 1, 0, 1);
    surface->FillRect(15, 15, 2, 2, Blue);
    EXPECT_EQ(surface->GetPixel(15, 15), Blue);
    EXPECT_EQ(surface->GetPixel(5, 5), 0u);
}

} // namespace
} // namespace VQ::Platform::test
