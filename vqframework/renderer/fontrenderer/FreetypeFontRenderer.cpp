#include "vqframework/renderer/fontrenderer/FreetypeFontRenderer.h"

#include "vqframework/renderer/fontfile/FontFileInfo.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CACHE_H
#include FT_GLYPH_H
#include FT_SIZES_H

#include <algorithm>
#include <cstring>
#include <string>

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

// The font's face at its size, activated for glyph loading; null when FreeType cannot give it.
FT_Size LookupSize(const ConstRCPtr<LFont>& font, FTC_FaceID& faceID)
{
    faceID = ToFaceID(LFontFileInfo::GetFileID(font));
    if (!g_freetype.manager || !g_freetype.cmapCache)
        return nullptr;
    FTC_ScalerRec scaler{};
    scaler.face_id = faceID;
    scaler.width = 0;
    scaler.height = FT_UInt(font->GetSize() * 64);
    scaler.pixel = 0;
    scaler.x_res = 96;
    scaler.y_res = 96;
    FT_Size size = nullptr;
    if (FTC_Manager_LookupSize(g_freetype.manager, &scaler, &size) != 0 || !size)
        return nullptr;
    if (FT_Activate_Size(size) != 0)
        return nullptr;
    return size;
}

// 1/64 pixel into a signed 16-bit half, saturated rather than wrapped.
uint32_t PackHalf(FT_Pos value)
{
    return uint16_t(int16_t(std::clamp<FT_Pos>(value, INT16_MIN, INT16_MAX)));
}

// The start of the bitmap's row, counted from the top whichever way its rows run.
const unsigned char* BitmapRow(const FT_Bitmap& bitmap, uint32_t row)
{
    const int32_t pitch = bitmap.pitch;
    return pitch >= 0 ? bitmap.buffer + size_t(row) * size_t(pitch)
                      : bitmap.buffer + size_t(bitmap.rows - 1 - row) * size_t(-pitch);
}

// The rendered slot as 8-bit coverage; null for a pixel format other than 1 or 8 bits.
RCPtr<LPixelBuffer<unsigned char>> CopyBitmap(const FT_Bitmap& bitmap)
{
    const int32_t width = int32_t(bitmap.width);
    const int32_t rows = int32_t(bitmap.rows);
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        RCPtr<LPixelBuffer<unsigned char>> image(new LPixelBuffer<unsigned char>(width, rows, std::max(width, 1)));
        for (int32_t y = 0; y < rows; ++y) {
            const unsigned char* source = BitmapRow(bitmap, uint32_t(y));
            unsigned char* target = image->GetPixel(0, y);
            for (int32_t x = 0; x < width; ++x)
                target[x] = (source[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        }
        return image;
    }
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        const int32_t pitch = std::max(std::abs(bitmap.pitch), 1);
        RCPtr<LPixelBuffer<unsigned char>> image(new LPixelBuffer<unsigned char>(width, rows, pitch));
        for (int32_t y = 0; y < rows && width > 0; ++y)
            std::memcpy(image->GetPixel(0, y), BitmapRow(bitmap, uint32_t(y)), size_t(width));
        return image;
    }
    return nullptr;
}

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
    FTC_FaceID faceID = nullptr;
    const FT_Size size = LookupSize(font, faceID);
    if (!size || !sink)
        return 0;
    const FT_Face face = size->face;
    const bool kerning = FT_HAS_KERNING(face);
    const float pointSize = font->GetSize();

    SGlyphInfo glyph;
    glyph.index = start;
    FT_UInt previous = 0;
    sink->BeginString(font, flags);
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

        FT_Glyph copy = nullptr;
        if (unknown) {
            if (FT_Load_Glyph(face, glyphIndex, FT_LOAD_DEFAULT) != 0 || FT_Get_Glyph(face->glyph, &copy) != 0)
                continue;
            glyph.glyphIndex = glyphIndex;
            glyph.advance = PackHalf(face->glyph->advance.x) | (PackHalf(face->glyph->advance.y) << 16);
        }
        if (unknown & 6) {
            FT_BBox box;
            FT_Glyph_Get_CBox(copy, FT_GLYPH_BBOX_PIXELS, &box);
            glyph.box = {int32_t(box.xMin), -int32_t(box.yMax), int32_t(box.xMax), -int32_t(box.yMin)};
        }
        if (unknown & 4) {
            glyph.image = RenderSlot(face->glyph, pointSize);
            if (!glyph.image) {
                FT_Done_Glyph(copy);
                continue;
            }
        }
        if (kerning && previous != 0) {
            FT_Vector delta{};
            if (FT_Get_Kerning(face, previous, glyphIndex, FT_KERNING_DEFAULT, &delta) == 0)
                glyph.penX += float(delta.x) / 64.0f;
        } else if (kerning && glyph.box.left < 0) {
            glyph.penX -= float(glyph.box.left);
        }
        // A positive limit stops before the first glyph reaching past it; that character is not handled.
        if (widthLimit > 0 && glyph.penX + float(glyph.box.right) > float(widthLimit)) {
            if (copy)
                FT_Done_Glyph(copy);
            break;
        }
        sink->AddGlyph(glyph);
        if (copy)
            FT_Done_Glyph(copy);
        glyph.penX += float(glyph.GetAdvanceX()) / 64.0f;
        glyph.penY += float(glyph.GetAdvanceY()) / 64.0f;
        glyph.image.Release();
        previous = glyphIndex;
        glyph.index = handled + 1;
    }
    sink->EndString();
    return handled;
}

} // namespace VQ
