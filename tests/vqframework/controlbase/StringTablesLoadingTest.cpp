// Reading the string-table documents: the language fallback, how texts are collected, the tables by
// name, and the loading call over resources and folders.
#include "vqframework/controlbase/ControlFactory.h"

#include "tests/support/TemporaryFolder.h"
#include "tests/vqframework/controlbase/FakeControl.h"
#include "vqframework/objectbase/Exception.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace VQ {
namespace {

using String = LControlFactory::String;

const std::u16string Absent = u"<absent>";

// The document's bytes in UTF-16 with a byte-order mark, as the string tables are stored.
std::string Utf16Bytes(std::u16string_view text, bool bigEndian = false)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char low = char(unit & 0xFF);
        const char high = char(unit >> 8);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::u16string Document(std::u16string_view body)
{
    return u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<Varquen_StringTable_Definitions>\n" + std::u16string(body) +
           u"\n</Varquen_StringTable_Definitions>\n";
}

// A table "T" with one String "S" holding the Locale elements.
std::u16string OneString(std::u16string_view locales)
{
    return u"<StringTable ID=\"T\"><String ID=\"S\">" + std::u16string(locales) + u"</String></StringTable>";
}

std::u16string Lookup(const RCPtr<LStringTable>& table, std::u16string_view id)
{
    if (!table)
        return u"<no table>";
    String text;
    return table->GetString(id, text) ? std::u16string(text.View()) : Absent;
}

String FixturePath(const char* name)
{
    // Appended piece by piece: g++ 12 at -O2 misreads a chain of string + as writing out of bounds.
    std::string path = CONTROLBASE_FIXTURES;
    path += '/';
    path += name;
    return String(path.c_str());
}

class StringTablesLoadingTest : public ::testing::Test {
protected:
    // Writes bytes under the temporary folder and returns the file's path.
    String WriteBytes(const std::string& name, const std::string& bytes)
    {
        const std::string path = m_folder.Path() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return String(path.c_str());
    }
    String Write(const std::string& name, std::u16string_view body, bool bigEndian = false)
    {
        return WriteBytes(name, Utf16Bytes(Document(body), bigEndian));
    }
    // Loads an application document alone (no framework document).
    void LoadApplication(std::u16string_view body, int32_t language)
    {
        ASSERT_EQ(m_factory->LoadStringTables(Write("app.xml", body), String(), language), S_OK);
    }
    RCPtr<LStringTable> Table(const char16_t* name) const { return m_factory->GetStringTable(String(name)); }

    test::TemporaryFolder m_folder;
    RCPtr<LControlFactory> m_factory{new LControlFactory(String("PresetEditor"))};
};

TEST_F(StringTablesLoadingTest, FallsBackToTheNeutralLanguageThenEnglish)
{
    struct Case {
        int32_t language;
        std::u16string_view locales;
        int32_t settled;
        std::u16string_view text;
    };
    const Case cases[] = {
        {0x0C04,
         u"<Locale LCID=\"0x0c04\">hk</Locale><Locale LCID=\"0x7c04\">zh</Locale><Locale LCID=\"0x0009\">en</Locale>",
         0x0C04, u"hk"},
        {0x0C04, u"<Locale LCID=\"0x7c04\">zh</Locale><Locale LCID=\"0x0009\">en</Locale>", 0x7C04, u"zh"},
        {0x0404, u"<Locale LCID=\"0x7C04\">zh</Locale>", 0x7C04, u"zh"},
        {0x1404, u"<Locale LCID=\"0x7c04\">zh</Locale>", 0x7C04, u"zh"},
        // 0x0004 is the low byte of 0x0C04, but not the neutral form the Chinese locales fall back to.
        {0x0C04, u"<Locale LCID=\"0x0004\">cn</Locale><Locale LCID=\"0x0009\">en</Locale>", 0x0009, u"en"},
        {0x0804, u"<Locale LCID=\"0x0004\">cn</Locale><Locale LCID=\"0x0009\">en</Locale>", 0x0004, u"cn"},
        {0x0407, u"<Locale LCID=\"0x0009\">en</Locale><Locale LCID=\"0x0007\">de</Locale>", 0x0007, u"de"},
        {0x0407, u"<Locale LCID=\"0x0009\">en</Locale>", 0x0009, u"en"},
        {0x0009, u"<Locale LCID=\"0x0009\">en</Locale>", 0x0009, u"en"},
        // Nothing in any language of the sequence: the language still ends at English.
        {0x0411, u"<Locale LCID=\"0x0007\">de</Locale>", 0x0009, Absent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "language 0x" << std::hex << c.language);
        m_factory = RCPtr<LControlFactory>(new LControlFactory(String("PresetEditor")));
        LoadApplication(OneString(c.locales), c.language);
        EXPECT_EQ(m_factory->GetLanguage(), c.settled);
        EXPECT_EQ(Lookup(Table(u"T"), u"S"), c.text);
    }
}

TEST_F(StringTablesLoadingTest, ReadsTheFrameworkDocumentInTheSettledLanguageThenEnglish)
{
    struct Case {
        const char* application;
        int32_t language;
        int32_t settled;
        std::u16string_view undo;
    };
    const Case cases[] = {
        // The application document has German texts: German settles and the framework follows it.
        {"StringTables.xml", 0x0407, 0x0007, u"Rückgängig"},
        // It has no Japanese: English settles, and the framework's Japanese texts are passed over.
        {"StringTables.xml", 0x0411, 0x0009, u"Undo"},
        // Without an application document the framework is read in the user's language as given,
        {nullptr, 0x0011, 0x0011, u"元に戻す"},
        {nullptr, 0x7C04, 0x7C04, u"復原"},
        // and in English when it has none of that language (no neutral form is tried for it).
        {nullptr, 0x0407, 0x0009, u"Undo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "language 0x" << std::hex << c.language);
        m_factory = RCPtr<LControlFactory>(new LControlFactory(String("PresetEditor")));
        const String application = c.application ? FixturePath(c.application) : String("::NO_SUCH_STRINGS");
        ASSERT_EQ(m_factory->LoadStringTables(application, FixturePath("FrameworkStrings.xml"), c.language), S_OK);
        EXPECT_EQ(m_factory->GetLanguage(), c.settled);
        const RCPtr<LStringTable> framework = m_factory->GetFrameworkStringTable();
        EXPECT_EQ(Lookup(framework, u"EDIT_UNDO"), c.undo);
        ASSERT_TRUE(framework);
        EXPECT_EQ(framework->GetCount(), 2u);
    }

    // A language the application has and the framework lacks: the framework falls back to English.
    m_factory = RCPtr<LControlFactory>(new LControlFactory(String("PresetEditor")));
    const String application = Write("app.xml", OneString(u"<Locale LCID=\"0x000c\">fr</Locale>"));
    ASSERT_EQ(m_factory->LoadStringTables(application, FixturePath("FrameworkStrings.xml"), 0x040C), S_OK);
    EXPECT_EQ(Lookup(Table(u"T"), u"S"), u"fr");
    EXPECT_EQ(Lookup(m_factory->GetFrameworkStringTable(), u"EDIT_UNDO"), u"Undo");
    EXPECT_EQ(m_factory->GetLanguage(), 0x0009);
}

TEST_F(StringTablesLoadingTest, JoinsTheTextsOfOneIdAndIgnoresEverythingElse)
{
    LoadApplication(uR"(
  <StringTable ID="T">
    <String ID="TWO_LOCALES"><Locale LCID="0x0009">first</Locale> between <Locale LCID="0x0007">other</Locale>
      <Locale LCID="0x0009"> second</Locale></String>
    <String ID="REPEATED"><Locale LCID="0x0009">one</Locale></String>
    <String ID="MARKUP"><Locale LCID="0x0009">a &amp; b<Unknown>c</Unknown>d</Locale></String>
    <String ID="REPEATED"><Locale LCID="0x0009">+two</Locale></String>
    <String><Locale LCID="0x0009">+three</Locale></String>
    <String ID="EMPTY"></String>
    <String ID="BLANK"><Locale LCID="0x0009"></Locale></String>
  </StringTable>
  <StringTable ID="T"><String ID="LATER"><Locale LCID="0x0009">in a second element</Locale></String></StringTable>)",
                    0x0409);

    const RCPtr<LStringTable> table = Table(u"T");
    ASSERT_TRUE(table);
    EXPECT_EQ(Lookup(table, u"TWO_LOCALES"), u"first second");
    // The same id again appends, and a String without ID keeps the id before it.
    EXPECT_EQ(Lookup(table, u"REPEATED"), u"one+two+three");
    // Collecting stops at the first end element, the unknown element's.
    EXPECT_EQ(Lookup(table, u"MARKUP"), u"a & bc");
    EXPECT_EQ(Lookup(table, u"EMPTY"), Absent);
    EXPECT_EQ(Lookup(table, u"BLANK"), u"");
    EXPECT_EQ(Lookup(table, u"LATER"), u"in a second element");
    EXPECT_EQ(table->GetCount(), 5u);
}

// The parser hands over a text around each reference in a piece of its own.
TEST_F(StringTablesLoadingTest, JoinsATextOfVeryManyPiecesOnce)
{
    std::u16string text;
    std::u16string expected = u"before|";
    for (int i = 0; i < 50000; ++i) {
        text += u"x&amp;";
        expected += u"x&";
    }
    LoadApplication(u"<StringTable ID=\"T\"><String ID=\"S\"><Locale LCID=\"0x0009\">before|</Locale>"
                    u"<Locale LCID=\"0x0009\">" +
                        text + u"</Locale></String></StringTable>",
                    0x0009);
    EXPECT_EQ(Lookup(Table(u"T"), u"S"), expected);
}

TEST_F(StringTablesLoadingTest, ReadsTheLanguageAsAnIntegerAttribute)
{
    LoadApplication(uR"(
  <StringTable ID="T">
    <String ID="HEX"><Locale LCID="0x0009">hex</Locale></String>
    <String ID="SHORT_HEX"><Locale LCID="0x9">short hex</Locale></String>
    <String ID="DECIMAL"><Locale LCID="9">decimal</Locale></String>
    <String ID="TRAILING"><Locale LCID="0x00090">four digits only</Locale></String>
    <String ID="CAPITAL_X"><Locale LCID="0X09">capital</Locale></String>
    <String ID="HEX_AS_DECIMAL"><Locale LCID="0009x">leading zeros</Locale></String>
    <String ID="TEN"><Locale LCID="0x000a">ten</Locale></String>
  </StringTable>)",
                    0x0009);

    const RCPtr<LStringTable> table = Table(u"T");
    EXPECT_EQ(Lookup(table, u"HEX"), u"hex");
    EXPECT_EQ(Lookup(table, u"SHORT_HEX"), u"short hex");
    EXPECT_EQ(Lookup(table, u"DECIMAL"), u"decimal");
    EXPECT_EQ(Lookup(table, u"TRAILING"), u"four digits only");
    EXPECT_EQ(Lookup(table, u"CAPITAL_X"), Absent);
    EXPECT_EQ(Lookup(table, u"HEX_AS_DECIMAL"), u"leading zeros");
    EXPECT_EQ(Lookup(table, u"TEN"), Absent);

    // "0X09" reads as language 0.
    m_factory = RCPtr<LControlFactory>(new LControlFactory(String("PresetEditor")));
    LoadApplication(OneString(u"<Locale LCID=\"0X09\">zero</Locale>"), 0);
    EXPECT_EQ(Lookup(Table(u"T"), u"S"), u"zero");
    EXPECT_EQ(m_factory->GetLanguage(), 0);
}

TEST_F(StringTablesLoadingTest, IgnoresTextsOutsideATableAndLocalesWithoutLanguage)
{
    LoadApplication(uR"(<StringTable ID="First"><String ID="S"><Locale LCID="0x0009">kept</Locale></String></StringTable>)",
                    0x0009);

    // Language 0 as wanted: a Locale without LCID must not pass for language 0.
    LoadApplication(uR"(
  <String ID="S"><Locale LCID="0">before any table</Locale></String>
  <Locale LCID="0">loose</Locale>
  <StringTable ID="Second">
    <String ID="NO_LCID"><Locale>no language</Locale></String>
  </StringTable>
  <String ID="S"><Locale LCID="0">after the table</Locale></String>)",
                    0);

    EXPECT_EQ(Lookup(Table(u"First"), u"S"), u"kept");
    EXPECT_EQ(Table(u"First")->GetCount(), 1u);
    ASSERT_TRUE(Table(u"Second"));
    EXPECT_EQ(Table(u"Second")->GetCount(), 0u);
    // Nothing was taken in language 0, so the fallback went on to English.
    EXPECT_EQ(m_factory->GetLanguage(), 0x0009);
}

TEST_F(StringTablesLoadingTest, KeepsTheStringsReadBeforeAMalformedPart)
{
    LoadApplication(uR"(
  <StringTable ID="T">
    <String ID="BEFORE"><Locale LCID="0x0009">before</Locale></String>
    <String ID="BROKEN"><Locale LCID="0x0009">broken</String>
    <String ID="AFTER"><Locale LCID="0x0009">after</Locale></String>
  </StringTable>)",
                    0x0009);
    EXPECT_EQ(Lookup(Table(u"T"), u"BEFORE"), u"before");
    EXPECT_EQ(Lookup(Table(u"T"), u"AFTER"), Absent);
    EXPECT_FALSE(m_factory->GetParseErrorText().IsEmpty());

    // A parse that took nothing before its error moves on to the next language like any other.
    m_factory = RCPtr<LControlFactory>(new LControlFactory(String("PresetEditor")));
    LoadApplication(uR"(
  <StringTable ID="T">
    <String ID="S"><Locale LCID="0x0009">english</Locale><Locale LCID="0x0007">deutsch</Locale></String>
  </Unclosed>)",
                    0x0407);
    EXPECT_EQ(m_factory->GetLanguage(), 0x0007);
    EXPECT_EQ(Lookup(Table(u"T"), u"S"), u"deutsch");
}

TEST_F(StringTablesLoadingTest, ReadsBothByteOrders)
{
    const std::u16string body = OneString(u"<Locale LCID=\"0x0009\">Größe – 大小 𝄞</Locale>");
    for (const bool bigEndian : {false, true}) {
        m_factory = RCPtr<LControlFactory>(new LControlFactory(String("PresetEditor")));
        const String path = Write(bigEndian ? "be.xml" : "le.xml", body, bigEndian);
        ASSERT_EQ(m_factory->LoadStringTables(path, String(), 0x0009), S_OK);
        EXPECT_EQ(Lookup(Table(u"T"), u"S"), u"Größe – 大小 𝄞") << (bigEndian ? "big" : "little") << "-endian";
    }
}

TEST_F(StringTablesLoadingTest, FindsTablesByNameAndHandsOutIndependentCopies)
{
    ASSERT_EQ(m_factory->LoadStringTables(String("::APP_STRINGS"), String("::FRAMEWORK_STRINGS"), 0x0409), S_OK);
    EXPECT_EQ(m_factory->GetApplicationName(), String("PresetEditor"));

    EXPECT_EQ(Lookup(m_factory->GetApplicationStringTable(), u"LOAD_PRESET_DIALOG_TITLE"), u"Load Preset");
    EXPECT_EQ(Lookup(m_factory->GetStringTable(String(u"|PresetEditor")), u"GHK.COPY"), u"Ctrl+VKEY_C");
    EXPECT_EQ(Lookup(m_factory->GetFrameworkStringTable(), u"TIME_SECONDS"), u"s");
    EXPECT_EQ(Lookup(m_factory->GetStringTable(nullptr, String("toolTip")), u"LABEL"), u"Tip");

    const RCPtr<Testing::FakeControl> pad(new Testing::FakeControl(String("pad")));
    pad->CreateFromDescriptor(LControlDescriptor::Create(String("PresetEditor.Pad"), String("pad"), nullptr));
    const RCPtr<LControl> parent = pad;
    EXPECT_EQ(Lookup(m_factory->GetStringTable(parent, String("ccLabel")), u"TOOLTIP"),
              u"Control change – “number”");
    // The parent's class names the table, not the parent's own name or the application's.
    EXPECT_FALSE(m_factory->GetStringTable(parent, String("toolTip")));
    EXPECT_FALSE(m_factory->GetStringTable(nullptr, String("ccLabel")));
    EXPECT_FALSE(m_factory->GetStringTable(nullptr, String("ToolTip")));
    const RCPtr<LControl> undescribed(new Testing::FakeControl(String("bare")));
    EXPECT_FALSE(m_factory->GetStringTable(undescribed, String("ccLabel")));

    // Ids sort by code unit whatever the document's order.
    LStringTable::Entries entries;
    m_factory->GetStringTable(String(u"PresetEditor|modeList"))->GetStringTableEntries(u"ITEM.", entries);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].first, String("ITEM.05"));
    EXPECT_EQ(entries[1].first, String("ITEM.06"));

    const RCPtr<LStringTable> copy = m_factory->GetApplicationStringTable();
    EXPECT_EQ(copy->Add(u"LOAD_PRESET_DIALOG_TITLE", String("changed")), S_FALSE);
    EXPECT_EQ(copy->Add(u"NEW", String("new")), S_OK);
    const RCPtr<LStringTable> again = m_factory->GetApplicationStringTable();
    EXPECT_NE(again.Get(), copy.Get());
    EXPECT_EQ(Lookup(again, u"LOAD_PRESET_DIALOG_TITLE"), u"Load Preset");
    EXPECT_EQ(Lookup(again, u"NEW"), Absent);
}

TEST_F(StringTablesLoadingTest, SkipsMissingResourcesAndEmptyFiles)
{
    ASSERT_EQ(m_factory->LoadStringTables(String("::NO_SUCH_STRINGS"), String("::NO_SUCH_FRAMEWORK"), 0x0409), S_OK);
    EXPECT_FALSE(m_factory->GetApplicationStringTable());
    EXPECT_EQ(m_factory->GetLanguage(), 0x0409);

    // An empty file holds no strings: nothing is parsed, and the framework document is still read.
    const String empty = WriteBytes("empty.xml", "");
    ASSERT_EQ(m_factory->LoadStringTables(empty, FixturePath("FrameworkStrings.xml"), 0x0409), S_OK);
    EXPECT_EQ(Lookup(m_factory->GetFrameworkStringTable(), u"EDIT_UNDO"), u"Undo");
}

TEST_F(StringTablesLoadingTest, AFileThatCannotBeReadThrows)
{
    const String missing(String((m_folder.Path() + "/missing.xml").c_str()));
    EXPECT_THROW(m_factory->LoadStringTables(missing, FixturePath("FrameworkStrings.xml"), 0x0409),
                 Exception<std::runtime_error>);
    EXPECT_THROW(m_factory->LoadStringTables(FixturePath("StringTables.xml"), missing, 0x0409),
                 Exception<std::runtime_error>);
    // The application document was read before the framework's turned out missing.
    EXPECT_TRUE(m_factory->GetApplicationStringTable());
    const String folder(m_folder.Path().c_str());
    EXPECT_THROW(m_factory->LoadStringTables(folder, String(), 0x0409), Exception<std::runtime_error>);
}

TEST_F(StringTablesLoadingTest, LoadsResourcesFromTheProgramOrAFolder)
{
    ASSERT_EQ(m_factory->LoadResources(String("::"), 0x0409), S_OK);
    EXPECT_EQ(m_factory->GetResourcePrefix(), String("::"));
    EXPECT_EQ(m_factory->GetLanguage(), 0x0009);
    EXPECT_EQ(Lookup(m_factory->GetApplicationStringTable(), u"STARTUP_ERROR"), u"The editor could not start.");
    EXPECT_EQ(Lookup(m_factory->GetFrameworkStringTable(), u"EDIT_UNDO"), u"Undo");

    m_factory = RCPtr<LControlFactory>(new LControlFactory(String("PresetEditor")));
    const String fixtures(CONTROLBASE_FIXTURES);
    ASSERT_EQ(m_factory->LoadResources(fixtures, 0x0407), S_OK);
    EXPECT_EQ(m_factory->GetResourcePrefix(), fixtures + String("/"));
    EXPECT_EQ(m_factory->GetLanguage(), 0x0007);
    EXPECT_EQ(Lookup(m_factory->GetApplicationStringTable(), u"STARTUP_ERROR"), u"Der Editor konnte nicht starten.");
    EXPECT_EQ(Lookup(m_factory->GetFrameworkStringTable(), u"EDIT_UNDO"), u"Rückgängig");

    // A folder without a skin: the string tables are read, the skin's failure is the result.
    m_factory = RCPtr<LControlFactory>(new LControlFactory(String("PresetEditor")));
    for (const char* name : {"StringTables.xml", "FrameworkStrings.xml"})
        std::filesystem::copy_file(std::string(CONTROLBASE_FIXTURES) + "/" + name, m_folder.Path() + "/" + name);
    EXPECT_EQ(m_factory->LoadResources(String(m_folder.Path().c_str()), 0x0409), E_FAIL);
    EXPECT_EQ(Lookup(m_factory->GetApplicationStringTable(), u"GHK.COPY"), u"Ctrl+VKEY_C");

    // A folder without the string tables throws before the skin is read.
    m_factory = RCPtr<LControlFactory>(new LControlFactory(String("PresetEditor")));
    EXPECT_THROW(m_factory->LoadResources(String((m_folder.Path() + "/nowhere").c_str()), 0x0409),
                 Exception<std::runtime_error>);
}

} // namespace
} // namespace VQ
