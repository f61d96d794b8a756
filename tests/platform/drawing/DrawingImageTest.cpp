// Images and surfaces drawn onto a surface: exact pixels for unscaled and nearest-neighbour
// drawing, sub-rectangles that keep their neighbours out, tiling, and premultiplication.
#include "platform/drawing/DrawingSurface.h"

#include "DrawingTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace VQ::Platform::test {
namespace {

using Quality = DrawingSurface::Quality;

// An opaque colour that tells every source pixel apart.
uint32_t SourceColour(int32_t x, int32_t y) { return 0xFF000040u | uint32_t(x * 20) << 16 | uint32_t(y * 20) << 8; }

std::unique_ptr<DrawingImage> PatternImage(int32_t width, int32_t height)
{
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x)
            pixels.push_back(SourceColour(x, y));
    }
    return DrawingImage::FromStraightPixels(pixels.data(), width * 4, width, height);
}

std::unique_ptr<DrawingSurface> MakeSurface(int32_t width, int32_t height, Quality quality)
{
    std::unique_ptr<DrawingSurface> surface = DrawingSurface::Create(width, height);
    surface->SetQuality(quality);
    return surface;
}

// Checks that the rectangle of the surface holds source pixels: surface (x, y) shows source
// (map(x - left), map(y - top)), and that nothing outside the rectangle changed.
void ExpectSourceIn(DrawingSurface& surface, int32_t left, int32_t top, int32_t width, int32_t height,
                    int32_t (*mapX)(int32_t), int32_t (*mapY)(int32_t))
{
    EXPECT_EQ(ChangedPixels(surface), RectPixels(left, top, width, height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            ASSERT_EQ(surface.GetPixel(left + x, top + y), SourceColour(mapX(x), mapY(y)))
                << "at " << left + x << "," << top + y;
        }
    }
}

int32_t Same(int32_t v) { return v; }

TEST(DrawingImageTest, RefusesEmptySizesAndMissingPixels)
{
    const uint32_t pixel = 0xFFFFFFFF;
    EXPECT_EQ(DrawingImage::FromStraightPixels(&pixel, 4, 0, 1), nullptr);
    EXPECT_EQ(DrawingImage::FromStraightPixels(&pixel, 4, 1, -1), nullptr);
    EXPECT_EQ(DrawingImage::FromStraightPixels(nullptr, 4, 1, 1), nullptr);
    auto image = DrawingImage::FromStraightPixels(&pixel, 4, 1, 1);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetWidth(), 1);
    EXPECT_EQ(image->GetHeight(), 1);
}

TEST(DrawingImageTest, RowsFollowThePitch)
{
    // Two rows of two pixels, each row padded by one word that must not show.
    const uint32_t rows[] = {0xFF110000, 0xFF220000, 0xFFFFFFFF, 0xFF003300, 0xFF004400, 0xFFFFFFFF};
    auto image = DrawingImage::FromStraightPixels(rows, 12, 2, 2);
    auto surface = MakeSurface(2, 2, Quality::Default);
    surface->DrawImageAt(*image, 0, 0, 2, 2, 0, 0);
    EXPECT_EQ(surface->GetPixel(1, 0), 0xFF220000u);
    EXPECT_EQ(surface->GetPixel(0, 1), 0xFF003300u);
}

TEST(DrawingImageTest, PremultipliesWithIntegerRoundingAndReadsBackWithinOneStep)
{
    const std::vector<uint32_t> colours = {0x80FF8040, 0x7F102030, 0xC0FEDCBA, 0x80010203, 0xFF123456, 0x00FFFFFF};
    auto image = DrawingImage::FromStraightPixels(colours.data(), int32_t(colours.size() * 4), int32_t(colours.size()), 1);
    auto surface = MakeSurface(int32_t(colours.size()), 1, Quality::Default);
    surface->DrawImage(*image, 0, 0, double(colours.size()), 1, 0, 0, double(colours.size()), 1);
    const PixelView view = surface->GetPixels();
    EXPECT_EQ(view.pixels[0], 0x80804020u) << "(c * a + 127) / 255 per channel";
    EXPECT_EQ(view.pixels[5], 0u);
    for (size_t i = 0; i < colours.size(); ++i) {
        const uint32_t expected = colours[i] >> 24 ? colours[i] : 0;
        EXPECT_TRUE(NearColour(surface->GetPixel(int32_t(i), 0), expected))
            << std::hex << surface->GetPixel(int32_t(i), 0) << " for " << colours[i];
    }
}

class ImageQualityTest : public testing::TestWithParam<Quality> {};

TEST_P(ImageQualityTest, UnscaledDrawingIsExact)
{
    auto image = PatternImage(6, 5);
    auto surface = MakeSurface(20, 20, GetParam());
    surface->DrawImage(*image, 0, 0, 6, 5, 3, 4, 6, 5);
    ExpectSourceIn(*surface, 3, 4, 6, 5, Same, Same);
}

TEST_P(ImageQualityTest, UnscaledSubRectangleIsExact)
{
    auto image = PatternImage(6, 5);
    auto surface = MakeSurface(20, 20, GetParam());
    surface->SetTranslation(1, 1);
    surface->DrawImage(*image, 2, 1, 3, 3, 3, 4, 3, 3);
    ExpectSourceIn(*surface, 4, 5, 3, 3, [](int32_t x) { return x + 2; }, [](int32_t y) { return y + 1; });
}

TEST_P(ImageQualityTest, DrawImageAtShowsOnlyTheSourceRectangle)
{
    auto image = PatternImage(6, 6);
    auto surface = MakeSurface(20, 20, GetParam());
    surface->DrawImageAt(*image, 2, 3, 3, 2, 10, 11);
    ExpectSourceIn(*surface, 10, 11, 3, 2, [](int32_t x) { return x + 2; }, [](int32_t y) { return y + 3; });
}

TEST_P(ImageQualityTest, FillTiledRepeatsFromTheDestinationsTopLeft)
{
    auto image = PatternImage(10, 10);
    auto surface = MakeSurface(40, 20, GetParam());
    surface->FillTiled(*image, 0, 0, 10, 10, 2, 3, 25, 10);
    ExpectSourceIn(*surface, 2, 3, 25, 10, [](int32_t x) { return x % 10; }, Same);
}

TEST_P(ImageQualityTest, FillTiledRepeatsOnlyTheSourceRectangle)
{
    auto image = PatternImage(10, 10);
    auto surface = MakeSurface(40, 20, GetParam());
    surface->FillTiled(*image, 4, 2, 3, 4, 0, 0, 7, 9);
    ExpectSourceIn(*surface, 0, 0, 7, 9, [](int32_t x) { return 4 + x % 3; }, [](int32_t y) { return 2 + y % 4; });
}

TEST_P(ImageQualityTest, StretchedSubRectangleTakesNothingFromItsNeighbours)
{
    // Left half red, right half blue: the stretched left half stays pure red up to its edges.
    std::vector<uint32_t> pixels(4 * 4, 0xFFFF0000);
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i % 4 >= 2)
            pixels[i] = 0xFF0000FF;
    }
    auto image = DrawingImage::FromStraightPixels(pixels.data(), 16, 4, 4);
    auto surface = MakeSurface(30, 30, GetParam());
    surface->DrawImage(*image, 0, 0, 2, 4, 5, 5, 13, 17);
    EXPECT_EQ(ChangedPixels(*surface), RectPixels(5, 5, 13, 17));
    for (const auto& [x, y] : RectPixels(5, 5, 13, 17))
        ASSERT_EQ(surface->GetPixel(x, y), 0xFFFF0000u) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(BothQualities, ImageQualityTest, testing::Values(Quality::Fast, Quality::Default),
                         [](const auto& info) { return info.param == Quality::Fast ? "Fast" : "Default"; });

TEST(DrawingImageTest, NearestNeighbourDoublesEveryPixelInFastQuality)
{
    auto image = PatternImage(4, 3);
    auto surface = MakeSurface(20, 20, Quality::Fast);
    surface->DrawImage(*image, 0, 0, 4, 3, 1, 2, 8, 6);
    ExpectSourceIn(*surface, 1, 2, 8, 6, [](int32_t x) { return x / 2; }, [](int32_t y) { return y / 2; });
}

TEST(DrawingImageTest, SourceBeyondTheImageDrawsOnlyTheImagesPart)
{
    auto image = PatternImage(4, 4);
    auto surface = MakeSurface(20, 20, Quality::Fast);
    surface->DrawImage(*image, 2, 2, 4, 4, 0, 0, 8, 8);
    ExpectSourceIn(*surface, 0, 0, 4, 4, [](int32_t x) { return 2 + x / 2; }, [](int32_t y) { return 2 + y / 2; });
    surface->Clear();
    surface->FillTiled(*image, 10, 10, 4, 4, 0, 0, 8, 8);
    surface->DrawImage(*image, 0, 0, 0, 4, 0, 0, 8, 8);
    EXPECT_TRUE(ChangedPixels(*surface).empty());
}

TEST(DrawingImageTest, DrawSurfaceCopiesThroughTranslationAndClip)
{
    auto image = PatternImage(8, 8);
    auto source = MakeSurface(8, 8, Quality::Fast);
    source->DrawImageAt(*image, 0, 0, 8, 8, 0, 0);
    auto target = MakeSurface(20, 20, Quality::Default);
    target->SetTranslation(5, 6);
    target->SetClipRect(0, 0, 4, 3);
    EXPECT_TRUE(target->DrawSurface(*source, 1, 2, 6, 6, 0, 0));
    ExpectSourceIn(*target, 5, 6, 4, 3, [](int32_t x) { return x + 1; }, [](int32_t y) { return y + 2; });
}

TEST(DrawingImageTest, DrawSurfaceRefusesItself)
{
    auto surface = MakeSurface(8, 8, Quality::Fast);
    surface->FillRect(0, 0, 2, 2, 0xFFFF0000);
    EXPECT_FALSE(surface->DrawSurface(*surface, 0, 0, 2, 2, 4, 4));
    EXPECT_EQ(ChangedPixels(*surface), RectPixels(0, 0, 2, 2));
}

} // namespace
} // namespace VQ::Platform::test
