// The application string table holds the program-file load messages exactly as the editor shows them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

TEST(StringTableTest, HoldsTheLoadCaptionAndTheFiveLoadMessagesInEnglish)
{
    std::ifstream stream(STRING_TABLE_PATH, std::ios::binary);
    ASSERT_TRUE(stream) << STRING_TABLE_PATH;
    const std::string table((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());

    EXPECT_EQ(table.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(table.find("<Varquen_StringTable_Definitions>"), std::string::npos);
    const size_t tableStart = table.find("<StringTable ID=\"|PresetEditor\">");
    ASSERT_NE(tableStart, std::string::npos);
    const size_t tableEnd = table.find("</StringTable>", tableStart);
    ASSERT_NE(tableEnd, std::string::npos);
    const std::string presetEditor = table.substr(tableStart, tableEnd - tableStart);

    const auto entry = [](const std::string& id, const std::string& text) {
        return "<String ID=\"" + id + "\"><Locale LCID=\"0x0009\">" + text + "</Locale></String>";
    };
    EXPECT_NE(presetEditor.find(entry("SETTINGS_FILE_LOAD_CAPTION", "Preset File Load")), std::string::npos);
    for (const char* id : {"SETTINGS_FILE_LOAD_OLDER_MESSAGE", "SETTINGS_FILE_LOAD_NEWER_MESSAGE",
                           "SETTINGS_FILE_LOAD_CORRUPT_MESSAGE", "SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE",
                           "SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE"}) {
        EXPECT_NE(presetEditor.find(entry(id, "Program file is not compatible with this vesion of the program editor")),
                  std::string::npos)
            << id;
    }
}

} // namespace
