// The application string table holds the program-file load messages exactly as the editor shows them,
// read as the program reads it: UTF-16 through the control factory.
#include "vqframework/controlbase/ControlFactory.h"

#include <gtest/gtest.h>

#include <string>

namespace VQ {
namespace {

using String = LControlFactory::String;

TEST(StringTableTest, HoldsTheLoadCaptionAndTheFiveLoadMessagesInEnglish)
{
    const RCPtr<LControlFactory> factory(new LControlFactory(String("PresetEditor")));
    ASSERT_EQ(factory->LoadStringTables(String(STRING_TABLE_PATH), String(), 0x0409), S_OK);
    EXPECT_EQ(factory->GetLanguage(), 0x0009);
    const RCPtr<LStringTable> table = factory->GetStringTable(String(u"|PresetEditor"));
    ASSERT_TRUE(table);

    const auto text = [&](const char16_t* id) {
        String found(u"<absent>");
        table->GetString(id, found);
        return std::u16string(found.View());
    };
    EXPECT_EQ(text(u"SETTINGS_FILE_LOAD_CAPTION"), u"Preset File Load");
    for (const char16_t* id : {u"SETTINGS_FILE_LOAD_OLDER_MESSAGE", u"SETTINGS_FILE_LOAD_NEWER_MESSAGE",
                               u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE", u"SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE",
                               u"SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE"}) {
        EXPECT_EQ(text(id), u"Program file is not compatible with this vesion of the program editor")
            << String(id).ToUTF8().GetString();
    }
    EXPECT_EQ(table->GetCount(), 6u);
}

} // namespace
} // namespace VQ
