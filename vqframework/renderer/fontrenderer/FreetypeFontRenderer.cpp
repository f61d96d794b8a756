#include "vqframework/renderer/fontrenderer/FreetypeFontRenderer.h"

#include "vqframework/renderer/fontfile/FontFileInfo.h"
#include "vqframework/renderer/fontrenderer/GlyphBitmap.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CACHE_H
#include FT_GLYPH_H

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>

namespace VQ {

namespace {

// The process's one FreeType library and cache manager, made by the first renderer and ended by
// the last, so renderers may come and go in any order. UI thread only, like the renderers.
struct SharedFreetype {
    int32_t users = 0;
    FT_Library library = nullptr;
    FTC_Manager manager = nullptr;
    FTC_CMapCache cmapCache = nullptr;
    FTC_ImageCache imageCache = nullptr;
};

SharedFreetype g_freetype;

// The cache is never handed a null face id: file id 0 is a real file.
FTC_FaceID ToFaceID(int32_t fileID)
{
    return reinterpret_cast<FTC_FaceID>(intptr_t(fileID) + 1);
}

FT_Error RequestFace(FTC_FaceID faceID, FT_Library library, FT_Pointer, FT_Face* face)
{
    const int32_t fileID = int32_t(reinterpret_cast<intptr_t>(faceID) - 1);
    std::string path;
    LFontFileInfo::GetFilePath(fileID).ToUTF8(path);
    return FT_New_Face(library, path.c_str(), 0, face);
}

void AcquireFreetype()
{
    if (g_freetype.users++ > 0) {
        // The catalogue was just rebuilt: faces opened under the old file ids may now be others.
        if (g_freetype.manager)
            FTC_Manager_Reset(g_freetype.manager);
        return;
    }
    if (FT_Init_FreeType(&g_freetype.library) != 0) {
        g_freetype.library = nullptr;
        return;
    }
    if (FTC_Manager_New(g_freetype.library, 8, 16, 4194304, &RequestFace, nullptr, &g_freetype.manager) != 0) {
        g_freetype.manager = nullptr;
        return;
    }
    if (FTC_CMapCache_New(g_freetype.manager, &g_freetype.cmapCache) != 0) {
        g_freetype.cmapCache = nullptr;
        return;
    }
    if (FTC_ImageCache_New(g_freetype.manager, &g_freetype.imageCache) != 0)
        g_freetype.imageCache = nullptr;
}

void ReleaseFreetype()
{
    if (--g_freetype.users > 0)
        return;
    // The caches belong to the manager and end with it.
    if (g_freetype.manager)
        FTC_Manager_Done(g_freetype.manager);
    if (g_freetype.library)
        FT_Done_FreeType(g_freetype.library);
    g_freetype = {};
    LFontFileInfo::Clear();
}

// The font's face at its size, which the lookup activates for glyph loading; null when FreeType
// cannot give it or the size is not one the text path renders.
FT_Size LookupSize(const ConstRCPtr<LFont>& font, FTC_FaceID& faceID)
{
    faceID = ToFaceID(LFontFileInfo::GetFileID(font));
    if (!g_freetype.manager || !g_freetype.cmapCache || !IsRenderedPointSize(font->GetSize()))
        return nullptr;
    FTC_ScalerRec scaler{};
    scaler.face_id = faceID;
    scaler.width = 0;
    scaler.height = FT_UInt(font->GetSize() * 64);
    scaler.pixel = 0;
    scaler.x_res = 96;
    scaler.y_res = 96;
    // Below 1/64 point the size would be 0, which FreeType does not take as a size.
    if (scaler.height == 0)
        return nullptr;
    FT_Size size = nullptr;
    if (FTC_Manager_LookupSize(g_freetype.manager, &scaler, &size) != 0 || !size)
        return nullptr;
    return size;
}

// 1/64 pixel into a signed 16-bit half, saturated rather than wrapped.
uint32_t PackHalf(FT_Pos value)
{
    return uint16_t(int16_t(std::clamp<FT_Pos>(value, INT16_MIN, INT16_MAX)));
}

struct GlyphDeleter {
    void operator()(FT_Glyph glyph) const { FT_Done_Glyph(glyph); }
};
using GlyphCopy = std::unique_ptr<std::remove_pointer_t<FT_Glyph>, GlyphDeleter>;

// Ends the sink's string however the loop is left, so the sink never keeps a current font.
class EndStringGuard {
public:
    explicit EndStringGuard(LGlyphProcessor& sink) : m_sink(sink) {}
    ~EndStringGuard() { m_sink.EndString(); }
    EndStringGuard(const EndStringGuard&) = delete;
    EndStringGuard& operator=(const EndStringGuard&) = delete;

private:
    LGlyphProcessor& m_sink;
};

// Antialiased from 8 points up, monochrome below; the other mode when the first fails.
RCPtr<LPixelBuffer<unsigned char>> RenderSlot(FT_GlyphSlot slot, float pointSize)
{
    const FT_Render_Mode first = pointSize >= 8.0f ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
    const FT_Render_Mode second = first == FT_RENDER_MODE_NORMAL ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL;
    if (FT_Render_Glyph(slot, first) != 0 && FT_Render_Glyph(slot, second) != 0)
        return nullptr;
    return CopyBitmap(slot->bitmap);
}

} // namespace

RCPtr<LFreetypeFontRenderer> LFreetypeFontRenderer::Create(const RCPtr<LGlyphProcessor>& firstSink,
                                                           const RCPtr<LGlyphProcessor>& secondSink)
{
    return RCPtr<LFreetypeFontRenderer>(new LFreetypeFontRenderer(firstSink, secondSink));
}

LFreetypeFontRenderer::LFreetypeFontRenderer(const RCPtr<LGlyphProcessor>& firstSink,
                                             const RCPtr<LGlyphProcessor>& secondSink)
    : LFontRenderer(firstSink, secondSink)
{
    LFontFileInfo::ScanSystemFonts();
    AcquireFreetype();
}

LFreetypeFontRenderer::~LFreetypeFontRenderer()
{
    ReleaseFreetype();
}

VQRESULT LFreetypeFontRenderer::GetFontMetrics(const ConstRCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                                               int32_t& descent)
{
    FTC_FaceID faceID = nullptr;
    const FT_Size size = LookupSize(font, faceID);
    if (!size)
        return E_FAIL;
    const FT_Size_Metrics& metrics = size->metrics;
    ascent = -int32_t(metrics.ascender >> 6);
    descent = -int32_t(metrics.descender >> 6);
    lineHeight = std::max(int32_t(metrics.height >> 6), int32_t(96.0f * font->GetSize() / 72.0f));
    lineHeight = std::max(lineHeight, descent - ascent);
    return 0;
}

int32_t LFreetypeFontRenderer::RenderString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font,
                                            const RCPtr<LGlyphProcessor>& sink, int32_t start, int32_t widthLimit,
                                            uint32_t flags)
{
    if (!sink)
        return 0;
    FTC_FaceID faceID = nullptr;
    const FT_Size size = LookupSize(font, faceID);
    // A string without glyphs still begins and ends, so a measuring sink's bounds are this string's.
    sink->BeginString(font, flags);
    EndStringGuard endString(*sink);
    if (!size)
        return 0;
    const FT_Face face = size->face;
    const bool kerning = FT_HAS_KERNING(face);
    const float pointSize = font->GetSize();

    SGlyphInfo glyph;
    glyph.index = start;
    FT_UInt previous = 0;
    const std::u16string_view characters = text.View();
    int32_t handled = 0;
    for (; handled < int32_t(characters.size()); ++handled) {
        glyph.image.Release();
        glyph.box = {};
        glyph.advance = 0;
        glyph.glyphIndex = 0;
        glyph.charCode = characters[size_t(handled)];

        const uint32_t unknown = sink->FindGlyph(glyph);
        const FT_UInt glyphIndex =
            unknown ? FTC_CMapCache_Lookup(g_freetype.cmapCache, faceID, -1, glyph.charCode) : glyph.glyphIndex;
        if (glyphIndex == 0)
            continue;

        GlyphCopy copy;
        if (unknown) {
            FT_Glyph loaded = nullptr;
            if (FT_Load_Glyph(face, glyphIndex, FT_LOAD_DEFAULT) != 0 || FT_Get_Glyph(face->glyph, &loaded) != 0)
                continue;
            copy.reset(loaded);
            glyph.glyphIndex = glyphIndex;
            glyph.advance = PackHalf(face->glyph->advance.x) | (PackHalf(face->glyph->advance.y) << 16);
        }
        if (unknown & 6) {
            FT_BBox box;
            FT_Glyph_Get_CBox(copy.get(), FT_GLYPH_BBOX_PIXELS, &box);
            glyph.box = {int32_t(box.xMin), -int32_t(box.yMax), int32_t(box.xMax), -int32_t(box.yMin)};
        }
        if (unknown & 4) {
            glyph.image = RenderSlot(face->glyph, pointSize);
            if (!glyph.image)
                continue;
        }
        if (kerning && previous != 0) {
            FT_Vector delta{};
            if (FT_Get_Kerning(face, previous, glyphIndex, FT_KERNING_DEFAULT, &delta) == 0)
                glyph.penX += float(delta.x) / 64.0f;
        } else if (kerning && glyph.box.left < 0) {
            glyph.penX -= float(glyph.box.left);
        }
        // A positive limit stops before adding the first glyph reaching past it; the count returned
        // includes that character.
        if (widthLimit > 0 && glyph.penX + float(glyph.box.right) > float(widthLimit))
            return handled + 1;
        sink->AddGlyph(glyph);
        glyph.penX += float(glyph.GetAdvanceX()) / 64.0f;
        glyph.penY += float(glyph.GetAdvanceY()) / 64.0f;
        glyph.image.Release();
        previous = glyphIndex;
        glyph.index = handled + 1;
    }
    return handled;
}

} // namespace VQ
