// The OpenGL glyph sink: one texture atlas per font, each glyph copied in once and drawn as a
// textured quad.
#pragma once

#include "vqframework/renderer/fontrenderer/GlyphProcessor.h"
#include "vqframework/renderer/opengl/GLTexture.h"
#include "vqframework/storage/HashList.h"
#include "vqframework/storage/PurgableObjectCache.h"

namespace VQ {

class LGLGlyphRenderer : public LGlyphProcessor {
public:
    // One font's atlas: rows of glyph slots 512 pixels wide, its texture loaded from it whole.
    class LCachedFont : public LGLTexture {
    public:
        static constexpr int32_t AtlasWidth = 512;

        // Reserves the font's first row, truncate(size) high, which makes the atlas.
        explicit LCachedFont(const ConstRCPtr<LFont>& font);

        // Moves the cursor to a slot of width x height, starting a new row or growing the atlas
        // as needed; the slot starts at the cursor afterwards.
        void Reserve(int32_t width, int32_t height);
        // Copies a glyph image into a new slot with a one-pixel border; its position goes into
        // the glyph. Images wider than the atlas can hold are clipped.
        void Place(const LPixelBuffer<unsigned char>* image, SCachedGlyph& glyph);
        // Loads the whole atlas into the texture when something changed since the last upload.
        void Upload();

        const ConstRCPtr<LFont>& GetFont() const { return m_font; }
        int32_t GetCursorX() const { return m_cursorX; }
        int32_t GetCursorY() const { return m_cursorY; }
        int32_t GetRowHeight() const { return m_rowHeight; }
        const RCPtr<LPixelBuffer<unsigned char>>& GetAtlas() const { return m_atlas; }
        // (x, y, width, height) of what changed since the last upload; all 0 when clean.
        const RectT<float>& GetDirtyRect() const { return m_dirty; }
        // An all-zero glyph when the character is not cached.
        const SCachedGlyph& FindGlyph(uint32_t charCode) const;
        int32_t GetGlyphCount() const { return m_glyphs.GetCount(); }
        void AddGlyph(const SCachedGlyph& glyph) { m_glyphs.Add(glyph); }

    private:
        static uint32_t GetGlyphKey(const SCachedGlyph& glyph) { return glyph.GetUniqueID(); }
        void AddDirty(const RectT<float>& rect);

        ConstRCPtr<LFont> m_font;
        int32_t m_cursorX = 0;
        int32_t m_cursorY = 0;
        int32_t m_rowHeight = 0;
        RCPtr<LPixelBuffer<unsigned char>> m_atlas;
        RectT<float> m_dirty;
        HashedList<SCachedGlyph, uint32_t, &GetGlyphKey, 8, &GetBits<8, 0, uint32_t>> m_glyphs;
    };

    static constexpr int32_t CachedFontCount = 16;

    static RCPtr<LGLGlyphRenderer> Create();
    ~LGLGlyphRenderer() override;

    void BeginString(const ConstRCPtr<LFont>& font, uint32_t flags) override;
    void EndString() override;
    uint32_t FindGlyph(SGlyphInfo& glyph) override;
    void AddGlyph(SGlyphInfo& glyph) override;
    GlyphBounds GetBounds() override;

    // The font's atlas while the cache keeps it, without counting as a use; null otherwise.
    LCachedFont* PeekCachedFont(int32_t fontUniqueID) const;

private:
    LGLGlyphRenderer();

    static int32_t GetFontKey(const int32_t& uniqueID) { return uniqueID; }
    class FontCache
        : public PurgableObjectCache<LCachedFont, int32_t, int32_t, &GetFontKey, 8, &GetBits<8, 0, int32_t>> {
    public:
        FontCache() : PurgableObjectCache(CachedFontCount) {}
        LCachedFont* Peek(int32_t uniqueID) const
        {
            Entry* entry = m_index.Find(uniqueID, nullptr);
            return entry ? entry->object.Get() : nullptr;
        }
    };

    FontCache m_fonts;
    RCPtr<LCachedFont> m_current;
    SCachedGlyph m_adding;
    GlyphBounds m_bounds;
    uint32_t m_flags = 0;
};

} // namespace VQ
