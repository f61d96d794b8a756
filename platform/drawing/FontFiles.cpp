#include "platform/drawing/FontFiles.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <string_view>

namespace VQ::Platform {

namespace {

bool HasTrueTypeExtension(std::string_view path)
{
    if (path.size() < 4)
        return false;
    std::string extension(path.substr(path.size() - 4));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
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
