// The settings store over the real settings library, loaded from beside this executable as the
// program loads it.
#include "vqframework/system/LIniFileManager.h"

#include "platform/dialogs/ChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <string_view>

namespace VQ {
namespace {

namespace fs = std::filesystem;
using String = IIniFileManager::String;

class IniFileManagerLibraryTest : public testing::Test {
protected:
    IniFileManagerLibraryTest()
    {
        std::random_device random;
        m_folder = fs::temp_directory_path() / ("settings-store-" + std::to_string(random()));
        m_file = m_folder / "Tuvex" / "RKT4 Editor" / "UserSettings.ini";
    }
    ~IniFileManagerLibraryTest() override
    {
        std::error_code error;
        fs::remove_all(m_folder, error);
    }

    void SetUp() override
    {
        ASSERT_EQ(m_store->Load(String()), S_OK) << "the settings library beside the test";
        ASSERT_EQ(m_store->OpenIniFile(Path(), u"1_0_0", u"RKT4 Editor", m_handle), S_OK);
        ASSERT_GT(m_handle, 0);
    }

    String Path() const { return String(std::string_view(m_file.string())); }

    // What a second process reads from the settings file at its start.
    std::string ReadInAnotherProcess(const std::string& key) const
    {
        const Platform::ChildProcessResult probe = Platform::RunChildProcess({SETTINGS_PROBE_PATH, m_file.string(), key});
        if (!probe.started)
            return "<no process>";
        return probe.exitStatus == 0 ? probe.output : "<probe failed>";
    }

    fs::path m_folder;
    fs::path m_file;
    RCPtr<LIniFileManager> m_store = LIniFileManager::Create();
    int32_t m_handle = 0;
};

TEST_F(IniFileManagerLibraryTest, ValuesSetAreReadByTheNextProcessWithoutWritingOrClosing)
{
    EXPECT_EQ(m_store->SetIniValueInt(m_handle, u"CurrentSkinIndex", 2), S_OK);
    EXPECT_EQ(m_store->SetIniValueStr(m_handle, u"PresetLastFolderPath", u"/home/j\u00FCrgen/Programme"), S_OK);

    EXPECT_TRUE(fs::exists(m_file));
    EXPECT_EQ(ReadInAnotherProcess("CurrentSkinIndex"), "2");
    EXPECT_EQ(ReadInAnotherProcess("PresetLastFolderPath"), "/home/j\xC3\xBCrgen/Programme");
    EXPECT_EQ(ReadInAnotherProcess("Missing"), "<none>");
}

TEST_F(IniFileManagerLibraryTest, ReadsBackValuesOfAnyLengthWhole)
{
    for (const int32_t length : {0, 1, 1023, 1024, 3000}) {
        SCOPED_TRACE(length);
        String value;
        for (int32_t i = 0; i < length; ++i)
            value += char16_t(u'a' + i % 26);
        ASSERT_EQ(m_store->SetIniValueStr(m_handle, u"Long", value), S_OK);
        String read;
        ASSERT_EQ(m_store->GetIniValueStr(m_handle, u"Long", u"default", read), S_OK);
        EXPECT_TRUE(read == value);
    }
}

TEST_F(IniFileManagerLibraryTest, MissingSettingsKeepTheirDefaults)
{
    int32_t skin = -1;
    EXPECT_EQ(m_store->GetIniValueInt(m_handle, u"CurrentSkinIndex", 0, skin), S_OK);
    EXPECT_EQ(skin, 0);
    EXPECT_FALSE(fs::exists(m_file)) << "reading creates no file";
}

TEST(IniFileManagerLibraryLoadTest, FindsTheLibraryInANamedFolderWithOrWithoutItsSlash)
{
    const std::string folder = fs::path(SETTINGS_PROBE_PATH).parent_path().string();
    for (const std::string& given : {folder, folder + "/"}) {
        SCOPED_TRACE(given);
        RCPtr<LIniFileManager> store = LIniFileManager::Create();
        EXPECT_EQ(store->Load(String(std::string_view(given))), S_OK);
        EXPECT_EQ(store->Load(String(std::string_view(given))), S_FALSE);
        EXPECT_EQ(store->Unload(), S_OK);
    }
    RCPtr<LIniFileManager> store = LIniFileManager::Create();
    EXPECT_EQ(store->Load(u"/nonexistent-folder"), E_FAIL);
    int32_t handle = -1;
    EXPECT_EQ(store->OpenIniFile(u"/tmp/x.ini", u"1_0_0", u"RKT4 Editor", handle), E_FAIL);
    EXPECT_EQ(handle, 0);
}

} // namespace
} // namespace VQ
