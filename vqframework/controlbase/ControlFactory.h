// Turns skins into controls: reads the skin and string-table documents into descriptors and tables,
// keeps the create function of every control class, and creates controls by descriptor or by name.
#pragma once

#include "vqframework/controlbase/ControlDescriptor.h"
#include "vqframework/controlbase/LookDescriptor.h"
#include "vqframework/controlbase/SkinDescriptor.h"
#include "vqframework/controlbase/StringTable.h"
#include "vqframework/controlbase/VisualPartDescriptor.h"
#include "vqframework/graphics/Colorizer.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/StringT.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct XML_ParserStruct;

namespace VQ {

class LControl;
class LRootWindow;

class LControlFactory : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;
    // Attributes of one element, ordered by name.
    using AttributeMap = std::map<String, String, std::less<>>;

    // Ids of the languages the string tables fall back to.
    static constexpr int32_t LanguageEnglish = 0x0009;
    static constexpr int32_t LanguageChineseTraditional = 0x7C04;

    explicit LControlFactory(const String& applicationName);
    ~LControlFactory() override;

    // The application's loading call. "::" reads the program's resources APP_STRINGS,
    // FRAMEWORK_STRINGS and APP_SKINS; any other folder the files StringTables.xml,
    // FrameworkStrings.xml and Skins.xml in it. Returns the first negative result, else LoadSkins'.
    VQRESULT LoadResources(const String& folder, int32_t language);

    // Skins ------------------------------------------------------------------------------------------

    // Reads a skin document from "::" + a resource name or from a file and selects skin 0. 0 after a
    // good parse; E_FAIL for a missing or empty resource, an unreadable or empty file or a failed
    // parse (what was read before the error stays); E_OUTOFMEMORY when the file does not fit.
    VQRESULT LoadSkins(const String& path);
    // Parses a whole document of length bytes; 0 or E_FAIL. The parse error text and line are kept.
    VQRESULT ParseXML(const char* buffer, int32_t length);

    // Element handlers of both documents; they run inside ParseXML.
    void XMLStartElement(const String& name, const AttributeMap& attributes);
    void XMLEndElement(const String& name);
    void XMLCharacterData(std::u16string_view text);

    // Each form returns whether the attribute is present and writes value only then.
    static bool GetAttribute(const AttributeMap& attributes, std::u16string_view name, String& value);
    // True exactly for "True".
    static bool GetAttribute(const AttributeMap& attributes, std::u16string_view name, bool& value);
    // Leading blanks, a sign, digits with a point and an exponent; no number gives 0.
    static bool GetAttribute(const AttributeMap& attributes, std::u16string_view name, float& value);
    // "0x" (lower-case x) and up to four hexadecimal digits, else a decimal integer.
    static bool GetAttribute(const AttributeMap& attributes, std::u16string_view name, int32_t& value);
    // A decimal integer only ("0x10" gives 0).
    static bool GetDecimalAttribute(const AttributeMap& attributes, std::u16string_view name, int32_t& value);

    // The replacement font name for the factory's language, or the name itself.
    String TranslateFontName(const String& name) const;

    const String& GetParseErrorText() const { return m_parseErrorText; }
    int32_t GetParseErrorLine() const { return m_parseErrorLine; }

    // String tables ----------------------------------------------------------------------------------

    // Reads the application document in the language, then its neutral form, then English, and the
    // framework document in the language that settled, then English. 0, or E_OUTOFMEMORY.
    VQRESULT LoadStringTables(const String& applicationPath, const String& frameworkPath, int32_t language);
    // Copies of the table "|" + application name and of "Framework"; null when absent.
    RCPtr<LStringTable> GetApplicationStringTable() const;
    RCPtr<LStringTable> GetFrameworkStringTable() const;
    // A copy of the table "<parent's descriptor class>|<name>", the application name standing in for a
    // missing parent; null when absent.
    RCPtr<LStringTable> GetStringTable(const RCPtr<LControl>& parent, const String& name) const;
    RCPtr<LStringTable> GetStringTable(const String& tableName) const;

    // Controls ---------------------------------------------------------------------------------------

    // 0; the first function registered for a class stays.
    VQRESULT RegisterControlCreateFunction(const String& className, ControlCreateFunction function);
    // 0 and the function; throws a runtime error for a class that is not registered.
    VQRESULT GetControlCreateFunction(const String& className, ControlCreateFunction& function) const;
    // The top-level descriptor of that name in the current skin (the last of several), or a shared
    // null pointer.
    const RCPtr<LControlDescriptor>& GetControlDescriptor(const String& name) const;
    // Throws as GetControlCreateFunction does for a class that is not registered.
    RCPtr<LControl>& CreateControl(RCPtr<LControl>& control, const RCPtr<LControlDescriptor>& descriptor,
                                   const RCPtr<LControl>& parent);
    // Null when the current skin has no such descriptor.
    RCPtr<LControl>& CreateTopLevelControl(RCPtr<LControl>& control, const String& name,
                                           LRootWindow* rootWindow);
    RCPtr<LControlDescriptor>& CloneControlDescriptor(RCPtr<LControlDescriptor>& clone,
                                                      const RCPtr<LControlDescriptor>& source,
                                                      const RCPtr<LLayoutDescriptor>& layout,
                                                      const String& newName);
    // Reports the current skin's font settings that are set; 0 when it reported one, else 1.
    VQRESULT GetSkinFont(String& fontName, float& fontSize, int32_t& fontStyle) const;
    // E_FAIL for a null control or a name the current skin lacks, else CreateFromDescriptor's result.
    VQRESULT RebuildControl(const RCPtr<LControl>& control);

    // State ------------------------------------------------------------------------------------------

    const String& GetApplicationName() const { return m_applicationName; }
    int32_t GetLanguage() const { return m_language; }
    const String& GetResourcePrefix() const { return m_resourcePrefix; }
    void SetResourcePrefix(const String& prefix) { m_resourcePrefix = prefix; }
    const RCPtrArray<LControlDescriptor>& GetSkins() const { return m_skins; }
    int32_t GetCurrentSkinIndex() const { return m_currentSkinIndex; }
    void SetCurrentSkinIndex(int32_t index) { m_currentSkinIndex = index; }

    // The named colorizers, parts, looks and look lists; null when absent.
    RCPtr<LColorizer> FindColorizer(const String& name) const;
    RCPtr<LVisualPartDescriptor> FindPart(const String& name) const;
    RCPtr<LLookDescriptor> FindLook(const String& name) const;
    RCPtr<LookList> FindLookList(const String& name) const;

private:
    template <class T> using NameTable = std::map<String, RCPtr<T>, std::less<>>;
    using StringMap = LStringTable::Map;

    // The bytes of a document: a resource in place, or a file read into storage. E_FAIL for a missing
    // or empty document or an unreadable file, E_OUTOFMEMORY when the file does not fit.
    VQRESULT ReadDocument(const String& path, std::vector<char>& storage, std::span<const char>& bytes);

    // The root descriptor at the current skin index; null when the index is out of range.
    const RCPtr<LControlDescriptor>& GetCurrentRoot() const;

    void SkinStartElement(const String& name, const AttributeMap& attributes);
    void SkinEndElement(const String& name);
    void SkinCharacterData(std::u16string_view text);
    void StringStartElement(const String& name, const AttributeMap& attributes);
    void StringEndElement(const String& name);
    void StringCharacterData(std::u16string_view text);

    // Runs one string-mode parse of a document in the wanted language; returns the strings taken.
    int32_t ParseStrings(std::span<const char> document, int32_t language);

    // Writes the text gathered since the last write where it belongs: a CreateParam's value, or the
    // end of a Locale's string. Text is written once per element rather than per piece, since the
    // parser may hand over a long text in very many pieces.
    void WriteCreateParamText();
    void WriteLocaleText();

    String m_applicationName;
    int32_t m_language = 0;
    String m_resourcePrefix;
    RCPtrArray<LControlDescriptor> m_skins;
    int32_t m_currentSkinIndex = 0;
    std::map<String, ControlCreateFunction, std::less<>> m_createFunctions;
    std::map<String, StringMap, std::less<>> m_stringTables;

    // Reader state, kept between the callbacks of one parse and from one load to the next.
    bool m_skipFirst = false;
    bool m_stringMode = false;
    bool m_inCreateParam = false;
    // Text of the current CreateParam or Locale not yet written.
    std::u16string m_pendingText;
    String m_currentId;
    RCPtr<LControlDescriptor> m_currentDescriptor;
    RCPtr<LLookDescriptor> m_currentLook;
    RCPtr<LookList> m_currentLookList;
    RCPtr<LStringTable> m_currentCreateParams;
    bool m_inLooks = false;
    NameTable<LColorizer> m_colorizers;
    NameTable<LVisualPartDescriptor> m_parts;
    NameTable<LLookDescriptor> m_looks;
    NameTable<LookList> m_lookLists;

    struct PendingFont {
        String name;
        float size = 0;
        int32_t style = -1;
        bool inheritsFromParent = false;
        bool sizeIsRelative = false;
    };
    PendingFont m_pendingFont;
    std::map<String, String, std::less<>> m_fontTranslations;
    int32_t m_fontLocale = 0;

    // String mode: the wanted language, the current table, the text being collected.
    int32_t m_wantedLanguage = 0;
    StringMap* m_currentTable = nullptr;
    String* m_collectedText = nullptr;
    bool m_collecting = false;
    int32_t m_stringsTaken = 0;

    String m_parseErrorText;
    int32_t m_parseErrorLine = 0;
    // An exception a handler raised; the parse stops and ParseXML reports it as E_FAIL.
    std::exception_ptr m_handlerError;
    // The parser of the parse under way, which a failing handler stops.
    XML_ParserStruct* m_parser = nullptr;

    friend struct ExpatCallbacks;
};

} // namespace VQ
