#include "vqframework/renderer/fontrenderer/GLGlyphRenderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>

namespace VQ {

namespace {

int32_t NextPowerOfTwo(int32_t value)
{
    int32_t size = 1;
    while (size < value && size <= INT32_MAX / 2)
        size <<= 1;
    return size;
}

} // namespace

LGLGlyphRenderer::LCachedFont::LCachedFont(const ConstRCPtr<LFont>& font) : m_font(font)
{
    // A size the text path does not render has no glyphs, and its first row stays empty.
    const float points = font->GetSize();
    Reserve(0, IsRenderedPointSize(points) ? int32_t(points) : 0);
}

void LGLGlyphRenderer::LCachedFont::Reserve(int32_t width, int32_t height)
{
    if (m_cursorX + width >= AtlasWidth) {
        m_cursorX = 0;
        m_cursorY += m_rowHeight;
        m_rowHeight = height;
    } else {
        m_rowHeight = std::max(m_rowHeight, height);
    }
    if (!m_atlas)
        m_atlas = RCPtr<LPixelBuffer<unsigned char>>(
            new LPixelBuffer<unsigned char>(AtlasWidth, m_rowHeight, AtlasWidth));
    const int32_t needed = m_cursorY + height;
    if (needed >= m_atlas->GetHeight()) {
        // A failed growth keeps the old height; Place checks every row against it.
        if (m_atlas->SetHeight(NextPowerOfTwo(needed)) == 0)
            m_dirty = {0, 0, float(AtlasWidth), float(m_atlas->GetHeight())};
    }
}

void LGLGlyphRenderer::LCachedFont::Place(const LPixelBuffer<unsigned char>* image, SCachedGlyph& glyph)
{
    // A border pixel on each side leaves AtlasWidth - 2 for the image itself.
    const int32_t width = image ? std::min(image->GetWidth(), AtlasWidth - 2) : 0;
    const int32_t height = image ? image->GetHeight() : 0;
    Reserve(width + 2, height + 2);
    const int32_t x = m_cursorX + 1;
    const int32_t y = m_cursorY + 1;
    glyph.atlasX = uint16_t(x);
    // The glyph record holds 16 bits: past row 65535 every glyph reads as lying on that row.
    glyph.atlasY = uint16_t(std::min(y, int32_t(UINT16_MAX)));
    if (height > 0 && width > 0) {
        for (int32_t row = 0; row < height; ++row) {
            const unsigned char* source = image->GetPixel(0, row);
            unsigned char* target = m_atlas->GetPixel(x, y + row);
            if (!source || !target)
                break;
            std::memcpy(target, source, size_t(width));
        }
        AddDirty({float(x - 1), float(y - 1), float(width + 2), float(height + 2)});
    }
    m_cursorX += width + 2;
}

void LGLGlyphRenderer::LCachedFont::AddDirty(const RectT<float>& rect)
{
    RectT<float>::Union(m_dirty, m_dirty, rect);
}

void LGLGlyphRenderer::LCachedFont::Upload()
{
    constexpr float tiny = 1.0f / 8388608.0f;
    if (!(m_dirty.width > tiny && m_dirty.height > tiny) || !m_atlas || m_atlas->GetHeight() == 0)
        return;
    // A refused upload stays dirty, so the next string tries again.
    if (LoadImage(m_atlas->GetPixel(0, 0), AtlasWidth, m_atlas->GetHeight(), m_atlas->GetPitch(), GL_ALPHA, GL_ALPHA,
                  LGLTexture::FlagNearest, 1.0f) == 0)
        m_dirty = {};
}

const LGlyphProcessor::SCachedGlyph& LGLGlyphRenderer::LCachedFont::FindGlyph(uint32_t charCode) const
{
    static const SCachedGlyph notCached;
    return m_glyphs.Find(charCode, notCached);
}

RCPtr<LGLGlyphRenderer> LGLGlyphRenderer::Create()
{
    return RCPtr<LGLGlyphRenderer>(new LGLGlyphRenderer());
}

LGLGlyphRenderer::LGLGlyphRenderer() = default;

LGLGlyphRenderer::~LGLGlyphRenderer() = default;

LGLGlyphRenderer::LCachedFont* LGLGlyphRenderer::PeekCachedFont(int32_t fontUniqueID) const
{
    return m_fonts.Peek(fontUniqueID);
}

void LGLGlyphRenderer::BeginString(const ConstRCPtr<LFont>& font, uint32_t flags)
{
    m_flags = flags;
    m_bounds = {};
    m_current.Release();
    if (!font)
        return;
    RCPtr<LCachedFont>& entry = m_fonts.AcquireEntry(font->GetUniqueID(), false);
    if (!entry)
        entry = RCPtr<LCachedFont>(new LCachedFont(font));
    m_current = entry;
    if (m_flags & FlagUpload)
        m_current->Upload();
}

void LGLGlyphRenderer::EndString()
{
    m_current.Release();
}

uint32_t LGLGlyphRenderer::FindGlyph(SGlyphInfo& glyph)
{
    if (!m_current)
        return 0;
    m_adding = m_current->FindGlyph(glyph.charCode);
    if (m_adding.charCode == 0)
        return GlyphUnknown;
    glyph.box = m_adding.box;
    glyph.advance = m_adding.advance;
    glyph.glyphIndex = m_adding.glyphIndex;
    return 0;
}

void LGLGlyphRenderer::AddGlyph(SGlyphInfo& glyph)
{
    if (!m_current)
        return;
    // Code 0 stands for "not cached", so a glyph of U+0000 is measured but never placed or drawn:
    // cached under 0 it would take a new atlas slot on every string.
    const bool placed = m_adding.charCode != 0 || glyph.charCode != 0;
    if (m_adding.charCode == 0) {
        m_adding.box = glyph.box;
        m_adding.advance = glyph.advance;
        m_adding.glyphIndex = glyph.glyphIndex;
    }
    if (m_adding.charCode == 0 && placed) {
        m_adding.charCode = glyph.charCode;
        m_current->Place(glyph.image.Get(), m_adding);
        m_current->AddGlyph(m_adding);
        if (m_flags & FlagUpload)
            m_current->Upload();
    }
    if (!(m_flags & (FlagBounds | FlagDraw)))
        return;
    const GlyphBox& box = m_adding.box;
    const float height = float(box.bottom - box.top);
    if ((m_flags & FlagDraw) && placed) {
        // What the atlas holds of a clipped glyph is all that can be drawn of it.
        const float width = float(std::min(box.right - box.left, LCachedFont::AtlasWidth - m_adding.atlasX));
        const float dy = -(float(m_current->GetFont()->GetAscent()) + glyph.penY);
        const RectT<float> imageRect{float(m_adding.atlasX), float(m_adding.atlasY), width, height};
        const RectT<float> screenRect{float(box.left) + glyph.penX, float(box.top) + dy, width, height};
        m_current->DrawQuad(imageRect, screenRect);
    }
    if (m_flags & FlagBounds) {
        const RectT<float> bounds{m_bounds.left, m_bounds.top, m_bounds.right - m_bounds.left,
                                  m_bounds.bottom - m_bounds.top};
        RectT<float> united;
        RectT<float>::Union(united, bounds,
                            {glyph.penX, glyph.penY + float(box.top), float(glyph.GetAdvanceX() >> 6), height});
        m_bounds = {united.x, united.y, united.x + united.width, united.y + united.height};
    }
}

GlyphBounds LGLGlyphRenderer::GetBounds()
{
    return m_bounds;
}

} // namespace VQ
