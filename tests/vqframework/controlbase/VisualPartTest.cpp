// Visual parts: the colour under a point at the part's own size and drawn larger or smaller, the
// drawing calls, the errors for parts the drawing cannot handle, and the part a descriptor builds,
// caches and frees with itself.
#include "vqframework/controlbase/VisualPart.h"

#include "LookTestSupport.h"
#include "vqframework/controlbase/LookDescriptor.h"
#include "vqframework/controlbase/VisualPartDescriptor.h"
#include "vqframework/objectbase/Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

namespace VQ {
namespace {

using test::CoordPixel;
using test::MakeBitmap;
using test::Solid;
using test::Text;

constexpr uint32_t NoColor = 0x00FFFFFF;

RCPtr<LVisualPart> BitmapPart(int32_t width, int32_t height, ResizeType resizeType)
{
    return LVisualPart::CreateFromBitmap(Text("part"), MakeBitmap(width, height, CoordPixel), resizeType, nullptr, 1,
                                         nullptr);
}

template <class Body> void ExpectRuntimeError(Body body, const std::string& function)
{
    try {
        body();
        ADD_FAILURE() << "no exception from " << function;
    } catch (const Exception<std::runtime_error>& e) {
        EXPECT_THAT(e.what(), ::testing::MatchesRegex("Runtime Error : VQ::LVisualPart::" + function +
                                                      " : .*VisualPart\\.cpp : Line [0-9]+"));
    }
}

TEST(VisualPartColor, AtItsOwnSizeReadsThePixelAndTransparentWhiteOutside)
{
    RCPtr<LVisualPart> part = BitmapPart(5, 4, ResizeStretch);
    ASSERT_TRUE(part);
    EXPECT_EQ(5, part->GetWidth());
    EXPECT_EQ(4, part->GetHeight());
    EXPECT_EQ(CoordPixel(4, 3), part->GetColorAtPoint(4, 3));
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {5, 0}, {0, 4}})
        EXPECT_EQ(NoColor, part->GetColorAtPoint(x, y)) << x << ", " << y;
    // At its own size the point is rounded, whatever the resize type.
    EXPECT_EQ(CoordPixel(1, 3), part->GetColorAtPoint(1.4f, 2.6f, 5.0f, 4.0f));
}

TEST(VisualPartColor, DrawnAtAnotherSizeFollowsTheResizeType)
{
    struct Case {
        ResizeType resizeType;
        float x, y, width, height;
        uint32_t expected;
    };
    const Case cases[] = {
        {ResizeTile, 10, 3, 20, 8, CoordPixel(0, 3)},
        {ResizeTile, 12.7f, 5, 20, 8, CoordPixel(3, 1)},
        {ResizeCenter, 7, 3, 15, 8, CoordPixel(2, 1)},
        {ResizeCenter, 4, 3, 15, 8, NoColor}, // left of the centred part
        {ResizeStretch, 9, 7, 10, 8, CoordPixel(4, 3)},
        {ResizeStretch, 3, 1, 10, 8, CoordPixel(1, 0)},
        {ResizeStretch, 10, 0, 10, 8, NoColor}, // outside the destination
        {ResizeTile, -0.5f, 0, 20, 8, NoColor},
        {ResizeCenter, 0, 8, 15, 8, NoColor},
    };
    for (const Case& c : cases) {
        RCPtr<LVisualPart> part = BitmapPart(5, 4, c.resizeType);
        EXPECT_EQ(c.expected, part->GetColorAtPoint(c.x, c.y, c.width, c.height))
            << "type " << c.resizeType << " at " << c.x << ", " << c.y << " in " << c.width << " x " << c.height;
    }
}

TEST(VisualPartColor, StretchedSmallerFindsAnOpaquePixelOfTheBlockThePointCovers)
{
    // Transparent but for one pixel in the top-right quarter.
    RCPtr<LVisualPart> part = LVisualPart::CreateFromBitmap(
        Text("dots"), MakeBitmap(4, 4, [](int32_t x, int32_t y) { return x == 3 && y == 1 ? 0xFF112233u : 0u; }),
        ResizeStretch, nullptr, 1, nullptr);
    EXPECT_EQ(0xFF112233u, part->GetColorAtPoint(1.0f, 0.0f, 2.0f, 2.0f));
    EXPECT_EQ(NoColor, part->GetColorAtPoint(0.0f, 0.0f, 2.0f, 2.0f));
    EXPECT_EQ(NoColor, part->GetColorAtPoint(1.0f, 1.0f, 2.0f, 2.0f));
    // A destination far smaller than a pixel scans no further than the part.
    EXPECT_EQ(0xFF112233u, part->GetColorAtPoint(0.0f, 0.0f, 1e-20f, 1e-20f));
}

TEST(VisualPartColor, AHugePartWithoutBitmapAnswersAtATinyDestination)
{
    // One colour everywhere: the answer does not depend on how much of the part the point covers.
    for (float alpha : {1.0f, 0.0f}) {
        RCPtr<LVisualPart> part = LVisualPart::CreateFromColorizer(Text("huge"), Solid(0xFF336699), 20000, 20000,
                                                                   ResizeStretch, alpha, nullptr);
        ASSERT_TRUE(part);
        ASSERT_FALSE(part->GetBitmap());
        EXPECT_EQ(part->GetColorAtPoint(0, 0), part->GetColorAtPoint(0.5f, 0.5f, 1.0f, 1.0f)) << alpha;
        EXPECT_EQ(part->GetColorAtPoint(0, 0), part->GetColorAtPoint(0.0f, 0.0f, 30000.0f, 1.0f)) << alpha;
    }
}

TEST(VisualPartColor, StretchedLargerAPointJustInsideTheEdgeReadsTheLastPixel)
{
    RCPtr<LVisualPart> part = BitmapPart(3, 3, ResizeStretch);
    for (float size : {3.5f, 4.0f, 7.0f, 10.0f, 11.0f, 13.0f, 29.0f, 37.0f, 100.0f, 333.0f, 1000.0f, 4097.0f,
                       12345.0f, 65535.0f, 99999.0f, 1000001.0f}) {
        const float inside = std::nextafter(size, 0.0f);
        EXPECT_EQ(CoordPixel(2, 1), part->GetColorAtPoint(inside, 1.5f * size / 3.0f, size, size)) << size;
        EXPECT_EQ(CoordPixel(1, 2), part->GetColorAtPoint(1.5f * size / 3.0f, inside, size, size)) << size;
        EXPECT_EQ(NoColor, part->GetColorAtPoint(size, 0.0f, size, size)) << size;
    }
}

TEST(VisualPartColor, NaNAndNegativePointsAreOutside)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    RCPtr<LVisualPart> solid =
        LVisualPart::CreateFromColorizer(Text("solid"), Solid(0xFF336699), 5, 4, ResizeStretch, 1, nullptr);
    for (ResizeType resizeType : {ResizeStretch, ResizeTile, ResizeCenter}) {
        RCPtr<LVisualPart> part = BitmapPart(5, 4, resizeType);
        // At its own size the point is rounded, so only points rounding below 0 are outside there.
        for (auto [x, y] : {std::pair{nan, 1.0f}, {1.0f, nan}, {nan, nan}, {-1.0f, 1.0f}, {1.0f, -0.5f}, {-inf, 1.0f}}) {
            EXPECT_EQ(NoColor, part->GetColorAtPoint(x, y, 5.0f, 4.0f)) << resizeType << ": " << x << ", " << y;
            EXPECT_EQ(NoColor, solid->GetColorAtPoint(x, y, 5.0f, 4.0f)) << x << ", " << y;
        }
        for (auto [width, height] : {std::pair{2.0f, 2.0f}, {20.0f, 8.0f}, {7.0f, 3.0f}}) {
            for (auto [x, y] : {std::pair{nan, 1.0f}, {1.0f, nan}, {-0.1f, 1.0f}, {1.0f, -0.1f}, {-inf, 1.0f}}) {
                EXPECT_EQ(NoColor, part->GetColorAtPoint(x, y, width, height))
                    << resizeType << ": " << x << ", " << y << " in " << width << " x " << height;
                EXPECT_EQ(NoColor, solid->GetColorAtPoint(x, y, width, height)) << x << ", " << y;
            }
        }
    }
}

TEST(VisualPartColor, ATileOfNoWidthOrHeightHitsNothing)
{
    for (auto [width, height] : {std::pair{0, 4}, {5, 0}}) {
        RCPtr<LVisualPart> part =
            LVisualPart::CreateFromColorizer(Text("empty"), Solid(0xFF0000FF), width, height, ResizeTile, 1, nullptr);
        ASSERT_TRUE(part);
        EXPECT_EQ(NoColor, part->GetColorAtPoint(3.0f, 3.0f, 20.0f, 8.0f)) << width << " x " << height;
    }
}

TEST(VisualPartColor, SolidPartMultipliesTheColorizerAlphaByTheModifier)
{
    RCPtr<LVisualPart> part =
        LVisualPart::CreateFromColorizer(Text("half"), Solid(0x80336699), 4, 2, ResizeStretch, 0.5f, nullptr);
    ASSERT_TRUE(part);
    EXPECT_FALSE(part->GetBitmap()) << "a solid colour alone is drawn as a filled rectangle";
    EXPECT_EQ(0x40336699u, part->GetColorAtPoint(1, 1));
    EXPECT_EQ(0x40336699u, part->GetColorAtPoint(10.0f, 5.0f, 20.0f, 8.0f));
}

TEST(VisualPartCreate, FactoriesNeedABitmapOrAColorizerAndAColorizerTintsTheBitmap)
{
    EXPECT_FALSE(LVisualPart::CreateFromBitmap(Text("x"), nullptr, ResizeTile, Solid(0xFF000000), 1, nullptr));
    EXPECT_FALSE(LVisualPart::CreateFromColorizer(Text("x"), nullptr, 4, 4, ResizeTile, 1, nullptr));

    RCPtr<LBitmap> image = MakeBitmap(3, 2, CoordPixel);
    RCPtr<LVisualPart> tinted =
        LVisualPart::CreateFromBitmap(Text("tinted"), image, ResizeTile, Solid(0xFF00FF00), 1, nullptr);
    EXPECT_EQ(3, tinted->GetWidth());
    EXPECT_EQ(2, tinted->GetHeight());
    EXPECT_EQ(ResizeTile, tinted->GetResizeType());
    ASSERT_TRUE(tinted->GetBitmap());
    EXPECT_NE(image.Get(), tinted->GetBitmap().Get()) << "the tinted copy is drawn, not the image";
    EXPECT_EQ(CoordPixel(1, 1), image->GetPixel(1, 1).ToARGB()) << "the image itself stays";
}

TEST(VisualPartDraw, BitmapPartDrawsItsBitmapAtTheRoundedSize)
{
    RCPtr<test::DrawRecorder> renderer = test::DrawRecorder::Create();
    RCPtr<LVisualPart> part = BitmapPart(5, 4, ResizeTile);
    EXPECT_EQ(S_OK, part->Draw(renderer, 10.5f, 7.4f));
    ASSERT_EQ(1u, renderer->calls.size());
    EXPECT_EQ("bitmap", renderer->calls[0].what);
    EXPECT_EQ((RectT<int32_t>{0, 0, 11, 7}), renderer->calls[0].rect);
    EXPECT_EQ(ResizeTile, renderer->calls[0].resizeType);
}

TEST(VisualPartDraw, SolidPartFillsBlendedCentredByIntegerHalvesAndSkipsNoAlpha)
{
    RCPtr<test::DrawRecorder> renderer = test::DrawRecorder::Create();
    RCPtr<LVisualPart> stretched =
        LVisualPart::CreateFromColorizer(Text("s"), Solid(0x80336699), 4, 2, ResizeStretch, 0.5f, nullptr);
    RCPtr<LVisualPart> centred =
        LVisualPart::CreateFromColorizer(Text("c"), Solid(0xFF336699), 4, 2, ResizeCenter, 1, nullptr);
    RCPtr<LVisualPart> clear =
        LVisualPart::CreateFromColorizer(Text("t"), Solid(0xFF336699), 4, 2, ResizeStretch, 0, nullptr);
    EXPECT_EQ(S_OK, stretched->Draw(renderer, 11, 7));
    EXPECT_EQ(S_OK, centred->Draw(renderer, 11, 7));
    EXPECT_EQ(S_OK, clear->Draw(renderer, 11, 7));

    ASSERT_EQ(2u, renderer->calls.size()) << "a colour without alpha draws nothing";
    EXPECT_EQ("fill", renderer->calls[0].what);
    EXPECT_EQ((RectT<int32_t>{0, 0, 11, 7}), renderer->calls[0].rect);
    EXPECT_FLOAT_EQ(128.0f / 255.0f * 0.5f, renderer->calls[0].color.a);
    EXPECT_EQ((RectT<int32_t>{3, 2, 4, 2}), renderer->calls[1].rect);
    EXPECT_FLOAT_EQ(1.0f, renderer->calls[1].color.a);
}

TEST(VisualPartDraw, CentredPartLargerThanTheRectangleStartsAtHalvesTowardZero)
{
    struct Case {
        int32_t partWidth, partHeight;
        float width, height;
        RectT<int32_t> expected;
    };
    for (const Case& c : {
             Case{5, 4, 2, 1, {-1, -1, 5, 4}}, // -3 / 2 and -3 / 2 give -1, not -2
             Case{7, 2, 0, 2, {-3, 0, 7, 2}},
             Case{6, 9, 1, 2, {-2, -3, 6, 9}},
             Case{4, 4, 1, 1, {-1, -1, 4, 4}},
         }) {
        RCPtr<test::DrawRecorder> renderer = test::DrawRecorder::Create();
        RCPtr<LVisualPart> part = LVisualPart::CreateFromColorizer(Text("c"), Solid(0xFF336699), c.partWidth,
                                                                   c.partHeight, ResizeCenter, 1, nullptr);
        EXPECT_EQ(S_OK, part->Draw(renderer, c.width, c.height));
        ASSERT_EQ(1u, renderer->calls.size());
        EXPECT_EQ(c.expected, renderer->calls[0].rect) << c.partWidth << " x " << c.partHeight << " in " << c.width
                                                        << " x " << c.height;
    }
}

TEST(VisualPartErrors, PartsWithoutBitmapAndColorizerOrWithAnUnknownResizeType)
{
    LVisualPart bare(Text("bare"), nullptr, ResizeStretch, nullptr, 4, 4, 1, nullptr);
    RCPtr<test::DrawRecorder> renderer = test::DrawRecorder::Create();
    ExpectRuntimeError([&] { bare.Draw(renderer, 4, 4); }, "Draw");
    ExpectRuntimeError([&] { bare.GetColorAtPoint(1, 1); }, "GetColorAtPoint");
    EXPECT_EQ(NoColor, bare.GetColorAtPoint(4, 0)) << "outside the part nothing is asked of it";

    RCPtr<LVisualPart> odd = BitmapPart(5, 4, ResizeType(7));
    EXPECT_EQ(CoordPixel(2, 2), odd->GetColorAtPoint(2.0f, 2.0f, 5.0f, 4.0f)) << "its own size needs no resizing";
    ExpectRuntimeError([&] { odd->GetColorAtPoint(2.0f, 2.0f, 10.0f, 8.0f); }, "GetColorAtPoint");
}

// The descriptor's part, built from a skin image or a colorizer.

std::string ImageFile()
{
    return TEST_IMAGE_FILE;
}

// resources/CE.png is 4 x 4, every pixel different.
uint32_t CEPixel(int32_t x, int32_t y)
{
    const uint32_t i = uint32_t(y * 4 + x);
    return (0xFFu - 0x11u * i) << 24 | (0x10u * uint32_t(x) + 1) << 16 | (0x10u * uint32_t(y) + 2) << 8 | i;
}

ImageRef Image(const std::string& file, int32_t x, int32_t y, int32_t width, int32_t height)
{
    ImageRef image;
    image.file = Text(file.c_str());
    image.x = x;
    image.y = y;
    image.width = width;
    image.height = height;
    return image;
}

TEST(VisualPartDescriptorPart, IsCutFromTheImageRectangleAndKeptWhileItIsUsed)
{
    RCPtr<LVisualPartDescriptor> descriptor = LVisualPartDescriptor::CreateFromImage(
        Text("cut"), Image(ImageFile(), 1, 2, 2, 2), ResizeCenter, nullptr, 1, ImageRef());
    ASSERT_TRUE(descriptor);
    RCPtr<LVisualPart> part = descriptor->GetVisualPart();
    ASSERT_TRUE(part);
    EXPECT_TRUE(part->GetName() == Text("cut"));
    EXPECT_EQ(2, part->GetWidth());
    EXPECT_EQ(ResizeCenter, part->GetResizeType());
    EXPECT_EQ(CEPixel(1, 2), part->GetColorAtPoint(0, 0));
    EXPECT_EQ(CEPixel(2, 3), part->GetColorAtPoint(1, 1));
    EXPECT_EQ(descriptor.Get(), part->GetDescriptor().Get());
    EXPECT_EQ(part.Get(), descriptor->GetVisualPart().Get()) << "built once";

    RCPtr<LDockedPart> docked = LDockedPart::Create(descriptor, DockRecord());
    EXPECT_EQ(part.Get(), docked->GetVisualPart().Get());
}

TEST(VisualPartDescriptorPart, AnImageThatCannotBeLoadedGivesNoPartAndAMissingMaskNone)
{
    const std::string missing = (std::filesystem::path(ImageFile()).parent_path() / "NoSuchImage.png").string();
    RCPtr<LVisualPartDescriptor> noImage = LVisualPartDescriptor::CreateFromImage(
        Text("lost"), Image(missing, 0, 0, 4, 4), ResizeStretch, nullptr, 1, ImageRef());
    EXPECT_FALSE(noImage->GetVisualPart());
    EXPECT_FALSE(LDockedPart::Create(noImage, DockRecord())->GetVisualPart());

    RCPtr<LVisualPartDescriptor> noMask = LVisualPartDescriptor::CreateFromColorizer(
        Text("unmasked"), Solid(0xFF102030), 3, 3, ResizeStretch, 1, Image(missing, 0, 0, 3, 3));
    RCPtr<LVisualPart> part = noMask->GetVisualPart();
    ASSERT_TRUE(part);
    EXPECT_FALSE(part->GetMask());
    EXPECT_EQ(0xFF102030u, part->GetColorAtPoint(2, 2));
}

TEST(VisualPartDescriptorPart, DescriptorAndPartFreeEachOtherInEitherOrder)
{
    // The leak checker reports what these leave behind.
    RCPtr<LVisualPartDescriptor> dropped =
        LVisualPartDescriptor::CreateFromColorizer(Text("a"), Solid(0xFF0000FF), 2, 2, ResizeStretch, 1, ImageRef());
    (void)dropped->GetVisualPart();
    EXPECT_EQ(1, dropped->GetRefCount()) << "a part nobody holds does not keep its descriptor";
    dropped.Release();

    RCPtr<LVisualPartDescriptor> descriptor =
        LVisualPartDescriptor::CreateFromColorizer(Text("b"), Solid(0xFF0000FF), 2, 2, ResizeStretch, 1, ImageRef());
    RCPtr<LVisualPart> part = descriptor->GetVisualPart();
    EXPECT_EQ(2, descriptor->GetRefCount());
    descriptor.Release();
    // Still held by a look, say: the part keeps working and keeps its descriptor.
    EXPECT_EQ(0xFF0000FFu, part->GetColorAtPoint(1, 1));
    ASSERT_TRUE(part->GetDescriptor());
    EXPECT_TRUE(part->GetDescriptor()->GetName() == Text("b"));
    EXPECT_EQ(part.Get(), part->GetDescriptor()->GetVisualPart().Get());
    part.Release();
}

} // namespace
} // namespace VQ
