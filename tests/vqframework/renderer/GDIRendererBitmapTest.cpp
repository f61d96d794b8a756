// Bitmaps through the Cairo-drawn back end: unscaled stretch, tile and centre results pixel-exact,
// the errors, and the cache of pre-scaled bitmaps with its purge on the application clock.
#include "GDIRendererTestSupport.h"

#include "tests/vqframework/renderer/BitmapPattern.h"
#include "vqframework/objectbase/Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace VQ {
namespace {

using ::testing::MatchesRegex;
using GDIRendererBitmaps = GDIRendererTest;

using test::Pattern;
using test::PatternBitmap;

struct BitmapCase {
    const char* name;
    std::function<RCPtr<LBitmap>()> make;
    RectT<int32_t> destination;
    ResizeType type;
    // The colour at (dx, dy) of the destination; 0 where nothing is drawn.
    std::function<uint32_t(int32_t, int32_t)> expected;
};

TEST_F(GDIRendererBitmaps, UnscaledResultsArePixelExact)
{
    const auto ten = [] { return PatternBitmap(10, 10); };
    const auto same = [](int32_t dx, int32_t dy) { return Pattern(dx, dy); };
    const auto tiled = [](int32_t dx, int32_t dy) { return Pattern(dx % 10, dy % 10); };
    const BitmapCase cases[] = {
        {"stretch at the same size", ten, {5, 5, 10, 10}, ResizeStretch, same},
        {"tile at the same size draws it once", ten, {5, 5, 10, 10}, ResizeTile, same},
        {"centre at the same size", ten, {5, 5, 10, 10}, ResizeCenter, same},
        {"tile into 25 x 10: three columns, the last cut", ten, {2, 3, 25, 10}, ResizeTile, tiled},
        {"tile into 30 x 10: the texture path", ten, {2, 3, 30, 10}, ResizeTile, tiled},
        {"tile into 10 x 30: the texture path", ten, {0, 0, 10, 30}, ResizeTile, tiled},
        {"tile into 25 x 25", ten, {0, 0, 25, 25}, ResizeTile, tiled},
        {"centre of a larger source", ten, {4, 4, 6, 4}, ResizeCenter,
         [](int32_t dx, int32_t dy) { return Pattern(dx + 2, dy + 3); }},
        {"centre of a smaller source", ten, {4, 4, 14, 12}, ResizeCenter,
         [](int32_t dx, int32_t dy) {
             return dx >= 2 && dx < 12 && dy >= 1 && dy < 11 ? Pattern(dx - 2, dy - 1) : 0u;
         }},
        {"sub-bitmap", [] { return PatternBitmap(10, 10)->CreateSubBitmap(2, 3, 5, 4); }, {1, 1, 5, 4},
         ResizeStretch, [](int32_t dx, int32_t dy) { return Pattern(dx + 2, dy + 3); }},
        {"sub-bitmap tiled", [] { return PatternBitmap(10, 10)->CreateSubBitmap(2, 3, 5, 4); }, {0, 0, 12, 4},
         ResizeTile, [](int32_t dx, int32_t dy) { return Pattern(dx % 5 + 2, dy + 3); }},
        {"copy of a sub-bitmap", [] { return PatternBitmap(10, 10)->CreateSubBitmap(2, 3, 5, 4)->Copy(); },
         {1, 1, 5, 4}, ResizeStretch, [](int32_t dx, int32_t dy) { return Pattern(dx + 2, dy + 3); }},
        {"sub-bitmap partly outside its root", [] { return PatternBitmap(10, 10)->CreateSubBitmap(7, 7, 5, 5); },
         {0, 0, 5, 5}, ResizeStretch,
         [](int32_t dx, int32_t dy) { return dx < 3 && dy < 3 ? Pattern(dx + 7, dy + 7) : 0u; }},
    };
    for (const BitmapCase& c : cases) {
        RCPtr<LRenderContextInfo> context = MakeContext(40, 30);
        Start(context);
        const RCPtr<LBitmap> bitmap = c.make();
        ASSERT_TRUE(bitmap) << c.name;
        renderer->DrawBitmap(bitmap, c.destination, c.type);
        const RectT<int32_t>& d = c.destination;
        ExpectPixels(
            context,
            [&](int32_t x, int32_t y) {
                const bool inside = x >= d.x && y >= d.y && x < d.x + d.width && y < d.y + d.height;
                return inside ? c.expected(x - d.x, y - d.y) : 0u;
            },
            c.name);
        renderer->RenderFinish(context);
    }
}

TEST_F(GDIRendererBitmaps, ScaledStretchCoversExactlyTheDestination)
{
    RCPtr<LRenderContextInfo> context = MakeContext(40, 30);
    Start(context);
    renderer->DrawBitmap(PatternBitmap(10, 10), {3, 4, 23, 17}, ResizeStretch);
    // Filtered pixels are not compared; the destination is opaque and nothing lies beyond it.
    const auto opaque = InRect({3, 4, 23, 17}, 0xFFu);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const uint32_t pixel = Pixel(context, x, y);
            ASSERT_EQ(opaque(x, y), opaque(x, y) ? pixel >> 24 : pixel) << x << ", " << y;
        }
    renderer->RenderFinish(context);
}

TEST_F(GDIRendererBitmaps, CachedBitmapFollowsTheOriginAndTheClip)
{
    RCPtr<LRenderContextInfo> context = MakeContext(20, 20);
    Start(context);
    renderer->PushClip({5, 5, 6, 6}, {5, 5, 6, 6}, nullptr, true);
    renderer->DrawBitmap(PatternBitmap(10, 10), {-2, -2, 10, 10}, ResizeStretch);
    renderer->PopState();
    ExpectPixels(context, [](int32_t x, int32_t y) {
        return x >= 5 && y >= 5 && x < 11 && y < 11 ? Pattern(x - 3, y - 3) : 0u;
    });
    renderer->RenderFinish(context);
}

TEST_F(GDIRendererBitmaps, UnknownResizeTypeThrowsAndCachesNothing)
{
    RCPtr<LRenderContextInfo> context = MakeContext(30, 30);
    const RCPtr<LBitmap> bitmap = PatternBitmap(10, 10);
    Start(context);
    try {
        renderer->DrawBitmap(bitmap, {0, 0, 20, 20}, static_cast<ResizeType>(3));
        ADD_FAILURE() << "no exception";
    } catch (const Exception<std::invalid_argument>& e) {
        EXPECT_THAT(e.what(), MatchesRegex("Invalid Argument : Invalid ResizeType passed to DrawBitmap\\. : "
                                           "VQ::LGDIRenderer::DrawBitmap : vqframework/renderer/gdi/GDIRenderer\\.cpp : "
                                           "Line [0-9]+"));
    }
    EXPECT_EQ(0u, renderer->GetBitmapBuildCount());
    ExpectPixels(context, InRect({0, 0, 0, 0}, 0), "nothing drawn");

    renderer->DrawBitmap(bitmap, {0, 0, 20, 20}, ResizeTile);
    EXPECT_EQ(1u, renderer->GetBitmapBuildCount()) << "the entry was left empty";
    EXPECT_EQ(Pattern(3, 4), Pixel(context, 13, 14));
    renderer->RenderFinish(context);

    // At its own size a bitmap is drawn as it is, so no type is looked at.
    Start(context);
    renderer->DrawBitmap(bitmap, {5, 5, 10, 10}, static_cast<ResizeType>(3));
    EXPECT_EQ(2u, renderer->GetBitmapBuildCount());
    ExpectPixels(context, [](int32_t x, int32_t y) {
        return x >= 5 && y >= 5 && x < 15 && y < 15 ? Pattern(x - 5, y - 5) : 0u;
    });
    renderer->RenderFinish(context);
}

TEST_F(GDIRendererBitmaps, DrawingOutsideAFrameThrows)
{
    try {
        renderer->DrawBitmap(PatternBitmap(2, 2), {0, 0, 2, 2}, ResizeStretch);
        ADD_FAILURE() << "no exception";
    } catch (const Exception<std::runtime_error>& e) {
        EXPECT_THAT(e.what(), MatchesRegex("Runtime Error : VQ::LGDIRenderer::DrawBitmap : "
                                           "vqframework/renderer/gdi/GDIRenderer\\.cpp : Line [0-9]+"));
    }
    EXPECT_EQ(0u, renderer->GetBitmapBuildCount());
}

TEST_F(GDIRendererBitmaps, EachBitmapAndSizeIsBuiltOnce)
{
    RCPtr<LRenderContextInfo> context = MakeContext(40, 30);
    const RCPtr<LBitmap> bitmap = PatternBitmap(10, 10);
    Start(context);
    renderer->DrawBitmap(bitmap, {0, 0, 10, 10}, ResizeStretch);
    renderer->DrawBitmap(bitmap, {20, 15, 10, 10}, ResizeStretch);
    EXPECT_EQ(1u, renderer->GetBitmapBuildCount()) << "same size, another place";
    EXPECT_EQ(Pattern(9, 9), Pixel(context, 29, 24));
    renderer->DrawBitmap(bitmap, {0, 15, 20, 10}, ResizeTile);
    EXPECT_EQ(2u, renderer->GetBitmapBuildCount()) << "another size";
    renderer->DrawBitmap(bitmap->CreateSubBitmap(0, 0, 10, 10), {0, 0, 10, 10}, ResizeStretch);
    EXPECT_EQ(3u, renderer->GetBitmapBuildCount()) << "another bitmap of the same image";
    renderer->RenderFinish(context);

    Start(context);
    renderer->DrawBitmap(bitmap, {0, 0, 10, 10}, ResizeStretch);
    renderer->DrawBitmap(bitmap, {0, 15, 20, 10}, ResizeTile);
    EXPECT_EQ(3u, renderer->GetBitmapBuildCount()) << "kept across frames";
    EXPECT_EQ(Pattern(5, 2), Pixel(context, 15, 17));
    renderer->RenderFinish(context);
}

TEST_F(GDIRendererBitmaps, PurgeDropsWhatWasNotUsedSinceThePreviousPurge)
{
    RCPtr<LRenderContextInfo> context = MakeContext(10, 10);
    const RCPtr<LBitmap> a = PatternBitmap(10, 10);
    const RCPtr<LBitmap> b = PatternBitmap(10, 10);
    const RCPtr<LBitmap> c = PatternBitmap(10, 10);
    const auto frame = [&](uint32_t timeMs, std::vector<RCPtr<LBitmap>> draws) {
        app.timeMs = timeMs;
        Start(context);
        for (const RCPtr<LBitmap>& bitmap : draws)
            renderer->DrawBitmap(bitmap, {0, 0, 10, 10}, ResizeStretch);
        renderer->RenderFinish(context);
        return renderer->GetBitmapBuildCount();
    };

    EXPECT_EQ(3u, frame(0, {c, a, b}));
    frame(300001, {}); // the first purge drops nothing
    frame(600001, {}); // exactly one interval later: not due
    EXPECT_EQ(3u, frame(600001, {a})) << "a survived both";
    frame(600002, {}); // second purge: c, unused since before the first one, goes
    EXPECT_EQ(4u, frame(600002, {c})) << "c was dropped";
    // b was the last lookup before the first purge, so that purge's stamp counts it as used: it
    // outlives the second purge and goes at the third, while a and c, used since, stay.
    frame(900003, {});
    EXPECT_EQ(4u, frame(900003, {a, c}));
    EXPECT_EQ(5u, frame(900003, {b})) << "b was dropped";
}

} // namespace
} // namespace VQ
