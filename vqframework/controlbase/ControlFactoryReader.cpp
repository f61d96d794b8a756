// The XML machinery the skin and the string tables share: reading a document from a resource or a
// file, the Expat driver, and the attribute syntaxes.
#include "vqframework/controlbase/ControlFactory.h"

#include "vqframework/storage/VQFile.h"
#include "vqframework/system/ProgramResources.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace VQ {

namespace {

constexpr const char* ResourceType = "VQXML";

int HexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Decimal only, as strtod reads it in the "C" locale but without its hexadecimal, infinity and NaN
// forms: leading blanks, a sign, digits with a point and an exponent, up to the first other character.
float ParseFloat(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    std::string number;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        number.push_back(char(text[i++]));
    const auto digitAt = [&](size_t k) { return k < text.size() && text[k] >= u'0' && text[k] <= u'9'; };
    bool digits = false;
    for (; digitAt(i); ++i, digits = true)
        number.push_back(char(text[i]));
    if (i < text.size() && text[i] == u'.') {
        number.push_back('.');
        for (++i; digitAt(i); ++i, digits = true)
            number.push_back(char(text[i]));
    }
    if (!digits)
        return 0;
    // An exponent counts only with digits after its sign.
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        size_t k = i + 1;
        const bool sign = k < text.size() && (text[k] == u'-' || text[k] == u'+');
        if (digitAt(sign ? k + 1 : k)) {
            number.push_back('e');
            if (sign)
                number.push_back(char(text[k++]));
            for (; digitAt(k); ++k)
                number.push_back(char(text[k]));
        }
    }
    return float(detail::ParseDouble(number.c_str()));
}

struct ParserDeleter {
    void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};

} // namespace

// Expat calls C functions: nothing may unwind through its frames, so a handler's exception is kept,
// the parser stopped, and ParseXML rethrows it once XML_Parse has returned.
struct ExpatCallbacks {
    template <class Handler> static void Guarded(void* userData, Handler&& handler)
    {
        auto* factory = static_cast<LControlFactory*>(userData);
        if (factory->m_handlerError)
            return;
        try {
            handler(*factory);
        } catch (...) {
            factory->m_handlerError = std::current_exception();
            XML_StopParser(factory->m_parser, XML_FALSE);
        }
    }

    static void OnStartElement(void* userData, const XML_Char* name, const XML_Char** attributes)
    {
        Guarded(userData, [&](LControlFactory& factory) {
            LControlFactory::AttributeMap map;
            for (const XML_Char** attribute = attributes; attribute[0]; attribute += 2)
                map.emplace(LControlFactory::String(attribute[0]), LControlFactory::String(attribute[1]));
            factory.XMLStartElement(LControlFactory::String(name), map);
        });
    }

    static void OnEndElement(void* userData, const XML_Char* name)
    {
        Guarded(userData, [&](LControlFactory& factory) { factory.XMLEndElement(LControlFactory::String(name)); });
    }

    static void OnCharacterData(void* userData, const XML_Char* text, int length)
    {
        Guarded(userData, [&](LControlFactory& factory) {
            LControlFactory::String converted;
            converted.AssignUTF8(text, length);
            factory.XMLCharacterData(converted.View());
        });
    }
};

VQRESULT LControlFactory::ReadDocument(const String& path, std::vector<char>& storage, std::span<const char>& bytes)
{
    bytes = {};
    if (IsResourcePath(path)) {
        // Resources are parsed in place.
        const std::span<const uint8_t> resource = FindProgramResource(path, ResourceType);
        if (resource.empty())
            return E_FAIL;
        bytes = {reinterpret_cast<const char*>(resource.data()), resource.size()};
        return S_OK;
    }
    try {
        File file(path, String(), File::OpenRead);
        if (!file.IsOpen())
            return E_FAIL;
        const int32_t length = file.GetLength();
        if (length <= 0)
            return E_FAIL;
        try {
            storage.resize(size_t(length));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        int32_t done = 0;
        while (done < length) {
            const int32_t read = file.Read(storage.data() + done, uint32_t(length - done), -1);
            if (read <= 0)
                return E_FAIL;
            done += read;
        }
    } catch (...) {
        return E_FAIL;
    }
    bytes = storage;
    return S_OK;
}

VQRESULT LControlFactory::LoadSkins(const String& path)
{
    std::vector<char> storage;
    std::span<const char> document;
    VQRESULT result = ReadDocument(path, storage, document);
    if (Succeeded(result)) {
        m_stringMode = false;
        m_inCreateParam = false;
        m_inLooks = false;
        m_currentDescriptor.Release();
        result = ParseXML(document.data(), int32_t(document.size()));
    }
    m_currentSkinIndex = 0;
    return result;
}

VQRESULT LControlFactory::ParseXML(const char* buffer, int32_t length)
{
    if (length < 0 || !buffer)
        return E_FAIL;
    // Callers with text of their own may pass it zero-terminated; documents read from resources and
    // files always come with their length, as they have no terminator.
    if (length == 0)
        length = int32_t(std::min<size_t>(std::strlen(buffer), INT32_MAX));
    m_skipFirst = true;
    m_handlerError = nullptr;

    // No encoding given: the document's byte-order mark or declaration decides.
    const std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreate(nullptr));
    if (!parser)
        return E_FAIL;
    m_parser = parser.get();
    XML_SetUserData(parser.get(), this);
    XML_SetElementHandler(parser.get(), &ExpatCallbacks::OnStartElement, &ExpatCallbacks::OnEndElement);
    XML_SetCharacterDataHandler(parser.get(), &ExpatCallbacks::OnCharacterData);

    const XML_Status status = XML_Parse(parser.get(), buffer, length, XML_TRUE);
    m_parser = nullptr;
    // A parse that stopped inside an element keeps the text read so far; the element is over.
    try {
        if (m_stringMode)
            WriteLocaleText();
        else
            WriteCreateParamText();
    } catch (...) {
        m_pendingText.clear();
    }
    m_inCreateParam = false;
    // A long text's storage is not kept for the next one.
    m_pendingText.shrink_to_fit();
    if (status == XML_STATUS_OK && !m_handlerError)
        return S_OK;

    m_parseErrorLine = int32_t(XML_GetCurrentLineNumber(parser.get()));
    if (m_handlerError) {
        try {
            std::rethrow_exception(std::exchange(m_handlerError, nullptr));
        } catch (const std::exception& error) {
            m_parseErrorText = String(error.what());
        } catch (...) {
            m_parseErrorText = String("unknown error");
        }
    } else {
        m_parseErrorText = String(XML_ErrorString(XML_GetErrorCode(parser.get())));
    }
    return E_FAIL;
}

void LControlFactory::XMLStartElement(const String& name, const AttributeMap& attributes)
{
    if (m_skipFirst) {
        m_skipFirst = false;
        return;
    }
    if (name == u"Application") {
        // An Application without Name empties the name.
        String applicationName;
        GetAttribute(attributes, u"Name", applicationName);
        m_applicationName = applicationName;
        return;
    }
    if (m_stringMode)
        StringStartElement(name, attributes);
    else
        SkinStartElement(name, attributes);
}

void LControlFactory::XMLEndElement(const String& name)
{
    if (m_stringMode)
        StringEndElement(name);
    else
        SkinEndElement(name);
}

void LControlFactory::XMLCharacterData(std::u16string_view text)
{
    if (m_stringMode)
        StringCharacterData(text);
    else
        SkinCharacterData(text);
}

bool LControlFactory::GetAttribute(const AttributeMap& attributes, std::u16string_view name, String& value)
{
    const auto found = attributes.find(name);
    if (found == attributes.end())
        return false;
    value = found->second;
    return true;
}

bool LControlFactory::GetAttribute(const AttributeMap& attributes, std::u16string_view name, bool& value)
{
    const auto found = attributes.find(name);
    if (found == attributes.end())
        return false;
    value = found->second == u"True";
    return true;
}

bool LControlFactory::GetAttribute(const AttributeMap& attributes, std::u16string_view name, float& value)
{
    const auto found = attributes.find(name);
    if (found == attributes.end())
        return false;
    value = ParseFloat(found->second.View());
    return true;
}

bool LControlFactory::GetAttribute(const AttributeMap& attributes, std::u16string_view name, int32_t& value)
{
    const auto found = attributes.find(name);
    if (found == attributes.end())
        return false;
    const std::u16string_view text = found->second.View();
    if (text.size() >= 2 && text[0] == u'0' && text[1] == u'x') {
        int32_t number = 0;
        for (size_t i = 2; i < text.size() && i < 6; ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0)
                break;
            number = number * 16 + digit;
        }
        value = number;
    } else {
        value = found->second.ToInt();
    }
    return true;
}

bool LControlFactory::GetDecimalAttribute(const AttributeMap& attributes, std::u16string_view name, int32_t& value)
{
    const auto found = attributes.find(name);
    if (found == attributes.end())
        return false;
    value = found->second.ToInt();
    return true;
}

LControlFactory::String LControlFactory::TranslateFontName(const String& name) const
{
    const auto found = m_fontTranslations.find(name);
    return found == m_fontTranslations.end() ? name : found->second;
}

} // namespace VQ
