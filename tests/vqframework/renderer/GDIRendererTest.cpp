// The Cairo-drawn back end pixel by pixel: surfaces and region presentation, rectangles with clips
// and origins, colour rectangle lists, render contexts drawn and scrolled, and polylines by coverage.
#include "GDIRendererTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <utility>

namespace VQ {
namespace {

using GDIRendererFrame = GDIRendererTest;
using GDIRendererShapes = GDIRendererTest;
using GDIRendererContexts = GDIRendererTest;
using GDIRendererPolylines = GDIRendererTest;

TEST_F(GDIRendererFrame, FullRegionStartsFromATransparentSurfaceAndAPartialOneKeepsTheContent)
{
    RCPtr<LRenderContextInfo> context = MakeContext(40, 30);
    Start(context);
    renderer->FillRect({0, 0, 40, 30}, Colour(Red), true);
    renderer->RenderFinish(context);

    Start(context, {0, 0, 10, 10});
    EXPECT_EQ(Red, Pixel(context, 20, 20)) << "a partial repaint keeps what is there";
    renderer->FillRect({0, 0, 10, 10}, Colour(Blue), true);
    renderer->RenderFinish(context);

    Start(context, {0, 0, 40, 30});
    ExpectPixels(context, InRect({0, 0, 0, 0}, 0), "full repaint");
    renderer->RenderFinish(context);
}

TEST_F(GDIRendererFrame, PresentsOnlyTheRegionsRectanglesLastToFirst)
{
    FakePresentTarget window(40, 30);
    RCPtr<LRenderContextInfo> context = MakeContext(40, 30, &window, false);
    Start(context);
    renderer->FillRect({0, 0, 40, 30}, Colour(Red), true);
    renderer->RenderFinish(context);
    ASSERT_EQ(1u, window.presented.size());
    EXPECT_EQ((RectT<int32_t>{0, 0, 40, 30}), window.presented[0]);
    EXPECT_EQ(Red, window.GetPixel(39, 29));

    FakePresentTarget second(40, 30);
    RCPtr<LRenderContextInfo> other = MakeContext(40, 30, &second, false);
    Start(other);
    renderer->FillRect({0, 0, 40, 30}, Colour(Blue), true);
    // The surface has all of it; the window gets only the region, the part beyond the surface cut.
    RectRegion& region = other->GetRegion();
    region.Clear();
    region.AddRect(0, 0, 10, 10);
    region.AddRect(20, 5, 30, 15);
    region.AddRect(35, 25, 60, 50);
    Array<RectT<int32_t>> rects;
    region.GetRects(rects);
    ASSERT_EQ(3u, rects.GetCount());
    renderer->RenderFinish(other);

    std::vector<RectT<int32_t>> expected;
    for (uint32_t i = rects.GetCount(); i-- > 0;) {
        RectT<int32_t> shown;
        ASSERT_TRUE(RectT<int32_t>::Intersect(shown, rects.GetAt(i), RectT<int32_t>{0, 0, 40, 30}));
        expected.push_back(shown);
    }
    EXPECT_EQ(expected, second.presented);
    EXPECT_EQ((RectT<int32_t>{0, 0, 10, 10}), second.presented.front()) << "added first, so listed last";
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const bool inside = (x < 10 && y < 10) || (x >= 20 && x < 30 && y >= 5 && y < 15) || (x >= 35 && y >= 25);
            ASSERT_EQ(inside ? Blue : 0u, second.GetPixel(x, y)) << x << ", " << y;
        }
}

TEST_F(GDIRendererFrame, OffscreenContextIsNeverPresented)
{
    FakePresentTarget window(20, 20);
    RCPtr<LRenderContextInfo> context = MakeContext(20, 20, &window, true);
    Start(context);
    renderer->FillRect({0, 0, 20, 20}, Colour(Red), true);
    renderer->RenderFinish(context);
    EXPECT_TRUE(window.presented.empty());
}

TEST_F(GDIRendererFrame, ContextSidesBeyondTheLargestSurfaceAreCutAndEmptyOnesRaisedToOne)
{
    struct Case {
        int32_t width, height;
        int32_t surfaceWidth, surfaceHeight;
    };
    const Case cases[] = {{5000, 20, 4096, 20}, {20, 4097, 20, 4096}, {0, -5, 1, 1}};
    for (const Case& c : cases) {
        FakePresentTarget window(std::max(1, c.width), std::max(1, c.height));
        RCPtr<LRenderContextInfo> context = MakeContext(c.width, c.height, &window, false);
        ASSERT_TRUE(context) << c.width << "x" << c.height;
        EXPECT_EQ((PointT<int32_t>{4096, 4096}), context->GetMaximumSize());
        Start(context);
        EXPECT_EQ(c.surfaceWidth, SurfaceOf(context).GetWidth());
        EXPECT_EQ(c.surfaceHeight, SurfaceOf(context).GetHeight());
        renderer->FillRect({0, 0, c.width, c.height}, Colour(Red), true);
        renderer->RenderFinish(context);
        if (c.width > 0) {
            ASSERT_EQ(1u, window.presented.size());
            EXPECT_EQ((RectT<int32_t>{0, 0, c.surfaceWidth, c.surfaceHeight}), window.presented[0]);
            EXPECT_EQ(Red, window.GetPixel(c.surfaceWidth - 1, c.surfaceHeight - 1));
        } else {
            EXPECT_TRUE(window.presented.empty()) << "an empty region presents nothing";
        }
    }
}

TEST_F(GDIRendererFrame, OffsetLeftInTheOnlyContextsStateMovesTheDrawing)
{
    RCPtr<LRenderContextInfo> context = MakeContext(20, 20);
    context->GetState().offset = {5, 3};
    Start(context);
    renderer->FillRect({0, 0, 2, 2}, Colour(Red), true);
    ExpectPixels(context, InRect({5, 3, 2, 2}, Red));
    renderer->RenderFinish(context);
}

TEST_F(GDIRendererFrame, DrawingOutsideAFrameDoesNothing)
{
    PolylineT<float> polyline;
    polyline.points.Add({0, 0});
    polyline.points.Add({5, 5});
    renderer->FillRect({0, 0, 5, 5}, Colour(Red), true);
    renderer->FillRect({0, 0, 5, 5}, Colour(Red), false);
    renderer->FrameRect({0, 0, 5, 5}, Colour(Red), 1);
    renderer->DrawRect({0, 0, 5, 5}, Colour(Red), Colour(Blue), 1);
    renderer->DrawLine({0, 0}, {5, 5}, Colour(Red), 1);
    renderer->FillPolygon(polyline, Colour(Red), {0, 0}, {1, 1}, true);
    renderer->DrawString(u"text", LFont::GetFont(u"Arial", 10.0f, 0), {0, 0}, Colour(Red));
    ColorRectListT<float> list;
    list.rects.Add({0, 0, 5, 5});
    list.colors.Add(Red);
    renderer->DrawColorRectList(list, {1, 1});
    EXPECT_FALSE(renderer->GetCurrentContext());
    EXPECT_TRUE(polyline.changed) << "no path was built";
}

TEST_F(GDIRendererShapes, BlendingFillCompositesOverTheColourBelow)
{
    RCPtr<LRenderContextInfo> context = MakeContext(4, 4);
    Start(context);
    renderer->FillRect({0, 0, 4, 4}, Colour(Blue), true);
    renderer->FillRect({1, 1, 2, 2}, Colour(0x80FF0000), true);
    const uint32_t blended = Pixel(context, 1, 1);
    EXPECT_EQ(0xFFu, blended >> 24);
    EXPECT_NEAR(0x80, int(blended >> 16 & 0xFF), 1);
    EXPECT_NEAR(0x7F, int(blended & 0xFF), 1);
    EXPECT_EQ(Blue, Pixel(context, 0, 0));
    renderer->RenderFinish(context);
}

TEST_F(GDIRendererShapes, RawFillReplacesSurfacePixelsIgnoringOriginAndClip)
{
    struct Case {
        const char* name;
        RectT<int32_t> rect;
        uint32_t colour;
        RectT<int32_t> replaced;
    };
    const Case cases[] = {
        {"inside", {2, 3, 5, 4}, Red, {2, 3, 5, 4}},
        {"transparent clears", {2, 3, 5, 4}, 0, {2, 3, 5, 4}},
        {"half alpha replaces, not blends", {0, 0, 3, 3}, 0x80FF0000, {0, 0, 3, 3}},
        {"partly outside", {-5, -5, 10, 8}, Red, {0, 0, 5, 3}},
        {"beyond the far edges", {15, 8, 100, 100}, Red, {15, 8, 5, 2}},
        {"huge", {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, Red, {0, 0, 0, 0}},
        {"everything", {-1000, -1000, INT_MAX, INT_MAX}, Red, {0, 0, 20, 10}},
        {"far outside", {INT_MAX - 5, 3, 10, 2}, Red, {0, 0, 0, 0}},
        {"negative size", {5, 5, -3, -3}, Red, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        RCPtr<LRenderContextInfo> context = MakeContext(20, 10);
        Start(context);
        renderer->FillRect({0, 0, 20, 10}, Colour(Blue), true);
        // A clip and an origin that a blending fill would obey.
        renderer->PushClip({10, 5, 2, 2}, {10, 5, 2, 2}, nullptr, true);
        renderer->FillRect(c.rect, Colour(c.colour), false);
        renderer->PopState();
        ExpectPixels(context, InRect(c.replaced, c.colour, Blue), c.name);
        renderer->RenderFinish(context);
    }
}

TEST_F(GDIRendererShapes, FrameAndDrawRectCoverTheOnePixelOutlineAndTheFill)
{
    // A one-pixel pen covers (width + 1) x (height + 1) pixels; the fill the width x height inside.
    const RectT<int32_t> rect{5, 3, 10, 6};
    const auto onOutline = [&](int32_t x, int32_t y) {
        const bool withinX = x >= rect.x && x <= rect.x + rect.width;
        const bool withinY = y >= rect.y && y <= rect.y + rect.height;
        return withinX && withinY && (x == rect.x || x == rect.x + rect.width || y == rect.y || y == rect.y + rect.height);
    };
    const auto inFill = [&](int32_t x, int32_t y) {
        return x >= rect.x && y >= rect.y && x < rect.x + rect.width && y < rect.y + rect.height;
    };
    struct Case {
        const char* name;
        bool frameOnly;
        uint32_t fill;
        uint32_t frame;
    };
    const Case cases[] = {
        {"FrameRect", true, 0, Red},
        {"DrawRect fill and frame", false, Blue, Red},
        {"DrawRect transparent fill skipped", false, 0x00123456, Red},
        {"DrawRect transparent frame skipped", false, Blue, 0x00654321},
        {"DrawRect both transparent", false, 0x00FFFFFF, 0x00FFFFFF},
    };
    for (const Case& c : cases) {
        RCPtr<LRenderContextInfo> context = MakeContext(24, 14);
        Start(context);
        if (c.frameOnly)
            renderer->FrameRect(rect, Colour(c.frame), 1.0f);
        else
            renderer->DrawRect(rect, Colour(c.fill), Colour(c.frame), 1.0f);
        const uint32_t fill = c.fill >> 24 ? c.fill : 0u;
        const uint32_t frame = c.frame >> 24 ? c.frame : 0u;
        ExpectPixels(
            context,
            [&](int32_t x, int32_t y) {
                if (onOutline(x, y) && frame)
                    return frame;
                return inFill(x, y) ? fill : 0u;
            },
            c.name);
        renderer->RenderFinish(context);
    }
}

TEST_F(GDIRendererShapes, ClipsAndTranslationsFollowThePushedStates)
{
    struct Case {
        const char* name;
        std::function<void(LRenderer&)> push;
        int pops;
        RectT<int32_t> clip;
        PointT<int32_t> origin;
    };
    const Case cases[] = {
        {"control clip",
         [](LRenderer& r) { r.PushClip({10, 5, 20, 10}, {10, 5, 20, 10}, nullptr, true); },
         1,
         {10, 5, 20, 10},
         {10, 5}},
        {"clip smaller than the bounds",
         [](LRenderer& r) { r.PushClip({10, 5, 20, 10}, {0, 0, 15, 8}, nullptr, true); },
         1,
         {10, 5, 5, 3},
         {10, 5}},
        {"bounds rounded half away from zero",
         [](LRenderer& r) { r.PushClip({10.4, 4.6, 20, 10}, {0, 0, 40, 30}, nullptr, true); },
         1,
         {10, 4, 20, 10},
         {10, 5}},
        {"translation inside a clip keeps the clip",
         [](LRenderer& r) {
             r.PushClip({10, 5, 20, 10}, {10, 5, 20, 10}, nullptr, true);
             r.PushTranslation({3.4, 2.6});
         },
         2,
         {10, 5, 20, 10},
         {13, 8}},
        {"nested clip in the control's coordinates",
         [](LRenderer& r) {
             r.PushClip({10, 5, 20, 10}, {10, 5, 20, 10}, nullptr, true);
             r.PushClip({2, 2, 4, 4}, {2, 2, 4, 4}, nullptr, true);
         },
         2,
         {12, 7, 4, 4},
         {12, 7}},
        {"nested clip reaching outside the outer one",
         [](LRenderer& r) {
             r.PushClip({10, 5, 20, 10}, {10, 5, 20, 10}, nullptr, true);
             r.PushClip({15, 5, 10, 10}, {15, 5, 10, 10}, nullptr, true);
         },
         2,
         {25, 10, 5, 5},
         {25, 10}},
    };
    for (const Case& c : cases) {
        RCPtr<LRenderContextInfo> context = MakeContext(40, 30);
        Start(context);
        c.push(*renderer);
        renderer->FillRect({-1000, -1000, 3000, 3000}, Colour(Red), true);
        ExpectPixels(context, InRect(c.clip, Red), c.name);
        renderer->FillRect({0, 0, 1, 1}, Colour(Blue), true);
        EXPECT_EQ(Blue, Pixel(context, c.origin.x, c.origin.y)) << c.name;
        for (int i = 0; i < c.pops; ++i)
            renderer->PopState();
        renderer->FillRect({0, 0, 1, 1}, Colour(Green), true);
        renderer->FillRect({39, 29, 1, 1}, Colour(Green), true);
        EXPECT_EQ(Green, Pixel(context, 0, 0)) << c.name << ": origin back after the pops";
        EXPECT_EQ(Green, Pixel(context, 39, 29)) << c.name << ": clip gone after the pops";
        renderer->RenderFinish(context);
    }
}

TEST_F(GDIRendererShapes, ColorRectListScalesRoundsAndPaintsLastToFirstAtTheOffset)
{
    ColorRectListT<float> list;
    list.scaleX = 1.5f;
    list.scaleY = 0.5f;
    list.rects.Add({1, 2, 4, 8});  // (1.5, 1, 6, 4) rounds to (2, 1, 6, 4)
    list.colors.Add(Red);
    list.rects.Add({3, 4, 6, 10}); // (4.5, 2, 9, 5) rounds to (5, 2, 9, 5)
    list.colors.Add(Blue);

    RCPtr<LRenderContextInfo> context = MakeContext(30, 20);
    Start(context);
    renderer->DrawColorRectList(list, {3, 2});
    // The first rectangle is painted last, so it lies on top where they overlap.
    const auto red = InRect({5, 3, 6, 4}, Red);
    const auto blue = InRect({8, 4, 9, 5}, Blue);
    ExpectPixels(context, [&](int32_t x, int32_t y) { return red(x, y) ? red(x, y) : blue(x, y); });
    EXPECT_EQ(Red, Pixel(context, 9, 5));

    renderer->FillRect({0, 0, 1, 1}, Colour(Green), true);
    EXPECT_EQ(Green, Pixel(context, 0, 0)) << "the offset is undone";
    EXPECT_EQ((PointT<double>{0, 0}), context->GetState().offset);
    renderer->RenderFinish(context);
}

// Rectangles far beyond the surface still paint the part of it they cover.
TEST_F(GDIRendererShapes, HugeBlendingFillsPaintWhatTheyCover)
{
    constexpr int32_t Big = std::numeric_limits<int32_t>::max();
    const RectT<int32_t> fills[] = {{0, 0, Big, Big}, {-1000, -1000, Big, Big}, {0, 0, 9000000, 9000000},
                                    {-9000000, -9000000, 9000005, 9000005}};
    for (const RectT<int32_t>& fill : fills) {
        SCOPED_TRACE(testing::Message() << fill.x << ", " << fill.y << ", " << fill.width << ", " << fill.height);
        RCPtr<LRenderContextInfo> context = MakeContext(20, 10);
        Start(context);
        renderer->FillRect(fill, Colour(Blue), true);
        const int32_t left = std::max(fill.x, 0);
        const int32_t top = std::max(fill.y, 0);
        const int32_t right = int32_t(std::min<int64_t>(20, int64_t(fill.x) + fill.width));
        const int32_t bottom = int32_t(std::min<int64_t>(10, int64_t(fill.y) + fill.height));
        ExpectPixels(context, InRect({left, top, right - left, bottom - top}, Blue));
        renderer->RenderFinish(context);
    }
}

// A temporary offset is undone exactly, and one that is no number is not taken at all.
TEST_F(GDIRendererShapes, ColorRectListLeavesTheOriginAsItWas)
{
    ColorRectListT<float> list;
    list.rects.Add({0, 0, 2, 2});
    list.colors.Add(Red);
    RCPtr<LRenderContextInfo> context = MakeContext(20, 10);
    Start(context);
    renderer->PushClip({5, 3, 10, 5}, {0, 0, 10, 5}, nullptr, true);
    const PointT<double> before = context->GetState().offset;
    for (const PointT<double>& offset : {PointT<double>{1e20, -1e20}, PointT<double>{std::nan(""), 0}})
        renderer->DrawColorRectList(list, offset);
    EXPECT_EQ(before, context->GetState().offset);
    renderer->PopState();
    renderer->RenderFinish(context);
}

TEST_F(GDIRendererContexts, DrawRenderContextCopiesTheSourceRectangleOfAnOffscreenContext)
{
    RCPtr<LRenderContextInfo> window = MakeContext(40, 30);
    RCPtr<LRenderContextInfo> cache = MakeContext(20, 10);
    Start(window);
    Start(cache);
    renderer->FillRect({0, 0, 10, 10}, Colour(Red), true);
    renderer->FillRect({10, 0, 10, 10}, Colour(Blue), true);
    renderer->RenderFinish(cache);

    EXPECT_EQ(S_OK, renderer->DrawRenderContext(cache, {5, 5}, {5, 2, 10, 6}));
    ExpectPixels(window, [](int32_t x, int32_t y) {
        if (y < 5 || y >= 11 || x < 5 || x >= 15)
            return 0u;
        return x < 10 ? Red : Blue;
    });
    renderer->RenderFinish(window);
}

TEST_F(GDIRendererContexts, OnlyAnOffscreenContextCanBeDrawnFromOrScrolled)
{
    FakePresentTarget target(10, 10);
    RCPtr<LRenderContextInfo> window = MakeContext(10, 10, &target, false);
    RCPtr<LRenderContextInfo> cache = MakeContext(10, 10);
    Start(cache);
    EXPECT_EQ(E_INVALIDARG, renderer->DrawRenderContext(window, {0, 0}, {0, 0, 10, 10}));
    EXPECT_EQ(E_INVALIDARG, renderer->DrawRenderContext(nullptr, {0, 0}, {0, 0, 10, 10}));
    EXPECT_EQ(E_INVALIDARG, renderer->ScrollRenderContext(window, {1, 1}));
    EXPECT_EQ(E_INVALIDARG, renderer->ScrollRenderContext(nullptr, {1, 1}));
    renderer->RenderFinish(cache);
}

TEST_F(GDIRendererContexts, ScrollMovesTheContentAndLeavesTheUncoveredAreaTransparent)
{
    RCPtr<LRenderContextInfo> cache = MakeContext(20, 10);
    Start(cache);
    renderer->FillRect({0, 0, 5, 5}, Colour(Red), true);
    renderer->FillRect({15, 5, 5, 5}, Colour(Blue), true);
    EXPECT_EQ(S_OK, renderer->ScrollRenderContext(cache, {3, 2}));
    ExpectPixels(cache, [](int32_t x, int32_t y) { return InRect({3, 2, 5, 5}, Red)(x, y) | InRect({18, 7, 2, 3}, Blue)(x, y); },
                 "forward");

    EXPECT_EQ(S_OK, renderer->ScrollRenderContext(cache, {-3, -2}));
    ExpectPixels(cache, [](int32_t x, int32_t y) { return InRect({0, 0, 5, 5}, Red)(x, y) | InRect({15, 5, 2, 3}, Blue)(x, y); },
                 "back, the blue part scrolled out stays lost");
    renderer->RenderFinish(cache);
}

TEST_F(GDIRendererContexts, ScrollIgnoresTheCurrentClipAndOriginButDrawingKeepsThem)
{
    RCPtr<LRenderContextInfo> cache = MakeContext(20, 10);
    Start(cache);
    renderer->FillRect({0, 0, 5, 5}, Colour(Red), true);
    renderer->PushClip({1, 1, 3, 3}, {1, 1, 3, 3}, nullptr, true);
    EXPECT_EQ(S_OK, renderer->ScrollRenderContext(cache, {6, 4}));
    renderer->FillRect({-100, -100, 1000, 1000}, Colour(Blue), true);
    renderer->FillRect({0, 0, 1, 1}, Colour(Green), true);
    ExpectPixels(cache, [](int32_t x, int32_t y) {
        if (x == 1 && y == 1)
            return Green;
        if (InRect({1, 1, 3, 3}, 1)(x, y))
            return Blue;
        return InRect({6, 4, 5, 5}, Red)(x, y);
    });
    renderer->PopState();
    renderer->RenderFinish(cache);
}

TEST_F(GDIRendererContexts, ScrolledContextBelowTheTopDrawsThroughItsStateAgainWhenOnTop)
{
    RCPtr<LRenderContextInfo> cache = MakeContext(20, 10);
    RCPtr<LRenderContextInfo> other = MakeContext(5, 5);
    Start(cache);
    renderer->PushClip({4, 3, 6, 4}, {4, 3, 6, 4}, nullptr, true);
    Start(other);
    EXPECT_EQ(S_OK, renderer->ScrollRenderContext(cache, {1, 1}));
    renderer->RenderFinish(other);
    renderer->FillRect({-100, -100, 1000, 1000}, Colour(Blue), true);
    renderer->FillRect({0, 0, 1, 1}, Colour(Green), true);
    ExpectPixels(cache, [](int32_t x, int32_t y) { return x == 4 && y == 3 ? Green : InRect({4, 3, 6, 4}, Blue)(x, y); });
    renderer->PopState();
    renderer->RenderFinish(cache);
}

// A clip given in target coordinates stays where it was set after the origin moves, also on the
// surface a scroll swaps in.
TEST_F(GDIRendererContexts, ScrollKeepsAClipGivenInTargetCoordinatesWhereItWasSet)
{
    RCPtr<LRenderContextInfo> cache = MakeContext(20, 20);
    Start(cache);
    renderer->PushClip({10, 10, 5, 5}, {0, 0, 5, 5}, nullptr, false);
    EXPECT_EQ(S_OK, renderer->ScrollRenderContext(cache, {0, 0}));
    renderer->FillRect({-10, -10, 30, 30}, Colour(Blue), true);
    ExpectPixels(cache, InRect({0, 0, 5, 5}, Blue));
    renderer->PopState();
    renderer->RenderFinish(cache);
}

// A polyline copied or assigned may land where a path of other points was cached.
TEST(PolylineCopies, StartChanged)
{
    PolylineT<float> drawn;
    drawn.changed = false;
    PolylineT<float> copy(drawn);
    EXPECT_TRUE(copy.changed);
    copy.changed = false;
    copy = drawn;
    EXPECT_TRUE(copy.changed);
}

struct CoverageCase {
    const char* name;
    enum Kind { Segments, Polyline, Polygon, Fill } kind;
    std::vector<PointT<float>> points;
    PointT<float> offset;
    PointT<float> scale;
    std::vector<PointT<int32_t>> inside;
    std::vector<PointT<int32_t>> outside;
};

void Draw(LRenderer& renderer, CoverageCase::Kind kind, PolylineT<float>& polyline, uint32_t argb,
          const PointT<float>& offset = {0, 0}, const PointT<float>& scale = {1, 1}, bool keepCached = true)
{
    RGBAColor color;
    color.SetARGB(argb);
    switch (kind) {
    case CoverageCase::Segments: renderer.DrawLineSegments(polyline, color, offset, scale, keepCached); break;
    case CoverageCase::Polyline: renderer.DrawPolyline(polyline, color, offset, scale, keepCached); break;
    case CoverageCase::Polygon: renderer.DrawPolygon(polyline, color, offset, scale, keepCached); break;
    case CoverageCase::Fill: renderer.FillPolygon(polyline, color, offset, scale, keepCached); break;
    }
}

PolylineT<float> MakePolyline(const std::vector<PointT<float>>& points)
{
    PolylineT<float> polyline;
    for (const PointT<float>& point : points)
        polyline.points.Add(point);
    return polyline;
}

TEST_F(GDIRendererPolylines, CoverInsideAndLeaveOutsideUntouched)
{
    const std::vector<PointT<float>> square{{2, 2}, {12, 2}, {12, 12}, {2, 12}};
    const std::vector<PointT<float>> corner{{2, 2}, {12, 2}, {12, 12}};
    const CoverageCase cases[] = {
        {"fill", CoverageCase::Fill, square, {0, 0}, {1, 1}, {{7, 7}, {3, 3}, {11, 11}}, {{0, 0}, {14, 7}, {7, 14}, {20, 20}}},
        {"fill at an offset", CoverageCase::Fill, square, {10, 5}, {1, 1}, {{17, 12}, {13, 8}}, {{7, 4}, {5, 5}, {25, 12}}},
        {"fill scaled", CoverageCase::Fill, square, {0, 0}, {2, 2}, {{20, 20}, {5, 5}}, {{2, 2}, {3, 3}, {26, 26}}},
        {"polygon outline", CoverageCase::Polygon, square, {0, 0}, {1, 1}, {{7, 2}, {12, 7}, {7, 12}, {2, 7}}, {{7, 7}, {0, 0}, {14, 14}}},
        {"polygon closes", CoverageCase::Polygon, corner, {0, 0}, {1, 1}, {{7, 2}, {12, 7}, {7, 7}}, {{3, 10}, {10, 3}}},
        {"polyline stays open", CoverageCase::Polyline, corner, {0, 0}, {1, 1}, {{7, 2}, {12, 7}}, {{7, 7}, {3, 10}}},
        {"segments pair the points, an odd last one dropped", CoverageCase::Segments,
         {{2, 2}, {12, 2}, {2, 6}, {12, 6}, {2, 10}}, {0, 0}, {1, 1}, {{7, 2}, {7, 6}}, {{7, 4}, {2, 8}, {2, 9}}},
    };
    for (const CoverageCase& c : cases) {
        RCPtr<LRenderContextInfo> context = MakeContext(30, 30);
        Start(context);
        PolylineT<float> polyline = MakePolyline(c.points);
        Draw(*renderer, c.kind, polyline, Red, c.offset, c.scale);
        for (const PointT<int32_t>& p : c.inside)
            EXPECT_EQ(Red, Pixel(context, p.x, p.y)) << c.name << " inside at " << p.x << ", " << p.y;
        for (const PointT<int32_t>& p : c.outside)
            EXPECT_EQ(0u, Pixel(context, p.x, p.y)) << c.name << " outside at " << p.x << ", " << p.y;
        EXPECT_FALSE(polyline.changed) << c.name;
        renderer->FillRect({0, 0, 1, 1}, Colour(Blue), true);
        EXPECT_EQ(Blue, Pixel(context, 0, 0)) << c.name << ": the offset is undone";
        renderer->RenderFinish(context);
    }
}

TEST_F(GDIRendererPolylines, PathIsCachedByAddressUntilChangedOrDropped)
{
    RCPtr<LRenderContextInfo> context = MakeContext(40, 20);
    const auto drawFresh = [&](PolylineT<float>& polyline, bool keepCached) {
        Start(context);
        Draw(*renderer, CoverageCase::Fill, polyline, Red, {0, 0}, {1, 1}, keepCached);
        const bool left = Pixel(context, 5, 5) == Red;
        const bool right = Pixel(context, 25, 5) == Red;
        renderer->RenderFinish(context);
        return std::make_pair(left, right);
    };
    const auto moveRight = [](PolylineT<float>& polyline) {
        for (uint32_t i = 0; i < polyline.points.GetCount(); ++i)
            polyline.points.GetAt(i).x += 20;
    };
    const auto moveLeft = [](PolylineT<float>& polyline) {
        for (uint32_t i = 0; i < polyline.points.GetCount(); ++i)
            polyline.points.GetAt(i).x -= 20;
    };
    PolylineT<float> polyline = MakePolyline({{1, 1}, {10, 1}, {10, 10}, {1, 10}});
    EXPECT_TRUE(polyline.changed) << "a new polyline starts changed";

    EXPECT_EQ(std::make_pair(true, false), drawFresh(polyline, true));
    moveRight(polyline);
    EXPECT_EQ(std::make_pair(true, false), drawFresh(polyline, true)) << "edited without the flag: old path";
    polyline.changed = true;
    EXPECT_EQ(std::make_pair(false, true), drawFresh(polyline, true)) << "flagged: rebuilt";
    EXPECT_FALSE(polyline.changed);

    EXPECT_EQ(std::make_pair(false, true), drawFresh(polyline, false));
    moveLeft(polyline);
    EXPECT_EQ(std::make_pair(true, false), drawFresh(polyline, true)) << "a dropped path is built afresh";
}

} // namespace
} // namespace VQ
