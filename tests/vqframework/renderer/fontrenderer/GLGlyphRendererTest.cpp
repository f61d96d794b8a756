#include "vqframework/renderer/fontrenderer/GLGlyphRenderer.h"

#include <gtest/gtest.h>

#include <vector>

// Measuring only (flags 3) never uploads or draws, so none of these needs a GL context.
namespace VQ {
namespace {

using CachedFont = LGLGlyphRenderer::LCachedFont;
using Image = RCPtr<LPixelBuffer<unsigned char>>;

ConstRCPtr<LFont> FontOfSize(float size)
{
    return ConstRCPtr<LFont>(LFont::GetFont(u"Atlas Test Sans", size, 0));
}

Image MakeImage(int32_t width, int32_t height, unsigned char value)
{
    Image image(new LPixelBuffer<unsigned char>(width, height, 0));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            *image->GetPixel(x, y) = value;
    return image;
}

RCPtr<CachedFont> MakeCachedFont(float size)
{
    return RCPtr<CachedFont>(new CachedFont(FontOfSize(size)));
}

TEST(GlyphAtlasTest, ANinePointFontStartsWithAnAtlas512By16AndAFirstRowNineHigh)
{
    RCPtr<CachedFont> font = MakeCachedFont(9.0f);
    ASSERT_TRUE(font->GetAtlas());
    EXPECT_EQ(font->GetAtlas()->GetWidth(), 512);
    EXPECT_EQ(font->GetAtlas()->GetPitch(), 512);
    EXPECT_EQ(font->GetAtlas()->GetHeight(), 16);
    EXPECT_EQ(font->GetRowHeight(), 9);
    EXPECT_EQ(font->GetCursorX(), 0);
    EXPECT_EQ(font->GetCursorY(), 0);
    EXPECT_EQ(font->GetDirtyRect(), (RectT<float>{0, 0, 512, 16}));
}

TEST(GlyphAtlasTest, AReservationEndingExactlyAtTheAtlasHeightMarksItDirtyWithoutGrowing)
{
    // A 16-point font's first row ends at the new atlas's last row.
    RCPtr<CachedFont> font = MakeCachedFont(16.0f);
    EXPECT_EQ(font->GetAtlas()->GetHeight(), 16);
    EXPECT_EQ(font->GetDirtyRect(), (RectT<float>{0, 0, 512, 16}));
}

TEST(GlyphAtlasTest, AnAtlas256HighNeeding300RowsGrowsTo512)
{
    RCPtr<CachedFont> font = MakeCachedFont(200.0f);
    ASSERT_EQ(font->GetAtlas()->GetHeight(), 256);
    *font->GetAtlas()->GetPixel(511, 255) = 42;
    font->Reserve(512, 100);
    EXPECT_EQ(font->GetCursorY(), 200);
    EXPECT_EQ(font->GetAtlas()->GetHeight(), 512);
    EXPECT_EQ(font->GetDirtyRect(), (RectT<float>{0, 0, 512, 512}));
    EXPECT_EQ(*font->GetAtlas()->GetPixel(511, 255), 42);
    EXPECT_EQ(*font->GetAtlas()->GetPixel(511, 511), 0);
}

TEST(GlyphAtlasTest, ASlotReachingX512StartsANewRowAsHighAsTheSlot)
{
    struct Case {
        int32_t secondWidth;
        bool newRow;
    };
    // The first glyph's slot is 500 wide; the second slot is its width plus the border of 2.
    for (const Case c : {Case{9, false}, Case{10, true}}) {
        RCPtr<CachedFont> font = MakeCachedFont(9.0f);
        LGlyphProcessor::SCachedGlyph first, second;
        font->Place(MakeImage(498, 3, 1).Get(), first);
        ASSERT_EQ(font->GetCursorX(), 500);
        font->Place(MakeImage(c.secondWidth, 4, 2).Get(), second);
        if (c.newRow) {
            EXPECT_EQ(second.atlasX, 1);
            EXPECT_EQ(second.atlasY, 10);
            EXPECT_EQ(font->GetCursorY(), 9);
            EXPECT_EQ(font->GetRowHeight(), 6);
            EXPECT_EQ(font->GetCursorX(), 12);
        } else {
            EXPECT_EQ(second.atlasX, 501);
            EXPECT_EQ(second.atlasY, 1);
            EXPECT_EQ(font->GetCursorY(), 0);
            EXPECT_EQ(font->GetRowHeight(), 9);
        }
        EXPECT_EQ(*font->GetAtlas()->GetPixel(second.atlasX, second.atlasY), 2) << c.secondWidth;
    }
}

TEST(GlyphAtlasTest, PlacesRowsInsideABorderAndUnitesTheDirtyRect)
{
    RCPtr<CachedFont> font = MakeCachedFont(9.0f);
    LGlyphProcessor::SCachedGlyph glyph;
    Image image(new LPixelBuffer<unsigned char>(3, 2, 0));
    const unsigned char values[2][3] = {{1, 2, 3}, {4, 5, 6}};
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            *image->GetPixel(x, y) = values[y][x];
    font->Place(image.Get(), glyph);
    EXPECT_EQ(glyph.atlasX, 1);
    EXPECT_EQ(glyph.atlasY, 1);
    EXPECT_EQ(font->GetCursorX(), 5);
    const LPixelBuffer<unsigned char>& atlas = *font->GetAtlas();
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(*atlas.GetPixel(1 + x, 1 + y), values[y][x]);
    for (int32_t x = 0; x < 5; ++x) {
        EXPECT_EQ(*atlas.GetPixel(x, 0), 0);
        EXPECT_EQ(*atlas.GetPixel(x, 3), 0);
    }
    EXPECT_EQ(*atlas.GetPixel(0, 1), 0);
    EXPECT_EQ(*atlas.GetPixel(4, 1), 0);
    // Still the whole atlas from its making: the glyph's rect lies inside.
    EXPECT_EQ(font->GetDirtyRect(), (RectT<float>{0, 0, 512, 16}));

    // An empty image takes a bare border slot and copies nothing.
    LGlyphProcessor::SCachedGlyph space;
    font->Place(Image(new LPixelBuffer<unsigned char>(0, 0, 0)).Get(), space);
    EXPECT_EQ(space.atlasX, 6);
    EXPECT_EQ(font->GetCursorX(), 7);
}

TEST(GlyphAtlasTest, AGlyphWiderThanTheAtlasIsClippedToIt)
{
    RCPtr<CachedFont> font = MakeCachedFont(9.0f);
    LGlyphProcessor::SCachedGlyph narrow, wide;
    font->Place(MakeImage(5, 1, 3).Get(), narrow);
    font->Place(MakeImage(700, 20, 9).Get(), wide);
    EXPECT_EQ(wide.atlasX, 1);
    EXPECT_EQ(wide.atlasY, 10);
    const LPixelBuffer<unsigned char>& atlas = *font->GetAtlas();
    ASSERT_GE(atlas.GetHeight(), 32);
    for (int32_t y = 10; y < 30; ++y) {
        EXPECT_EQ(*atlas.GetPixel(0, y), 0) << y;
        EXPECT_EQ(*atlas.GetPixel(510, y), 9) << y;
        EXPECT_EQ(*atlas.GetPixel(511, y), 0) << y;
    }
    EXPECT_EQ(*atlas.GetPixel(1, 30), 0);
    // The first glyph's row is untouched.
    EXPECT_EQ(*atlas.GetPixel(1, 1), 3);
    EXPECT_EQ(*atlas.GetPixel(6, 1), 0);
}

SGlyphInfo Glyph(uint32_t code, GlyphBox box, int32_t advanceX, Image image)
{
    SGlyphInfo glyph;
    glyph.charCode = code;
    glyph.box = box;
    glyph.advance = uint32_t(uint16_t(int16_t(advanceX * 64)));
    glyph.glyphIndex = code + 100;
    glyph.image = image;
    return glyph;
}

TEST(GLGlyphRendererTest, CachesAGlyphOnceAndAnswersItsBoxFromTheCache)
{
    RCPtr<LGLGlyphRenderer> sink = LGLGlyphRenderer::Create();
    const ConstRCPtr<LFont> font = FontOfSize(9.0f);

    SGlyphInfo unknown;
    EXPECT_EQ(sink->FindGlyph(unknown), 0u) << "no current font";

    sink->BeginString(font, LGlyphProcessor::MeasureFlags);
    SGlyphInfo a = Glyph(u'A', {-1, -7, 6, 0}, 6, MakeImage(7, 7, 200));
    EXPECT_EQ(sink->FindGlyph(a), LGlyphProcessor::GlyphUnknown);
    sink->AddGlyph(a);
    sink->EndString();

    CachedFont* cached = sink->PeekCachedFont(font->GetUniqueID());
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->GetGlyphCount(), 1);
    const int32_t cursor = cached->GetCursorX();

    sink->BeginString(font, LGlyphProcessor::MeasureFlags);
    SGlyphInfo again;
    again.charCode = u'A';
    EXPECT_EQ(sink->FindGlyph(again), 0u);
    EXPECT_EQ(again.box.left, -1);
    EXPECT_EQ(again.box.top, -7);
    EXPECT_EQ(again.box.right, 6);
    EXPECT_EQ(again.glyphIndex, u'A' + 100u);
    EXPECT_EQ(again.GetAdvanceX(), 6 * 64);
    sink->AddGlyph(again);
    sink->EndString();
    EXPECT_EQ(cached->GetGlyphCount(), 1);
    EXPECT_EQ(cached->GetCursorX(), cursor) << "a known glyph takes no second slot";
}

// Code 0 means "not cached": a glyph of U+0000 is measured each time but never takes an atlas slot.
TEST(GLGlyphRendererTest, AGlyphOfCharacterCodeZeroIsMeasuredButNeverPlaced)
{
    RCPtr<LGLGlyphRenderer> sink = LGLGlyphRenderer::Create();
    const ConstRCPtr<LFont> font = FontOfSize(10.0f);
    for (int pass = 0; pass < 2; ++pass) {
        sink->BeginString(font, LGlyphProcessor::MeasureFlags);
        SGlyphInfo nul = Glyph(0, {0, -4, 3, 0}, 4, MakeImage(3, 4, 255));
        EXPECT_EQ(sink->FindGlyph(nul), LGlyphProcessor::GlyphUnknown);
        sink->AddGlyph(nul);
        sink->EndString();
        const GlyphBounds bounds = sink->GetBounds();
        EXPECT_EQ(bounds.top, -4);
        EXPECT_EQ(bounds.right, 4);
    }
    CachedFont* cached = sink->PeekCachedFont(font->GetUniqueID());
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->GetGlyphCount(), 0);
    EXPECT_EQ(cached->GetCursorX(), 0);
}

TEST(GLGlyphRendererTest, BoundsAlwaysContainTheOrigin)
{
    RCPtr<LGLGlyphRenderer> sink = LGLGlyphRenderer::Create();
    sink->BeginString(FontOfSize(9.0f), LGlyphProcessor::MeasureFlags);
    SGlyphInfo x = Glyph(u'x', {0, -5, 5, 0}, 6, MakeImage(5, 5, 255));
    x.penX = 3;
    sink->FindGlyph(x);
    sink->AddGlyph(x);
    SGlyphInfo g = Glyph(u'g', {0, -5, 5, 2}, 6, MakeImage(5, 7, 255));
    g.penX = 9;
    sink->FindGlyph(g);
    sink->AddGlyph(g);
    sink->EndString();
    const GlyphBounds bounds = sink->GetBounds();
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.top, -5);
    EXPECT_EQ(bounds.right, 15);
    EXPECT_EQ(bounds.bottom, 2);

    // Without flag 2 the bounds stay at zero.
    sink->BeginString(FontOfSize(9.0f), LGlyphProcessor::FlagLoad);
    sink->FindGlyph(x);
    sink->AddGlyph(x);
    sink->EndString();
    const GlyphBounds none = sink->GetBounds();
    EXPECT_EQ(none.right, 0);
    EXPECT_EQ(none.top, 0);
}

TEST(GLGlyphRendererTest, TheSeventeenthFontEvictsTheLeastRecentlyUsed)
{
    RCPtr<LGLGlyphRenderer> sink = LGLGlyphRenderer::Create();
    std::vector<ConstRCPtr<LFont>> fonts;
    for (int32_t i = 0; i < 17; ++i)
        fonts.push_back(FontOfSize(20.0f + float(i)));
    for (const ConstRCPtr<LFont>& font : fonts) {
        sink->BeginString(font, LGlyphProcessor::MeasureFlags);
        SGlyphInfo a = Glyph(u'a', {0, -4, 4, 0}, 5, MakeImage(4, 4, 1));
        sink->FindGlyph(a);
        sink->AddGlyph(a);
        sink->EndString();
    }
    EXPECT_EQ(sink->PeekCachedFont(fonts[0]->GetUniqueID()), nullptr);
    for (size_t i = 1; i < fonts.size(); ++i)
        EXPECT_NE(sink->PeekCachedFont(fonts[i]->GetUniqueID()), nullptr) << i;

    // The evicted font comes back empty: its glyphs went with its atlas.
    sink->BeginString(fonts[0], LGlyphProcessor::MeasureFlags);
    SGlyphInfo a;
    a.charCode = u'a';
    EXPECT_EQ(sink->FindGlyph(a), LGlyphProcessor::GlyphUnknown);
    sink->EndString();
    EXPECT_EQ(sink->PeekCachedFont(fonts[1]->GetUniqueID()), nullptr);
}

} // namespace
} // namespace VQ
