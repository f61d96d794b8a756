#include "vqframework/renderer/fontrenderer/FreetypeFontRenderer.h"

#include "vqframework/renderer/fontfile/FontFileInfo.h"
#include "vqframework/renderer/fontrenderer/GLGlyphRenderer.h"

#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;

// Says unknown to every glyph and keeps what it was handed, in order.
class RecordingSink : public LGlyphProcessor {
public:
    struct Call {
        char kind;
        SGlyphInfo glyph;
    };

    void BeginString(const ConstRCPtr<LFont>&, uint32_t) override { calls.push_back({'B', {}}); }
    void EndString() override { calls.push_back({'E', {}}); }
    uint32_t FindGlyph(SGlyphInfo& glyph) override
    {
        calls.push_back({'F', glyph});
        return GlyphUnknown;
    }
    void AddGlyph(SGlyphInfo& glyph) override { calls.push_back({'A', glyph}); }
    GlyphBounds GetBounds() override { return {}; }

    std::string Kinds() const
    {
        std::string kinds;
        for (const Call& call : calls)
            kinds += call.kind;
        return kinds;
    }
    std::vector<SGlyphInfo> Added() const
    {
        std::vector<SGlyphInfo> added;
        for (const Call& call : calls)
            if (call.kind == 'A')
                added.push_back(call.glyph);
        return added;
    }

    std::vector<Call> calls;
};

constexpr const char16_t* Family = u"Liberation Sans";

class FreetypeFontRendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_sink = LGLGlyphRenderer::Create();
        m_renderer = LFreetypeFontRenderer::Create(m_sink, m_sink);
        if (!IsCatalogued())
            GTEST_SKIP() << "Liberation Sans is not installed (fonts-liberation2, make setup)";
    }

    // Not the system font the catalogue falls back to, but the family's own file.
    static bool IsCatalogued()
    {
        try {
            const String path = LFontFileInfo::GetFilePath(LFontFileInfo::GetFileID(Font(12.0f)));
            return path.View().find(u"LiberationSans") != std::u16string_view::npos;
        } catch (...) {
            return false;
        }
    }

    static ConstRCPtr<LFont> Font(float size) { return ConstRCPtr<LFont>(LFont::GetFont(Family, size, 0)); }

    static std::string FontPath(float size)
    {
        std::string path;
        LFontFileInfo::GetFilePath(LFontFileInfo::GetFileID(Font(size))).ToUTF8(path);
        return path;
    }

    std::vector<SGlyphInfo> Render(const String& text, float size, int32_t widthLimit = 0,
                                   int32_t* handled = nullptr)
    {
        RCPtr<RecordingSink> sink(new RecordingSink());
        const int32_t count =
            m_renderer->RenderString(text, Font(size), sink, 0, widthLimit, LGlyphProcessor::MeasureFlags);
        if (handled)
            *handled = count;
        return sink->Added();
    }

    RCPtr<LGLGlyphRenderer> m_sink;
    RCPtr<LFreetypeFontRenderer> m_renderer;
};

// FreeType's own size metrics for the font file at the same scale, to check the formulas against.
class DirectFace {
public:
    DirectFace(const std::string& path, float size)
    {
        FT_Init_FreeType(&m_library);
        if (FT_New_Face(m_library, path.c_str(), 0, &m_face) == 0)
            FT_Set_Char_Size(m_face, 0, FT_F26Dot6(size * 64), 96, 96);
        else
            m_face = nullptr;
    }
    ~DirectFace()
    {
        if (m_face)
            FT_Done_Face(m_face);
        FT_Done_FreeType(m_library);
    }
    FT_Face Get() const { return m_face; }

private:
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
};

TEST_F(FreetypeFontRendererTest, MetricsFollowFreetypesSizeMetrics)
{
    // Liberation Sans 2 at 96 dpi. Its line spacing is always above 96/72 of the size, so the
    // size-derived floor never wins with it; FreeType's height wins at 9 and 30, and the raise to
    // descent - ascent at 7.5 and 12 (ascent and descent are each rounded outward).
    struct Case {
        float size;
        int32_t lineHeight;
        int32_t ascent;
        int32_t descent;
    };
    for (const Case c : {Case{7.5f, 13, -10, 3}, Case{9.0f, 14, -11, 3}, Case{12.0f, 19, -15, 4},
                         Case{30.0f, 46, -37, 9}}) {
        int32_t lineHeight = -1, ascent = 0, descent = 0;
        ASSERT_EQ(m_renderer->GetFontMetrics(Font(c.size), lineHeight, ascent, descent), 0) << c.size;
        DirectFace face(FontPath(c.size), c.size);
        ASSERT_TRUE(face.Get());
        const FT_Size_Metrics& metrics = face.Get()->size->metrics;
        EXPECT_EQ(ascent, -int32_t(metrics.ascender >> 6)) << c.size;
        EXPECT_EQ(descent, -int32_t(metrics.descender >> 6)) << c.size;
        EXPECT_EQ(ascent, c.ascent) << c.size;
        EXPECT_EQ(descent, c.descent) << c.size;
        EXPECT_EQ(lineHeight, c.lineHeight) << c.size;
    }
}

// Sizes with no glyphs: not finite, not positive, below 1/64 point or above 1000 points.
TEST_F(FreetypeFontRendererTest, SizesOutsideTheRenderedRangeFailAndHandleNothing)
{
    struct Case {
        float size;
        bool rendered;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    for (const Case c : {Case{nan, false}, Case{infinity, false}, Case{-infinity, false}, Case{-12.0f, false},
                         Case{0.0f, false}, Case{0.01f, false}, Case{1000.5f, false}, Case{1e30f, false},
                         Case{1.0f, true}, Case{1000.0f, true}}) {
        // Held once: every request of a NaN size makes a new font.
        const ConstRCPtr<LFont> font = Font(c.size);
        int32_t lineHeight = 0, ascent = 0, descent = 0;
        EXPECT_EQ(m_renderer->GetFontMetrics(font, lineHeight, ascent, descent) == 0, c.rendered) << c.size;
        RCPtr<RecordingSink> sink(new RecordingSink());
        EXPECT_EQ(m_renderer->RenderString(u"Ab", font, sink, 0, 0, LGlyphProcessor::MeasureFlags),
                  c.rendered ? 2 : 0)
            << c.size;
        EXPECT_EQ(sink->Kinds(), c.rendered ? "BFAFAE" : "BE") << c.size;
        EXPECT_EQ(m_renderer->MeasureString(u"Ab", font).width > 1.0f, c.rendered) << c.size;
        // The atlas sink's first row is empty for a size without glyphs, however large the number.
        LGLGlyphRenderer::LCachedFont* cached = m_sink->PeekCachedFont(font->GetUniqueID());
        ASSERT_TRUE(cached) << c.size;
        if (!c.rendered) {
            EXPECT_LE(cached->GetAtlas()->GetHeight(), 1) << c.size;
        }
    }
}

TEST_F(FreetypeFontRendererTest, SmallSizesRenderMonochromeAndEightPointsAntialiased)
{
    struct Case {
        float size;
        bool monochrome;
    };
    for (const Case c : {Case{7.5f, true}, Case{8.0f, false}}) {
        bool onlyFullOrEmpty = true;
        int32_t inked = 0;
        for (const SGlyphInfo& glyph : Render(u"Hamburgefonts", c.size)) {
            ASSERT_TRUE(glyph.image) << glyph.charCode;
            const LPixelBuffer<unsigned char>& image = *glyph.image;
            EXPECT_GE(image.GetPitch(), image.GetWidth());
            for (int32_t y = 0; y < image.GetHeight(); ++y)
                for (int32_t x = 0; x < image.GetWidth(); ++x) {
                    const unsigned char value = *image.GetPixel(x, y);
                    inked += value != 0;
                    onlyFullOrEmpty = onlyFullOrEmpty && (value == 0 || value == 255);
                }
        }
        EXPECT_GT(inked, 0) << c.size;
        EXPECT_EQ(onlyFullOrEmpty, c.monochrome) << c.size;
    }
}

TEST_F(FreetypeFontRendererTest, RecordsCarryIndexPenAdvanceAndBox)
{
    int32_t handled = 0;
    const std::vector<SGlyphInfo> glyphs = Render(u"Hi", 12.0f, 0, &handled);
    EXPECT_EQ(handled, 2);
    ASSERT_EQ(glyphs.size(), 2u);
    EXPECT_EQ(glyphs[0].index, 0);
    EXPECT_EQ(glyphs[1].index, 1);
    EXPECT_EQ(glyphs[0].charCode, u'H');
    EXPECT_NE(glyphs[0].glyphIndex, 0u);
    EXPECT_EQ(glyphs[0].penY, 0);
    EXPECT_GT(glyphs[0].GetAdvanceX(), 0);
    EXPECT_EQ(glyphs[0].GetAdvanceY(), 0);
    // Capitals stand on the baseline: the box's top is above it (negative), its bottom on it.
    EXPECT_LT(glyphs[0].box.top, 0);
    EXPECT_EQ(glyphs[0].box.bottom, 0);
    EXPECT_GT(glyphs[0].box.right, glyphs[0].box.left);
    EXPECT_GE(glyphs[1].penX, float(glyphs[0].GetAdvanceX()) / 64.0f - 1.0f);

    // The start value is the first record's index only; after it the index counts characters.
    RCPtr<RecordingSink> sink(new RecordingSink());
    EXPECT_EQ(m_renderer->RenderString(u"Hi", Font(12.0f), sink, 5, 0, LGlyphProcessor::MeasureFlags), 2);
    const std::vector<SGlyphInfo> started = sink->Added();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0].index, 5);
    EXPECT_EQ(started[1].index, 1);
}

// A sink whose AddGlyph throws, as a failed allocation of the atlas would.
class ThrowingSink : public RecordingSink {
public:
    void AddGlyph(SGlyphInfo&) override { throw std::runtime_error("sink failed"); }
};

TEST_F(FreetypeFontRendererTest, AThrowingSinkStillSeesTheStringEndAndNothingLeaks)
{
    RCPtr<ThrowingSink> sink(new ThrowingSink());
    EXPECT_THROW(m_renderer->RenderString(u"Hi", Font(12.0f), sink, 0, 0, LGlyphProcessor::MeasureFlags),
                 std::runtime_error);
    EXPECT_EQ(sink->Kinds(), "BFE");
}

TEST_F(FreetypeFontRendererTest, AFontWhoseFileCannotBeOpenedMeasuresZero)
{
    EXPECT_GT(m_renderer->MeasureString(u"Before", Font(12.0f)).width, 1.0f);
    const GlyphBounds before = m_renderer->GetBounds();
    EXPECT_GT(before.right, 0.0f);

    // A second renderer rescans and empties the shared face cache; then the family's only file goes.
    RCPtr<LFreetypeFontRenderer> second = LFreetypeFontRenderer::Create(m_sink, m_sink);
    test::TemporaryFolder folder;
    const std::string copy = folder.Path() + "/LiberationSans-Regular.ttf";
    std::filesystem::copy_file(FontPath(12.0f), copy);
    const std::vector<String> paths = {String(std::string_view(copy))};
    LFontFileInfo::ScanFontFiles(paths);
    std::filesystem::remove(copy);

    RCPtr<RecordingSink> sink(new RecordingSink());
    EXPECT_EQ(m_renderer->RenderString(u"After", Font(12.0f), sink, 0, 0, LGlyphProcessor::MeasureFlags), 0);
    EXPECT_EQ(sink->Kinds(), "BE");
    m_renderer->MeasureString(u"After", Font(12.0f));
    const GlyphBounds after = m_renderer->GetBounds();
    EXPECT_EQ(after.left, 0.0f);
    EXPECT_EQ(after.top, 0.0f);
    EXPECT_EQ(after.right, 0.0f);
    EXPECT_EQ(after.bottom, 0.0f);
}

TEST_F(FreetypeFontRendererTest, EmptyTextHandlesNothingAndTheSinkSeesOnlyBeginAndEnd)
{
    RCPtr<RecordingSink> sink(new RecordingSink());
    EXPECT_EQ(m_renderer->RenderString(String(), Font(12.0f), sink, 5, 0, LGlyphProcessor::MeasureFlags), 0);
    EXPECT_EQ(sink->Kinds(), "BE");

    EXPECT_EQ(m_renderer->MeasureString(String(), Font(12.0f)).width, 1.0f);
    const GlyphBounds bounds = m_renderer->GetBounds();
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.top, 0);
    EXPECT_EQ(bounds.right, 0);
    EXPECT_EQ(bounds.bottom, 0);
}

TEST_F(FreetypeFontRendererTest, ACharacterWithoutAGlyphIsSkippedWithoutAdvance)
{
    RCPtr<RecordingSink> sink(new RecordingSink());
    // A private-use code point the font has no glyph for, between two letters.
    const String text(u"a\uE123b");
    EXPECT_EQ(m_renderer->RenderString(text, Font(12.0f), sink, 0, 0, LGlyphProcessor::MeasureFlags), 3);
    EXPECT_EQ(sink->Kinds(), "BFAFFAE");
    const std::vector<SGlyphInfo> plain = Render(u"ab", 12.0f);
    const std::vector<SGlyphInfo> skipped = sink->Added();
    ASSERT_EQ(plain.size(), 2u);
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[1].penX, plain[1].penX);
    EXPECT_EQ(skipped[1].index, 1) << "the index stays at the characters handled up to the last glyph";
}

TEST_F(FreetypeFontRendererTest, MeasuredLeftEdgeIsNeverRightOfTheOrigin)
{
    for (const String& text : {String(u"x"), String(u"Hello"), String(u"jig")}) {
        const RectT<float> measured = m_renderer->MeasureString(text, Font(12.0f));
        EXPECT_LE(measured.x, 0) << String(text).ToUTF8().GetString();
        EXPECT_GT(measured.width, 1);
        EXPECT_GT(measured.height, 0);
        EXPECT_LT(measured.y, 0) << "the ink rises above the baseline";
    }
    // Lower-case x has no overhang at either side: its ink starts right of 0, the bounds at 0.
    const RectT<float> x = m_renderer->MeasureString(u"x", Font(12.0f));
    EXPECT_EQ(x.x, 0);
}

TEST_F(FreetypeFontRendererTest, MeasuringWithTheGlyphCacheGivesTheSameAnswerTwice)
{
    const RectT<float> first = m_renderer->MeasureString(u"Wavy text", Font(10.0f));
    const RectT<float> second = m_renderer->MeasureString(u"Wavy text", Font(10.0f));
    EXPECT_EQ(first, second);
    LGLGlyphRenderer::LCachedFont* cached = m_sink->PeekCachedFont(Font(10.0f)->GetUniqueID());
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->GetGlyphCount(), 8) << "W a v y space t e x: one entry per distinct character";
}

TEST_F(FreetypeFontRendererTest, KernedPairsAreNarrowerWhenTheFaceHasKerning)
{
    DirectFace face(FontPath(24.0f), 24.0f);
    ASSERT_TRUE(face.Get());
    if (!FT_HAS_KERNING(face.Get()))
        GTEST_SKIP() << "the installed Liberation Sans has no kern table (its kerning is GPOS only)";
    const std::vector<SGlyphInfo> pair = Render(u"AV", 24.0f);
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_LT(pair[1].penX - pair[0].penX, float(pair[0].GetAdvanceX()) / 64.0f);
}

TEST_F(FreetypeFontRendererTest, AFirstGlyphOverhangingTheLeftIsMovedRightOfTheOrigin)
{
    DirectFace face(FontPath(40.0f), 40.0f);
    ASSERT_TRUE(face.Get());
    if (!FT_HAS_KERNING(face.Get()))
        GTEST_SKIP() << "the rule applies to faces with kerning only";
    const std::vector<SGlyphInfo> glyphs = Render(u"jj", 40.0f);
    ASSERT_EQ(glyphs.size(), 2u);
    ASSERT_LT(glyphs[0].box.left, 0) << "j hangs left of its pen in this face";
    EXPECT_EQ(glyphs[0].penX, float(-glyphs[0].box.left));
    // Only the first glyph moves: the second follows at the first's advance (j j has no kerning).
    EXPECT_EQ(glyphs[1].penX, glyphs[0].penX + float(glyphs[0].GetAdvanceX()) / 64.0f);
}

TEST_F(FreetypeFontRendererTest, APositiveWidthLimitStopsBeforeTheFirstGlyphPastIt)
{
    const std::vector<SGlyphInfo> all = Render(u"abcdef", 12.0f);
    ASSERT_EQ(all.size(), 6u);
    // A limit just short of the third glyph's right edge.
    const int32_t limit = int32_t(all[2].penX) + all[2].box.right - 1;
    int32_t handled = 0;
    const std::vector<SGlyphInfo> cut = Render(u"abcdef", 12.0f, limit, &handled);
    // The character whose glyph reaches past the limit counts as handled, but is not added.
    EXPECT_EQ(handled, 3);
    EXPECT_EQ(cut.size(), 2u);
}

TEST_F(FreetypeFontRendererTest, RenderersShareFreetypeAndEndInAnyOrder)
{
    for (const bool firstEndsFirst : {true, false}) {
        RCPtr<LFreetypeFontRenderer> first = LFreetypeFontRenderer::Create(m_sink, m_sink);
        RCPtr<LFreetypeFontRenderer> second = LFreetypeFontRenderer::Create(m_sink, m_sink);
        const RectT<float> expected = first->MeasureString(u"Shared", Font(11.0f));
        (firstEndsFirst ? first : second).Release();
        RCPtr<LFreetypeFontRenderer>& survivor = firstEndsFirst ? second : first;
        RCPtr<RecordingSink> sink(new RecordingSink());
        EXPECT_EQ(survivor->RenderString(u"Shared", Font(11.0f), sink, 0, 0, LGlyphProcessor::MeasureFlags), 6);
        EXPECT_EQ(sink->Added().size(), 6u);
        EXPECT_EQ(survivor->MeasureString(u"Shared", Font(11.0f)), expected);
    }
    // The fixture's renderer is the last one and still works.
    int32_t lineHeight = 0, ascent = 0, descent = 0;
    EXPECT_EQ(m_renderer->GetFontMetrics(Font(11.0f), lineHeight, ascent, descent), 0);
    m_renderer.Release();
    RCPtr<LFreetypeFontRenderer> again = LFreetypeFontRenderer::Create(m_sink, m_sink);
    EXPECT_EQ(again->GetFontMetrics(Font(11.0f), lineHeight, ascent, descent), 0);
}

} // namespace
} // namespace VQ
