#include "vqframework/system/ProgramResources.h"

#include "platform/resources/EmbeddedResources.h"

namespace VQ {

bool IsResourcePath(const StringT<char16_t, char>& path)
{
    const auto text = path.View();
    return text.size() >= 2 && text[0] == u':' && text[1] == u':';
}

std::string GetResourceName(const StringT<char16_t, char>& path)
{
    if (!IsResourcePath(path))
        return {};
    StringT<char16_t, char> name = path.Mid(2).ToUpper();
    name.ReplaceChars(u". ", u'_');
    std::string narrow;
    name.ToUTF8(narrow);
    return narrow;
}

std::span<const uint8_t> FindProgramResource(const StringT<char16_t, char>& path, const char* type)
{
    // A null type would make an invalid string view.
    if (!type || !IsResourcePath(path))
        return {};
    return Platform::FindEmbeddedResource(type, GetResourceName(path));
}

} // namespace VQ
