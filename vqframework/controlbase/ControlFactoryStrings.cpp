// The string tables: reading them in the user's language with its fallbacks, and handing out copies.
#include "vqframework/controlbase/ControlFactory.h"

#include "vqframework/control/Control.h"
#include "vqframework/objectbase/Exception.h"
#include "vqframework/storage/VQFile.h"
#include "vqframework/system/ProgramResources.h"

#include <stdexcept>
#include <string>

namespace VQ {

namespace {

// Chinese locales whose neutral form is the traditional-Chinese language rather than the low byte.
int32_t NeutralLanguage(int32_t language)
{
    if (language == 0x0404 || language == 0x0C04 || language == 0x1404)
        return LControlFactory::LanguageChineseTraditional;
    return language & 0xFF;
}

} // namespace

VQRESULT LControlFactory::LoadResources(const String& folder, int32_t language)
{
    String applicationStrings;
    String frameworkStrings;
    String skins;
    if (folder == u"::") {
        m_resourcePrefix = String(u"::");
        applicationStrings = String(u"::APP_STRINGS");
        frameworkStrings = String(u"::FRAMEWORK_STRINGS");
        skins = String(u"::APP_SKINS");
    } else {
        m_resourcePrefix = folder + String(u"/");
        applicationStrings = m_resourcePrefix + String(u"StringTables.xml");
        frameworkStrings = m_resourcePrefix + String(u"FrameworkStrings.xml");
        skins = m_resourcePrefix + String(u"Skins.xml");
    }
    const VQRESULT result = LoadStringTables(applicationStrings, frameworkStrings, language);
    if (Failed(result))
        return result;
    return LoadSkins(skins);
}

VQRESULT LControlFactory::LoadStringTables(const String& applicationPath, const String& frameworkPath,
                                           int32_t language)
{
    // Reads one document; an empty span skips it. An empty path names none, a missing resource is no
    // error, an unreadable file is.
    const auto read = [this](const String& path, std::vector<char>& storage, std::span<const char>& bytes) {
        bytes = {};
        if (path.IsEmpty())
            return S_OK;
        const VQRESULT result = ReadDocument(path, storage, bytes);
        if (result == E_OUTOFMEMORY || Succeeded(result) || IsResourcePath(path))
            return result;
        // An empty file holds no strings, like an empty resource.
        File file(path, String(), File::OpenRead);
        if (file.IsOpen() && file.GetLength() == 0)
            return S_OK;
        VQ_THROW_DETAIL(std::runtime_error,
                        std::string("Cannot read the string tables ") + path.ToUTF8().GetString());
    };

    // Without an application document the framework's is still read in the user's language first.
    m_language = language;

    std::vector<char> storage;
    std::span<const char> document;
    VQRESULT result = read(applicationPath, storage, document);
    if (result == E_OUTOFMEMORY)
        return result;
    if (!document.empty()) {
        int32_t taken = ParseStrings(document, language);
        for (const int32_t fallback : {NeutralLanguage(language), LanguageEnglish}) {
            // A language already tried would take nothing again.
            if (taken != 0 || fallback == m_language)
                continue;
            m_language = fallback;
            taken = ParseStrings(document, fallback);
        }
    }

    storage = {};
    result = read(frameworkPath, storage, document);
    if (result == E_OUTOFMEMORY)
        return result;
    if (!document.empty() && ParseStrings(document, m_language) == 0 && m_language != LanguageEnglish) {
        m_language = LanguageEnglish;
        ParseStrings(document, LanguageEnglish);
    }
    return S_OK;
}

int32_t LControlFactory::ParseStrings(std::span<const char> document, int32_t language)
{
    // The reader's pointers lead into the tables; none may outlive the parse that set it, and an id of
    // another parse must not name the first strings of this one.
    const auto reset = [this] {
        m_currentTable = nullptr;
        m_collectedText = nullptr;
        m_collecting = false;
        m_currentId.Clear();
    };
    reset();
    m_wantedLanguage = language;
    m_stringsTaken = 0;
    m_stringMode = true;
    ParseXML(document.data(), int32_t(document.size()));
    m_stringMode = false;
    reset();
    return m_stringsTaken;
}

void LControlFactory::StringStartElement(const String& name, const AttributeMap& attributes)
{
    if (name == u"StringTable") {
        String tableName;
        GetAttribute(attributes, u"ID", tableName);
        m_currentTable = &m_stringTables[tableName];
        return;
    }
    // Strings and texts outside a table have nowhere to go.
    if (!m_currentTable)
        return;
    if (name == u"String") {
        String id;
        if (GetAttribute(attributes, u"ID", id))
            m_currentId = id;
        return;
    }
    if (name == u"Locale") {
        int32_t language = 0;
        if (!GetAttribute(attributes, u"LCID", language) || language != m_wantedLanguage)
            return;
        ++m_stringsTaken;
        WriteLocaleText();
        // A text already present is kept and what follows is appended to it.
        m_collectedText = &(*m_currentTable)[m_currentId];
        m_collecting = true;
    }
}

void LControlFactory::StringEndElement(const String& name)
{
    WriteLocaleText();
    m_collecting = false;
    m_collectedText = nullptr;
    if (name == u"StringTable")
        m_currentTable = nullptr;
}

void LControlFactory::StringCharacterData(std::u16string_view text)
{
    // The parser hands over text around references in pieces; they are joined before writing.
    if (m_collecting && m_collectedText)
        m_pendingText.append(text);
}

void LControlFactory::WriteLocaleText()
{
    if (!m_pendingText.empty() && m_collecting && m_collectedText) {
        String text;
        text.Assign(m_pendingText.data(), int32_t(m_pendingText.size()));
        *m_collectedText += text;
    }
    m_pendingText.clear();
}

RCPtr<LStringTable> LControlFactory::GetApplicationStringTable() const
{
    return GetStringTable(String(u"|") + m_applicationName);
}

RCPtr<LStringTable> LControlFactory::GetFrameworkStringTable() const
{
    return GetStringTable(String(u"Framework"));
}

RCPtr<LStringTable> LControlFactory::GetStringTable(const RCPtr<LControl>& parent, const String& name) const
{
    String tableName;
    if (parent) {
        const RCPtr<LControlDescriptor>& descriptor = parent->GetControlDescriptor();
        if (!descriptor)
            return nullptr;
        tableName = descriptor->GetClassName();
    } else {
        tableName = m_applicationName;
    }
    return GetStringTable(tableName + String(u"|") + name);
}

RCPtr<LStringTable> LControlFactory::GetStringTable(const String& tableName) const
{
    const auto found = m_stringTables.find(tableName);
    if (found == m_stringTables.end())
        return nullptr;
    return LStringTable::Create(found->second);
}

} // namespace VQ
