// The catalogue of the system's TrueType font files: one entry per family with the file of each
// style, read from the files' name tables, and the small file ids the FreeType face cache uses.
#pragma once

#include "vqframework/graphics/Font.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>
#include <span>

namespace VQ {

class LFontFileInfo : public virtual LRefCountedObject {
public:
    // Style numbers of a file id's two low bits.
    static constexpr int32_t StyleRegular = 0;
    static constexpr int32_t StyleBold = 1;
    static constexpr int32_t StyleItalic = 2;
    static constexpr int32_t StyleBoldItalic = 3;

    // Rebuilds the catalogue from the system's font files; 0, or E_FAIL when they cannot be listed.
    static VQRESULT ScanSystemFonts();
    // Rebuilds the catalogue from the given files, in their order; a file that cannot be opened, or
    // that is truncated or malformed, is skipped.
    static void ScanFontFiles(std::span<const StringT<char16_t, char>> paths);
    // Empties the catalogue and the fonts' cache, as the last font renderer ends.
    static void Clear();
    // (entry index << 2) | style of the font's file; throws a runtime error when neither the font's
    // family nor the system font's is catalogued.
    static int32_t GetFileID(const ConstRCPtr<LFont>& font);
    // The path of the id's file; the empty string for an id outside the catalogue.
    static const StringT<char16_t, char>& GetFilePath(int32_t fileID);
    // A new entry with empty texts, appended to the catalogue.
    static RCPtr<LFontFileInfo> Create();

    const StringT<char16_t, char>& GetFamily() const { return m_family; }
    int32_t GetIndex() const { return m_index; }

private:
    explicit LFontFileInfo(int32_t index);

    static void ScanFontFile(const StringT<char16_t, char>& path);
    static void Register(const StringT<char16_t, char>& family, const StringT<char16_t, char>& style,
                         const StringT<char16_t, char>& path);
    static RCPtr<LFontFileInfo> FindFamily(const StringT<char16_t, char>& family);
    StringT<char16_t, char>& PathOfStyle(int32_t style);

    StringT<char16_t, char> m_family;
    StringT<char16_t, char> m_regularPath;
    StringT<char16_t, char> m_boldPath;
    StringT<char16_t, char> m_italicPath;
    StringT<char16_t, char> m_boldItalicPath;
    const int32_t m_index;
};

} // namespace VQ
