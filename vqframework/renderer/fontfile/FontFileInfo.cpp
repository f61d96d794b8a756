#include "vqframework/renderer/fontfile/FontFileInfo.h"

#include "platform/drawing/FontFace.h"
#include "vqframework/objectbase/Exception.h"
#include "vqframework/renderer/fontfile/FontNameTable.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/RCPtrMap.h"
#include "vqframework/storage/VQFile.h"

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace VQ {

namespace {

using PathString = StringT<char16_t, char>;

// Process-wide and never destroyed, so that nothing depends on the order of destruction at exit.
RCPtrArray<LFontFileInfo>& FontFileCatalogue()
{
    static auto* catalogue = new RCPtrArray<LFontFileInfo>;
    return *catalogue;
}

RCPtrMap<LFont, LFontFileInfo, 8>& FontFileCache()
{
    static auto* cache = new RCPtrMap<LFont, LFontFileInfo, 8>;
    return *cache;
}

const PathString& EmptyPath()
{
    static const auto* empty = new PathString;
    return *empty;
}

// An opened font file read at explicit offsets; its read and seek failures throw.
class FileFontByteSource : public FontByteSource {
public:
    explicit FileFontByteSource(File& file) : m_file(file), m_size(uint32_t(file.GetLength())) {}

    uint32_t GetSize() const override { return m_size; }

    bool ReadAt(uint32_t offset, void* buffer, uint32_t count) override
    {
        if (offset > m_size || count > m_size - offset)
            return false;
        auto* bytes = static_cast<uint8_t*>(buffer);
        uint32_t done = 0;
        while (done < count) {
            const int32_t read = m_file.Read(bytes + done, count - done, int32_t(offset + done));
            if (read <= 0)
                return false;
            done += uint32_t(read);
        }
        return true;
    }

private:
    File& m_file;
    const uint32_t m_size;
};

} // namespace

LFontFileInfo::LFontFileInfo(int32_t index) : m_index(index) {}

RCPtr<LFontFileInfo> LFontFileInfo::Create()
{
    RCPtrArray<LFontFileInfo>& catalogue = FontFileCatalogue();
    RCPtr<LFontFileInfo> info(new LFontFileInfo(int32_t(catalogue.GetCount())));
    catalogue.Add(info);
    return info;
}

void LFontFileInfo::Clear()
{
    FontFileCache().Clear();
    FontFileCatalogue().Clear();
}

VQRESULT LFontFileInfo::ScanSystemFonts()
{
    Clear();
    std::vector<std::string> files;
    if (!Platform::ListFontFiles(files))
        return E_FAIL;
    // Cleared above already, so the files are added without going through ScanFontFiles.
    for (const std::string& file : files)
        ScanFontFile(PathString(std::string_view(file)));
    return S_OK;
}

void LFontFileInfo::ScanFontFiles(std::span<const PathString> paths)
{
    Clear();
    for (const PathString& path : paths)
        ScanFontFile(path);
}

void LFontFileInfo::ScanFontFile(const PathString& path)
{
    if (path.IsEmpty())
        return;
    std::vector<FontNamePair> pairs;
    try {
        File file(path, PathString(), File::OpenRead);
        if (!file.IsOpen())
            return;
        FileFontByteSource source(file);
        // One bad font of a file drops the whole file, so the catalogue never holds half of it.
        if (!ReadFontNames(source, pairs))
            return;
    } catch (const std::exception&) {
        // Read failures and a file too big for memory alike: one file never ends the scan.
        return;
    }
    for (const FontNamePair& pair : pairs)
        Register(pair.family, pair.style, path);
}

void LFontFileInfo::Register(const PathString& family, const PathString& style, const PathString& path)
{
    RCPtr<LFontFileInfo> info = FindFamily(family);
    if (info.IsEmpty()) {
        info = Create();
        info->m_family = family;
    }
    int32_t slot = StyleRegular;
    if (style == u"bold")
        slot = StyleBold;
    else if (style == u"italic")
        slot = StyleItalic;
    else if (style == u"bold italic")
        slot = StyleBoldItalic;
    info->PathOfStyle(slot) = path;
}

RCPtr<LFontFileInfo> LFontFileInfo::FindFamily(const PathString& family)
{
    const RCPtrArray<LFontFileInfo>& catalogue = FontFileCatalogue();
    for (uint32_t i = catalogue.GetCount(); i-- > 0;) {
        const RCPtr<LFontFileInfo>& info = catalogue.GetAt(i);
        if (info->m_family == family)
            return info;
    }
    return RCPtr<LFontFileInfo>();
}

StringT<char16_t, char>& LFontFileInfo::PathOfStyle(int32_t style)
{
    switch (style & 3) {
    case StyleBold:
        return m_boldPath;
    case StyleItalic:
        return m_italicPath;
    case StyleBoldItalic:
        return m_boldItalicPath;
    default:
        return m_regularPath;
    }
}

int32_t LFontFileInfo::GetFileID(const ConstRCPtr<LFont>& font)
{
    RCPtrMap<LFont, LFontFileInfo, 8>& cache = FontFileCache();
    RCPtr<LFontFileInfo> info = cache.Get(font);
    if (info.IsEmpty()) {
        info = FindFamily(font->GetName());
        if (info.IsEmpty())
            info = FindFamily(PathString(std::string_view(Platform::GetSystemFontFamily())));
        if (info.IsEmpty())
            VQ_THROW(std::runtime_error);
        cache.Set(font, info);
    }

    const int32_t style = font->GetStyle() & 3;
    static constexpr int32_t FallbackOrder[4][3] = {
        {StyleBold, StyleItalic, StyleBoldItalic},
        {StyleBoldItalic, StyleRegular, StyleItalic},
        {StyleBoldItalic, StyleRegular, StyleBold},
        {StyleBold, StyleItalic, StyleRegular},
    };
    PathString& path = info->PathOfStyle(style);
    for (int32_t i = 0; i < 3 && path.IsEmpty(); ++i)
        path = info->PathOfStyle(FallbackOrder[style][i]);
    return (info->m_index << 2) | style;
}

const StringT<char16_t, char>& LFontFileInfo::GetFilePath(int32_t fileID)
{
    const RCPtrArray<LFontFileInfo>& catalogue = FontFileCatalogue();
    if (fileID < 0 || uint32_t(fileID >> 2) >= catalogue.GetCount())
        return EmptyPath();
    return catalogue.GetAt(uint32_t(fileID >> 2))->PathOfStyle(fileID & 3);
}

} // namespace VQ
