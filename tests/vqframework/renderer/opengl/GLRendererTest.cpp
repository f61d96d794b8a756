// The OpenGL back end drawn offscreen with Mesa's software renderer and read back: the shared test
// scene against the Cairo-drawn back end, scissor clips, bitmaps as textures, the display-list and
// texture caches with their purge, offscreen contexts as textures, and the failures of set-up.
#include "GLRendererTestSupport.h"

#include "tests/support/DialogScript.h"
#include "tests/vqframework/renderer/BitmapPattern.h"
#include "vqframework/objectbase/Exception.h"
#include "vqframework/renderer/gdi/GDIRenderer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace VQ {
namespace {

using ::testing::MatchesRegex;

using test::Pattern;
using test::PatternBitmap;

// The scene both back ends draw: opaque fills, outlines, clipped and translated fills, unscaled
// bitmaps stretched, tiled and centred, and a colour-rectangle list.
void DrawScene(LRenderer& r, const RCPtr<LBitmap>& bitmap)
{
    r.FillRect({2, 2, 30, 20}, Colour(0xFF204080), true);
    r.FrameRect({40, 4, 20, 12}, Colour(0xFFFF0000), 1.0f);
    r.DrawRect({64, 4, 14, 14}, Colour(0xFF00C000), Colour(0xFF0000FF), 1.0f);
    r.PushClip({10, 30, 25, 15}, {10, 30, 25, 15}, nullptr, true);
    r.FillRect({-100, -100, 400, 400}, Colour(0xFFFFA000), true);
    r.FrameRect({2, 2, 8, 6}, Colour(0xFF000000), 1.0f);
    r.PopState();
    r.PushClip({40, 30, 30, 20}, {0, 0, 12, 9}, nullptr, true);
    r.FillRect({0, 0, 100, 100}, Colour(0xFF8000FF), true);
    r.PopState();
    r.DrawBitmap(bitmap, {80, 2, 10, 10}, ResizeStretch);
    r.DrawBitmap(bitmap, {2, 50, 10, 10}, ResizeCenter);
    r.DrawBitmap(bitmap, {80, 40, 20, 20}, ResizeTile);
    ColorRectListT<float> list;
    list.rects.Add({0, 0, 4, 4});
    list.rects.Add({2, 2, 4, 4});
    list.colors.Add(0xFF112233);
    list.colors.Add(0xFF445566);
    r.DrawColorRectList(list, {20, 62});
}

TEST_F(GLRendererTest, SceneMatchesTheCairoDrawnBackEnd)
{
    constexpr int32_t Width = 110;
    constexpr int32_t Height = 72;
    const RCPtr<LBitmap> bitmap = PatternBitmap(10, 10);

    RCPtr<LGDIRenderer> cairo = LGDIRenderer::Create();
    RCPtr<LRenderContextInfo> cairoContext;
    ASSERT_EQ(S_OK, cairo->InitRenderContextInfo({0, 0, Width, Height}, nullptr, true, cairoContext));
    cairoContext->GetRegion().AddRect(0, 0, Width, Height);
    cairo->RenderStart(cairoContext);
    DrawScene(*cairo, bitmap);
    Platform::DrawingSurface& surface =
        RCPtrDynamicCast<LGDIRenderContextInfo>(cairoContext)->GetCurrentSurface().GetSurface();

    RCPtr<LRenderContextInfo> context = MakeContext(Width, Height);
    Start(context);
    DrawScene(*renderer, bitmap);
    const FramePixels frame = Read(context);
    renderer->RenderFinish(context);

    int failures = 0;
    for (int32_t y = 0; y < Height && failures < 8; ++y) {
        for (int32_t x = 0; x < Width && failures < 8; ++x) {
            const uint32_t want = surface.GetPixel(x, y);
            if (!Near(frame.At(x, y), want, 1)) {
                ADD_FAILURE() << "pixel " << x << ", " << y << ": " << std::hex << frame.At(x, y) << " instead of "
                              << want;
                ++failures;
            }
        }
    }
    cairo->RenderFinish(cairoContext);
}

TEST(GLRendererScissor, FollowsTheFormulaAndItsClamps)
{
    constexpr int32_t Largest = std::numeric_limits<int32_t>::max();
    struct Case {
        const char* name;
        RectT<double> clip;
        RectT<int32_t> box;
    };
    const Case cases[] = {
        {"inside, y from the bottom", {10, 20, 30, 40}, {10, 40, 30, 40}},
        {"halves rounded away from zero", {10.5, 19.5, 29.5, 40.5}, {11, 40, 30, 41}},
        {"negative x moved to 0, width reduced", {-5, 0, 20, 10}, {0, 90, 15, 10}},
        {"below the viewport: y moved to 0, height reduced", {0, 90, 10, 30}, {0, 0, 10, 10}},
        {"width 0: outside the viewport", {10, 10, 0, 10}, {100, 0, 1, 1}},
        {"height rounding to 0", {10, 10, 10, 0.4}, {100, 0, 1, 1}},
        {"negative halves away from zero: -2.5 to -3", {-2.5, 10, 10.5, 10}, {0, 80, 8, 10}},
        {"just below a half rounds down", {0.49999999999999994, 10, 10, 10}, {0, 80, 10, 10}},
        {"wholly left of the viewport", {-30, 10, 20, 10}, {100, 0, 1, 1}},
        {"unbounded", {RenderState::UnboundedClipOrigin, RenderState::UnboundedClipOrigin,
                       RenderState::UnboundedClipSize, RenderState::UnboundedClipSize},
         {0, 0, Largest, Largest}},
    };
    for (const Case& c : cases) {
        const RectT<int32_t> box = LGLRenderer::ComputeScissor(c.clip, 100, 100);
        EXPECT_EQ(c.box.x, box.x) << c.name;
        EXPECT_EQ(c.box.y, box.y) << c.name;
        EXPECT_EQ(c.box.width, box.width) << c.name;
        EXPECT_EQ(c.box.height, box.height) << c.name;
    }
}

TEST_F(GLRendererTest, ClipsFollowTheStatesAndAnEmptyClipDrawsNothing)
{
    RCPtr<LRenderContextInfo> context = MakeContext(40, 30);
    Start(context);
    renderer->PushClip({10, 5, 20, 10}, {10, 5, 20, 10}, nullptr, true);
    renderer->PushTranslation({3, 2});
    renderer->FillRect({-1000, -1000, 3000, 3000}, Colour(Red), true);
    renderer->FillRect({0, 0, 1, 1}, Colour(Blue), true);
    FramePixels frame = Read(context);
    ExpectPixels(frame, [](int32_t x, int32_t y) {
        return x == 13 && y == 7 ? Blue : x >= 10 && y >= 5 && x < 30 && y < 15 ? Red : 0u;
    }, "clip with a translation inside");
    renderer->PopState();
    renderer->PopState();

    renderer->FillRect({0, 0, 40, 30}, Colour(0), false);
    renderer->PushClip({10, 5, 0, 10}, {10, 5, 0, 10}, nullptr, true);
    renderer->FillRect({-1000, -1000, 3000, 3000}, Colour(Red), true);
    renderer->PopState();
    frame = Read(context);
    ExpectPixels(frame, [](int32_t, int32_t) { return 0u; }, "clip of width 0");

    renderer->FillRect({0, 0, 1, 1}, Colour(Green), true);
    renderer->FillRect({39, 29, 1, 1}, Colour(Green), true);
    frame = Read(context);
    EXPECT_EQ(Green, frame.At(0, 0)) << "origin back after the pops";
    EXPECT_EQ(Green, frame.At(39, 29)) << "clip gone after the pops";
    renderer->RenderFinish(context);
}

TEST_F(GLRendererTest, RawFillReplacesPixelsAtTheOriginWithTheColour)
{
    RCPtr<LRenderContextInfo> context = MakeContext(20, 10);
    Start(context);
    renderer->FillRect({0, 0, 20, 10}, Colour(Red), true);
    renderer->PushClip({5, 2, 10, 6}, {0, 0, 2, 2}, nullptr, true);
    renderer->FillRect({1, 1, 3, 2}, Colour(0x80112233), false);
    renderer->PopState();
    const FramePixels frame = Read(context);
    renderer->RenderFinish(context);
    ExpectPixels(frame, InRect({6, 3, 3, 2}, 0x80112233, Red), "replaced, not blended, outside the clip too");
}

// The proxy's halving of a size the driver refuses is not tested: the software renderer accepts
// every size up to the largest, so it cannot be forced there.
TEST_F(GLRendererTest, BitmapTextureSidesArePowersOfTwo)
{
    RCPtr<LRenderContextInfo> context = MakeContext(8, 8);
    Start(context);
    const RCPtr<LGLTexture> texture = LGLTexture::Create();
    const std::vector<uint32_t> pixels(300 * 100, 0xFF102030);
    ASSERT_EQ(0, texture->LoadImage(pixels.data(), 300, 100, 300, GL_BGRA, GL_RGBA8, 0, 1.0f));
    EXPECT_EQ(512, texture->GetTextureWidth());
    EXPECT_EQ(128, texture->GetTextureHeight());
    EXPECT_EQ(300, texture->GetImageWidth());
    EXPECT_EQ(100, texture->GetImageHeight());
    renderer->RenderFinish(context);
}

TEST_F(GLRendererTest, WideBitmapIsDrawnUnscaledFromItsTexture)
{
    const RCPtr<LBitmap> bitmap = PatternBitmap(300, 100);
    RCPtr<LRenderContextInfo> context = MakeContext(310, 110);
    Start(context);
    renderer->DrawBitmap(bitmap, {5, 5, 300, 100}, ResizeStretch);
    const FramePixels frame = Read(context);
    renderer->RenderFinish(context);
    ExpectPixels(frame, [](int32_t x, int32_t y) {
        return x >= 5 && y >= 5 && x < 305 && y < 105 ? Pattern(x - 5, y - 5) : 0u;
    }, "300 x 100 from a 512 x 128 texture");
}

TEST_F(GLRendererTest, SubBitmapDrawsItsRectangleOfTheRootsTexture)
{
    const RCPtr<LBitmap> root = PatternBitmap(12, 12);
    const RCPtr<LBitmap> part = root->CreateSubBitmap(3, 4, 5, 6);
    RCPtr<LRenderContextInfo> context = MakeContext(20, 20);
    Start(context);
    renderer->DrawBitmap(root, {0, 0, 12, 12}, ResizeStretch);
    renderer->FillRect({0, 0, 20, 20}, Colour(0), false);
    renderer->DrawBitmap(part, {2, 2, 5, 6}, ResizeStretch);
    const FramePixels frame = Read(context);
    renderer->RenderFinish(context);
    ExpectPixels(frame, [](int32_t x, int32_t y) {
        return x >= 2 && y >= 2 && x < 7 && y < 8 ? Pattern(x + 1, y + 2) : 0u;
    });
    EXPECT_EQ(1u, renderer->GetTextureBuildCount()) << "one texture for the root and its parts";
}

TEST_F(GLRendererTest, TilesStepFromTheLeftAndMayReachPastAndCentringDividesInIntegers)
{
    struct Case {
        const char* name;
        RectT<int32_t> destination;
        ResizeType type;
        std::function<uint32_t(int32_t, int32_t)> expected;
    };
    const Case cases[] = {
        {"tile at the same size draws it once", {5, 5, 10, 10}, ResizeTile,
         [](int32_t x, int32_t y) { return x >= 5 && y >= 5 && x < 15 && y < 15 ? Pattern(x - 5, y - 5) : 0u; }},
        {"tile into 25 x 12: three columns and two rows, reaching to 30 x 20", {2, 3, 25, 12}, ResizeTile,
         [](int32_t x, int32_t y) {
             return x >= 2 && y >= 3 && x < 32 && y < 23 ? Pattern((x - 2) % 10, (y - 3) % 10) : 0u;
         }},
        {"tile into a width of 0 draws nothing", {2, 3, 0, 12}, ResizeTile, [](int32_t, int32_t) { return 0u; }},
        {"centre of a smaller source: (15 - 10) / 2 = 2", {4, 4, 15, 13}, ResizeCenter,
         [](int32_t x, int32_t y) { return x >= 6 && y >= 5 && x < 16 && y < 15 ? Pattern(x - 6, y - 5) : 0u; }},
        {"centre of a larger source: (7 - 10) / 2 = -1", {4, 4, 7, 6}, ResizeCenter,
         [](int32_t x, int32_t y) { return x >= 3 && y >= 2 && x < 13 && y < 12 ? Pattern(x - 3, y - 2) : 0u; }},
        {"any type at the bitmap's own size is a stretch", {5, 5, 10, 10}, ResizeType(5),
         [](int32_t x, int32_t y) { return x >= 5 && y >= 5 && x < 15 && y < 15 ? Pattern(x - 5, y - 5) : 0u; }},
    };
    const RCPtr<LBitmap> bitmap = PatternBitmap(10, 10);
    for (const Case& c : cases) {
        RCPtr<LRenderContextInfo> context = MakeContext(40, 30);
        Start(context);
        renderer->DrawBitmap(bitmap, c.destination, c.type);
        const FramePixels frame = Read(context);
        renderer->RenderFinish(context);
        ExpectPixels(frame, c.expected, c.name);
    }
}

TEST_F(GLRendererTest, BadResizeTypeAndEmptyBitmapThrow)
{
    RCPtr<LRenderContextInfo> context = MakeContext(40, 30);
    Start(context);
    const RCPtr<LBitmap> bitmap = PatternBitmap(10, 10);
    try {
        renderer->DrawBitmap(bitmap, {0, 0, 20, 20}, ResizeType(5));
        ADD_FAILURE() << "no exception for resize type 5";
    } catch (const Exception<std::logic_error>& error) {
        EXPECT_THAT(error.what(), MatchesRegex("Logic Error : Invalid ResizeType passed to DrawBitmap! : "
                                               "VQ::LGLRenderer::DrawBitmap : .*GLRenderer.cpp : Line [0-9]+"));
    }
    for (const RCPtr<LBitmap>& empty : {RCPtr<LBitmap>(), RCPtr<LBitmap>(new LBitmap())}) {
        try {
            renderer->DrawBitmap(empty, {0, 0, 20, 20}, ResizeStretch);
            ADD_FAILURE() << "no exception for an empty bitmap";
        } catch (const Exception<FailedResultException>& error) {
            EXPECT_THAT(error.what(), MatchesRegex("Failed Result : VQRESULT = 80070057 : "
                                                   "VQ::LGLRenderer::DrawBitmap : .*"));
        }
    }
    renderer->RenderFinish(context);
}

TEST_F(GLRendererTest, CachesArePurgedWhenTheLastContextFinishesAfterTheInterval)
{
    const RCPtr<LBitmap> a = PatternBitmap(10, 10);
    const RCPtr<LBitmap> b = PatternBitmap(10, 10);
    PolylineT<float> p;
    p.points.Add({0, 0});
    p.points.Add({5, 5});
    PolylineT<float> q = p;
    RCPtr<LRenderContextInfo> outer = MakeContext(20, 20);
    RCPtr<LRenderContextInfo> inner = MakeContext(20, 20);
    const auto drawA = [&] {
        renderer->DrawBitmap(a, {0, 0, 10, 10}, ResizeStretch);
        renderer->DrawPolyline(p, Colour(Red), {0, 0}, {1, 1}, true);
    };
    const auto drawB = [&] {
        renderer->DrawBitmap(b, {0, 0, 10, 10}, ResizeStretch);
        renderer->DrawPolyline(q, Colour(Red), {0, 0}, {1, 1}, true);
    };
    const auto frame = [&](uint32_t timeMs, bool draw) {
        app.timeMs = timeMs;
        Start(outer);
        if (draw) {
            drawA();
            drawB();
        }
        renderer->RenderFinish(outer);
    };

    frame(0, true);
    EXPECT_EQ(2u, renderer->GetTextureBuildCount());
    EXPECT_EQ(2u, renderer->GetDisplayListBuildCount());
    frame(300001, false); // the first purge drops nothing

    // An inner context finishing after the interval while the outer one remains does not purge.
    app.timeMs = 600002;
    Start(outer);
    Start(inner);
    renderer->RenderFinish(inner);
    drawA();
    EXPECT_EQ(2u, renderer->GetTextureBuildCount()) << "a is still cached";
    EXPECT_EQ(2u, renderer->GetDisplayListBuildCount());
    // The second purge: b was the last lookup before the first one, which counts it as used.
    renderer->RenderFinish(outer);

    frame(900003, false); // the third purge: b, unused for a whole interval, goes; a stays
    frame(900003, true);
    EXPECT_EQ(3u, renderer->GetTextureBuildCount()) << "b's texture was purged";
    EXPECT_EQ(3u, renderer->GetDisplayListBuildCount()) << "q's display list was purged";
}

TEST_F(GLRendererTest, KeptPolylinesReuseTheirDisplayListUntilChanged)
{
    PolylineT<float> polyline;
    polyline.points.Add({2, 2});
    polyline.points.Add({17, 2});
    RCPtr<LRenderContextInfo> context = MakeContext(20, 10);
    Start(context);

    renderer->DrawPolyline(polyline, Colour(Red), {0, 0}, {1, 1}, true);
    renderer->FillRect({0, 0, 20, 10}, Colour(0), false);
    renderer->DrawPolyline(polyline, Colour(Blue), {0, 4}, {1, 1}, true);
    EXPECT_EQ(1u, renderer->GetDisplayListBuildCount()) << "drawn twice from one list";
    FramePixels frame = Read(context);
    EXPECT_EQ(Blue, frame.At(10, 6)) << "the colour and offset are not part of the list";
    EXPECT_EQ(0u, frame.At(10, 2));

    polyline.points.GetAt(1) = {17, 8};
    polyline.changed = true;
    renderer->DrawPolyline(polyline, Colour(Green), {0, 0}, {1, 1}, true);
    EXPECT_EQ(2u, renderer->GetDisplayListBuildCount()) << "a changed polyline is compiled again";
    EXPECT_FALSE(polyline.changed);

    renderer->DrawPolyline(polyline, Colour(Green), {0, 0}, {1, 1}, false);
    renderer->DrawPolyline(polyline, Colour(Green), {0, 0}, {1, 1}, true);
    EXPECT_EQ(3u, renderer->GetDisplayListBuildCount()) << "drawing without keeping drops the list";

    // Outline and fill share the changed flag: a change seen by one rebuilds both.
    PolylineT<float> polygon;
    polygon.points.Add({1, 1});
    polygon.points.Add({8, 1});
    polygon.points.Add({8, 8});
    renderer->DrawPolygon(polygon, Colour(Red), {0, 0}, {1, 1}, true);
    renderer->FillPolygon(polygon, Colour(Red), {0, 0}, {1, 1}, true);
    EXPECT_EQ(5u, renderer->GetDisplayListBuildCount());
    polygon.changed = true;
    renderer->DrawPolygon(polygon, Colour(Red), {0, 0}, {1, 1}, true);
    renderer->FillPolygon(polygon, Colour(Red), {0, 0}, {1, 1}, true);
    EXPECT_EQ(7u, renderer->GetDisplayListBuildCount());

    ColorRectListT<float> list;
    list.rects.Add({0, 0, 3, 3});
    list.colors.Add(Red);
    renderer->DrawColorRectList(list, {0, 0});
    renderer->DrawColorRectList(list, {5, 0});
    EXPECT_EQ(8u, renderer->GetDisplayListBuildCount()) << "an unchanged rectangle list is drawn from its list";
    list.colors.GetAt(0) = Green;
    renderer->FillRect({0, 0, 20, 10}, Colour(0), false);
    renderer->DrawColorRectList(list, {5, 0});
    EXPECT_EQ(9u, renderer->GetDisplayListBuildCount()) << "a rectangle list whose content changed is compiled again";
    frame = Read(context);
    EXPECT_EQ(Green, frame.At(6, 1));
    renderer->RenderFinish(context);
}

TEST_F(GLRendererTest, FilledPolygonCoversItsInside)
{
    PolylineT<float> polygon;
    for (const PointT<float>& point : {PointT<float>{2, 2}, {18, 2}, {18, 18}, {10, 10}, {2, 18}})
        polygon.points.Add(point);
    RCPtr<LRenderContextInfo> context = MakeContext(20, 20);
    Start(context);
    renderer->FillPolygon(polygon, Colour(Red), {0, 0}, {1, 1}, false);
    const FramePixels frame = Read(context);
    renderer->RenderFinish(context);
    EXPECT_EQ(Red, frame.At(5, 5));
    EXPECT_EQ(Red, frame.At(15, 14)) << "a concave polygon's right arm";
    EXPECT_EQ(0u, frame.At(10, 16)) << "the notch stays empty";
    EXPECT_EQ(0u, frame.At(0, 0));
}

TEST_F(GLRendererTest, ContextMadeInsideATranslatedFrameKeepsTheFramesOrigin)
{
    RCPtr<LRenderContextInfo> context = MakeContext(20, 10);
    Start(context);
    renderer->PushClip({5, 3, 15, 7}, {0, 0, 15, 7}, nullptr, true);
    RCPtr<LRenderContextInfo> cache = MakeContext(4, 4);
    renderer->FillRect({0, 0, 2, 2}, Colour(Red), true);
    const FramePixels frame = Read(context);
    renderer->PopState();
    renderer->RenderFinish(context);
    ExpectPixels(frame, InRect({5, 3, 2, 2}, Red), "filled at the translated position");
}

TEST_F(GLRendererTest, AnotherRendererGoingDuringAFrameLeavesItsContext)
{
    RCPtr<LGLRenderer> other = LGLRenderer::Create({}, nullptr);
    RCPtr<LRenderContextInfo> otherContext;
    ASSERT_EQ(S_OK, other->InitRenderContextInfo({0, 0, 4, 4}, nullptr, true, otherContext));
    // Give the other context a framebuffer object, whose names its end frees.
    otherContext->GetRegion().AddRect(0, 0, 4, 4);
    other->RenderStart(otherContext);
    PolylineT<float> kept;
    kept.points.Add({0, 0});
    kept.points.Add({3, 3});
    other->DrawPolyline(kept, Colour(Red), {0, 0}, {1, 1}, true);
    other->RenderFinish(otherContext);

    RCPtr<LRenderContextInfo> context = MakeContext(20, 10);
    Start(context);
    renderer->FillRect({0, 0, 2, 2}, Colour(Red), true);
    otherContext.Release();
    renderer->FillRect({4, 0, 2, 2}, Colour(Green), true);
    other.Release();
    renderer->FillRect({8, 0, 2, 2}, Colour(Blue), true);
    const FramePixels frame = Read(context);
    renderer->RenderFinish(context);
    EXPECT_EQ(Red, frame.At(1, 1));
    EXPECT_EQ(Green, frame.At(5, 1)) << "after the other's context info went";
    EXPECT_EQ(Blue, frame.At(9, 1)) << "after the other renderer went";
}

TEST_F(GLRendererTest, BitmapWiderThanTheLargestTextureIsScaledIntoIt)
{
    constexpr uint32_t Colour20000 = 0xFF3060C0;
    const RCPtr<LBitmap> bitmap = LBitmap::CreateFilledBitmap(20000, 1, Colour(Colour20000));
    RCPtr<LRenderContextInfo> context = MakeContext(100, 1);
    Start(context);
    renderer->DrawBitmap(bitmap, {0, 0, 100, 1}, ResizeStretch);
    const FramePixels frame = Read(context);
    renderer->RenderFinish(context);
    for (int32_t x = 0; x < 100; ++x)
        EXPECT_TRUE(Near(Colour20000, frame.At(x, 0), 1)) << x << ": " << std::hex << frame.At(x, 0);
}

TEST_F(GLRendererTest, TilingAHugeDestinationDrawsOnlyTheVisibleTiles)
{
    const RCPtr<LBitmap> bitmap = PatternBitmap(10, 10);
    constexpr int32_t Left = -999999995;
    constexpr int32_t Top = -999999997;
    constexpr int32_t Size = 2000000000;
    RCPtr<LRenderContextInfo> context = MakeContext(40, 30);
    Start(context);
    renderer->DrawBitmap(bitmap, {Left, Top, Size, Size}, ResizeTile);
    FramePixels frame = Read(context);
    ExpectPixels(frame, [](int32_t x, int32_t y) { return Pattern((x + 5) % 10, (y + 7) % 10); }, "whole frame");

    renderer->FillRect({0, 0, 40, 30}, Colour(0), false);
    renderer->PushClip({10, 5, 20, 10}, {10, 5, 20, 10}, nullptr, true);
    renderer->PushTranslation({3, 2});
    renderer->DrawBitmap(bitmap, {Left, Top, Size, Size}, ResizeTile);
    renderer->PopState();
    renderer->PopState();
    frame = Read(context);
    renderer->RenderFinish(context);
    ExpectPixels(frame, [](int32_t x, int32_t y) {
        return x >= 10 && y >= 5 && x < 30 && y < 15 ? Pattern((x + 2) % 10, y % 10) : 0u;
    }, "clipped and moved by (13, 7)");
}

TEST_F(GLRendererTest, PolygonWithAPointNotFiniteDrawsNothing)
{
    constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float Infinity = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        PointT<float> point;
    };
    const Case cases[] = {
        {"x not a number", {NaN, 10}},
        {"y not a number", {10, NaN}},
        {"x infinite", {Infinity, 10}},
        {"y minus infinite", {10, -Infinity}},
    };
    for (const Case& c : cases) {
        for (bool keep : {false, true}) {
            PolylineT<float> polygon;
            for (const PointT<float>& point : {PointT<float>{2, 2}, {18, 2}, c.point, {2, 18}})
                polygon.points.Add(point);
            RCPtr<LRenderContextInfo> context = MakeContext(20, 20);
            Start(context);
            renderer->FillPolygon(polygon, Colour(Red), {0, 0}, {1, 1}, keep);
            renderer->FillPolygon(polygon, Colour(Red), {0, 0}, {1, 1}, keep);
            const FramePixels frame = Read(context);
            renderer->RenderFinish(context);
            ExpectPixels(frame, [](int32_t, int32_t) { return 0u; }, c.name);
        }
    }
}

TEST_F(GLRendererTest, OffscreenContextsAreDrawnFromAndScrolledThroughTheirTexture)
{
    RCPtr<LRenderContextInfo> cache = MakeContext(10, 8);
    RCPtr<LRenderContextInfo> target = MakeContext(30, 20);
    Start(cache);
    renderer->FillRect({0, 0, 10, 8}, Colour(Blue), true);
    renderer->FillRect({0, 0, 4, 3}, Colour(Red), true);
    renderer->RenderFinish(cache);

    Start(target);
    // A frame nested inside another draws to its own target and gives the outer one back.
    Start(cache);
    renderer->FillRect({9, 7, 1, 1}, Colour(Green), true);
    renderer->RenderFinish(cache);
    EXPECT_EQ(S_OK, renderer->DrawRenderContext(cache, {5, 6}, {0, 0, 10, 8}));
    EXPECT_EQ(S_OK, renderer->DrawRenderContext(cache, {20, 0}, {2, 1, 4, 4}));
    FramePixels frame = Read(target);
    ExpectPixels(frame, [](int32_t x, int32_t y) -> uint32_t {
        if (x >= 5 && y >= 6 && x < 15 && y < 14) {
            const int32_t sx = x - 5;
            const int32_t sy = y - 6;
            return sx == 9 && sy == 7 ? Green : sx < 4 && sy < 3 ? Red : Blue;
        }
        if (x >= 20 && y < 4 && x < 24) {
            const int32_t sx = x - 20 + 2;
            const int32_t sy = y + 1;
            return sx < 4 && sy < 3 ? Red : Blue;
        }
        return 0u;
    }, "drawn from the cache");
    EXPECT_EQ(E_FAIL, renderer->DrawRenderContext(target, {0, 0}, {0, 0, 1, 1})) << "not onto itself";
    renderer->RenderFinish(target);

    EXPECT_EQ(S_OK, renderer->ScrollRenderContext(cache, {3, -1}));
    Start(target);
    renderer->FillRect({0, 0, 30, 20}, Colour(0), false);
    EXPECT_EQ(S_OK, renderer->DrawRenderContext(cache, {0, 0}, {0, 0, 10, 8}));
    frame = Read(target);
    renderer->RenderFinish(target);
    ExpectPixels(frame, [](int32_t x, int32_t y) -> uint32_t {
        if (x >= 10 || y >= 8)
            return 0u;
        if (x < 3 || y == 7)
            return 0u;
        const int32_t sx = x - 3;
        const int32_t sy = y + 1;
        return sx == 9 && sy == 7 ? Green : sx < 4 && sy < 3 ? Red : Blue;
    }, "scrolled by (3, -1), the uncovered part transparent");

    RCPtr<LRenderContextInfo> notOffscreen = MakeContext(10, 10, false);
    EXPECT_EQ(E_INVALIDARG, renderer->DrawRenderContext(notOffscreen, {0, 0}, {0, 0, 1, 1}));
    EXPECT_EQ(E_INVALIDARG, renderer->ScrollRenderContext(notOffscreen, {1, 1}));
    EXPECT_EQ(E_INVALIDARG, renderer->DrawRenderContext({}, {0, 0}, {0, 0, 1, 1}));
}

TEST_F(GLRendererTest, WithoutAFontRendererTextIsEmpty)
{
    EXPECT_EQ(LRenderer::OpenGL, renderer->GetRendererType());
    const ConstRCPtr<LFont> font = LFont::GetFont(u"Arial", 10.0f, 0);
    const RectT<float> measured = renderer->MeasureString(u"Text", font);
    EXPECT_EQ(0.0f, measured.x);
    EXPECT_EQ(0.0f, measured.width);
    EXPECT_EQ(0.0f, measured.height);
    int32_t lineHeight = 1;
    int32_t ascent = 1;
    int32_t descent = 1;
    EXPECT_EQ(E_FAIL, renderer->GetFontMetrics(font, lineHeight, ascent, descent));
    RCPtr<LRenderContextInfo> context = MakeContext(20, 10);
    Start(context);
    renderer->DrawString(u"Text", font, {1, 8}, Colour(Red));
    const FramePixels frame = Read(context);
    renderer->RenderFinish(context);
    ExpectPixels(frame, [](int32_t, int32_t) { return 0u; }, "no text drawn");
}

// A window that cannot carry an OpenGL surface.
class PixelsOnlyTarget : public Platform::IPresentTarget {
public:
    bool Present(const Platform::PixelView&, int32_t, int32_t, int32_t, int32_t) override { return true; }
};

constexpr const char* BoxText = "SetPixelFormat failed.Updating your video card driver, with the latest driver from "
                                "the manufacturer of your video card, may solve this issue.";
constexpr const char* ConstructorError =
    "Runtime Error : VQ::LGLRenderer::LGLRenderer : vqframework/renderer/opengl/GLRenderer.cpp : Line [0-9]+";

TEST(GLRendererCreation, FailureShowsTheApplicationsBoxAndThrows)
{
    test::FakeApplicationServices app;
    app.strings[u"GL_ERROR_CAPTION"] = u"OpenGL-Fehler";
    PixelsOnlyTarget window;
    try {
        (void)LGLRenderer::Create({}, &window);
        ADD_FAILURE() << "no exception";
    } catch (const Exception<std::runtime_error>& error) {
        EXPECT_THAT(error.what(), MatchesRegex(ConstructorError));
    }
    ASSERT_EQ(1u, app.messageBoxes.size());
    EXPECT_EQ("OpenGL-Fehler", app.messageBoxes[0].caption) << "the string table's text first";
    EXPECT_EQ(BoxText, app.messageBoxes[0].text) << "the English texts where the table has none";
    EXPECT_EQ(Platform::MessageBoxIconWarning, app.messageBoxes[0].style);
}

TEST(GLRendererCreation, FailureWithoutAnApplicationGoesToThePlatformsBox)
{
    test::DialogScript script;
    PixelsOnlyTarget window;
    EXPECT_THROW((void)LGLRenderer::Create({}, &window), Exception<std::runtime_error>);
    const std::vector<test::DialogRecord> records = script.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("message", records[0].kind);
    ASSERT_EQ(3u, records[0].fields.size());
    EXPECT_EQ(std::to_string(Platform::MessageBoxIconWarning), records[0].fields[0]);
    EXPECT_EQ("OpenGL Error", records[0].fields[1]);
    EXPECT_EQ(BoxText, records[0].fields[2]);
}

} // namespace
} // namespace VQ
