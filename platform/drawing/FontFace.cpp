#include "platform/drawing/CairoFontFace.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <string_view>
#include <utility>

namespace VQ::Platform {

namespace {

// Every face ever found, by request and by file, and the FreeType library that owns their faces.
// Process-wide and never destroyed: Cairo may use a face until the very end.
struct FaceCache {
    std::mutex lock;
    FT_Library library = nullptr;
    bool libraryFailed = false;
    std::map<std::pair<std::string, int32_t>, std::shared_ptr<const FontFace>> byRequest;
    std::map<std::pair<std::string, int>, std::shared_ptr<const FontFace>> byFile;
};

FaceCache& Cache()
{
    static FaceCache* cache = new FaceCache;
    return *cache;
}

std::string LowerCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

FontDesignMetrics ReadDesignMetrics(FT_Face face)
{
    int32_t hheaAscent = face->ascender;
    int32_t hheaDescent = face->descender;
    int32_t lineGap = std::max(0, face->height - (face->ascender - face->descender));
    if (const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA))) {
        hheaAscent = hhea->Ascender;
        hheaDescent = hhea->Descender;
        lineGap = hhea->Line_Gap;
    }
    FontDesignMetrics metrics;
    metrics.unitsPerEm = face->units_per_EM;
    metrics.cellAscent = hheaAscent;
    metrics.cellDescent = -hheaDescent;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF) {
        metrics.cellAscent = os2->usWinAscent;
        metrics.cellDescent = os2->usWinDescent;
    }
    // Lines are spaced by the cell ascent and descent, plus whatever part of the horizontal header's
    // gap they do not already cover.
    const int32_t covered = (metrics.cellAscent + metrics.cellDescent) - (hheaAscent - hheaDescent);
    metrics.lineSpacing = metrics.cellAscent + metrics.cellDescent + std::max(0, lineGap - covered);
    return metrics;
}

DecorationLine ReadUnderline(FT_Face face)
{
    if (const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST)))
        return {post->underlinePosition, post->underlineThickness};
    // FreeType's own value is the middle of the line.
    return {face->underline_position + face->underline_thickness / 2, face->underline_thickness};
}

DecorationLine ReadStrikeout(FT_Face face, const DecorationLine& underline)
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0)
        return {os2->yStrikeoutPosition, os2->yStrikeoutSize};
    return {face->units_per_EM / 4 + underline.thickness, underline.thickness};
}

// The face fontconfig matches for the request, loaded and shared per file; null when the match
// names nothing FreeType can load. Called under the cache lock.
std::shared_ptr<const FontFace> LoadMatch(FaceCache& cache, std::string_view family, int32_t style)
{
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return nullptr;
    const std::string name(family);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    if (style & FontFace::StyleBold)
        FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
    if (style & FontFace::StyleItalic)
        FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ITALIC);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return nullptr;

    std::shared_ptr<const FontFace> found;
    FcChar8* file = nullptr;
    int index = 0;
    FcChar8* matchedFamily = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        const std::pair<std::string, int> fileKey{reinterpret_cast<const char*>(file), index};
        if (auto shared = cache.byFile.find(fileKey); shared != cache.byFile.end()) {
            found = shared->second;
        } else {
            FT_Face face = nullptr;
            if (FT_New_Face(cache.library, fileKey.first.c_str(), index, &face) == 0) {
                if (face->units_per_EM == 0 || !FT_IS_SCALABLE(face)) {
                    FT_Done_Face(face);
                } else {
                    std::string familyName;
                    if (FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch)
                        familyName = reinterpret_cast<const char*>(matchedFamily);
                    else if (face->family_name)
                        familyName = face->family_name;
                    cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(face, 0);
                    if (cairo_font_face_status(cairoFace) == CAIRO_STATUS_SUCCESS) {
                        const DecorationLine underline = ReadUnderline(face);
                        found = std::make_shared<CairoFontFace>(cairoFace, std::move(familyName),
                                                                ReadDesignMetrics(face), underline,
                                                                ReadStrikeout(face, underline));
                        cache.byFile.emplace(fileKey, found);
                    } else {
                        cairo_font_face_destroy(cairoFace);
                        FT_Done_Face(face);
                    }
                }
            }
        }
    }
    FcPatternDestroy(match);
    return found;
}

} // namespace

std::shared_ptr<const FontFace> FontFace::Find(std::string_view family, int32_t style)
{
    style &= StyleBold | StyleItalic;
    FaceCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    std::pair<std::string, int32_t> key{LowerCase(family), style};
    if (auto known = cache.byRequest.find(key); known != cache.byRequest.end())
        return known->second;
    if (!cache.library && !cache.libraryFailed)
        cache.libraryFailed = FT_Init_FreeType(&cache.library) != 0;
    if (cache.libraryFailed)
        return nullptr;
    std::shared_ptr<const FontFace> found = LoadMatch(cache, family, style);
    if (!found)
        found = LoadMatch(cache, "sans-serif", style);
    if (found)
        cache.byRequest.emplace(std::move(key), found);
    return found;
}

CairoFontFace::CairoFontFace(cairo_font_face_t* face, std::string family, const FontDesignMetrics& metrics,
                             DecorationLine underline, DecorationLine strikeout)
    : m_face(face), m_family(std::move(family)), m_metrics(metrics), m_underline(underline), m_strikeout(strikeout)
{
}

CairoFontFace::~CairoFontFace() { cairo_font_face_destroy(m_face); }

cairo_scaled_font_t* CairoFontFace::CreateScaledFont(double pixelSize) const
{
    if (!std::isfinite(pixelSize) || pixelSize <= 0)
        return nullptr;
    cairo_matrix_t size;
    cairo_matrix_init_scale(&size, pixelSize, pixelSize);
    cairo_matrix_t identity;
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    // Unhinted advances, so that a measured width is the drawn width.
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_scaled_font_t* font = cairo_scaled_font_create(m_face, &size, &identity, options);
    cairo_font_options_destroy(options);
    if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
        cairo_scaled_font_destroy(font);
        return nullptr;
    }
    return font;
}

double CairoFontFace::MeasureAdvance(std::string_view utf8, double pixelSize) const
{
    if (utf8.empty())
        return 0;
    cairo_scaled_font_t* font = CreateScaledFont(pixelSize);
    if (!font)
        return 0;
    GlyphRun run;
    LayOutGlyphs(font, utf8, 0, 0, run);
    cairo_scaled_font_destroy(font);
    return run.advance;
}

bool LayOutGlyphs(cairo_scaled_font_t* font, std::string_view utf8, double x, double y, GlyphRun& run)
{
    // Cairo refuses invalid UTF-8 with an error status for this call alone.
    if (utf8.empty() || utf8.size() > static_cast<size_t>(INT32_MAX))
        return false;
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    const cairo_status_t status = cairo_scaled_font_text_to_glyphs(
        font, x, y, utf8.data(), static_cast<int>(utf8.size()), &glyphs, &count, nullptr, nullptr, nullptr);
    if (status != CAIRO_STATUS_SUCCESS || count <= 0) {
        cairo_glyph_free(glyphs);
        return false;
    }
    cairo_text_extents_t extents;
    cairo_scaled_font_glyph_extents(font, glyphs, count, &extents);
    run.glyphs = glyphs;
    run.count = count;
    run.advance = extents.x_advance;
    return cairo_scaled_font_status(font) == CAIRO_STATUS_SUCCESS;
}

namespace {

bool HasTrueTypeExtension(std::string_view path)
{
    if (path.size() < 4)
        return false;
    const std::string extension = LowerCase(path.substr(path.size() - 4));
    return extension == ".ttf" || extension == ".ttc";
}

} // namespace

bool ListFontFiles(std::vector<std::string>& paths)
{
    paths.clear();
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet* fonts = pattern && objects ? FcFontList(nullptr, pattern, objects) : nullptr;
    if (objects)
        FcObjectSetDestroy(objects);
    if (pattern)
        FcPatternDestroy(pattern);
    if (!fonts)
        return false;
    for (int i = 0; i < fonts->nfont; ++i) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch || !file)
            continue;
        const std::string_view path(reinterpret_cast<const char*>(file));
        if (HasTrueTypeExtension(path))
            paths.emplace_back(path);
    }
    FcFontSetDestroy(fonts);
    // A collection is listed once per face.
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    return true;
}

std::string GetSystemFontFamily()
{
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (!pattern)
        return std::string();
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    std::string family;
    FcChar8* name = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name)
        family = reinterpret_cast<const char*>(name);
    if (match)
        FcPatternDestroy(match);
    return family;
}

} // namespace VQ::Platform

#if defined(__SANITIZE_ADDRESS__)
#define VQ_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VQ_LEAK_CHECKED 1
#endif
#endif

#ifdef VQ_LEAK_CHECKED
// fontconfig keeps a few blocks of its configuration parse out of reach of its own config; the leak
// checker of sanitizer builds would report them at the exit of every program that uses fonts.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
