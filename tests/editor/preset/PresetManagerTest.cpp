// The program manager against the engine: the saved bytes, loads that apply all values or none, the
// load notifications, the load messages and the settings value of the last folder.
#include "editor/preset/PresetManager.h"

#include "editor/preset/PresetFile.h"
#include "tests/devicecontrol/generatedcode/engine/EngineTestSupport.h"
#include "tests/support/TemporaryFolder.h"
#include "vqframework/objectbase/Exception.h"
#include "vqframework/storage/Holder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace VQ::test {
namespace {

namespace fs = std::filesystem;
using String = StringT<char16_t, char>;
using Program = std::vector<Bytes>;

constexpr const char16_t* English = u"Program file is not compatible with this vesion of the program editor";

Bytes Le(uint32_t word)
{
    return {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16), uint8_t(word >> 24)};
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes joined;
    for (const Bytes& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// Receives the manager's load notifications, in order.
class LoadListener : public LNotificationClient {
public:
    void Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override
    {
        const auto data = RCPtrDynamicCast<LPresetFileLoadNotificationData>(notification->GetPayload());
        received.push_back(String(notification->GetID()).ToUTF8().GetString() +
                           (data ? " " + std::to_string(data->GetResult()) : std::string()) +
                           (notification->GetPayload() && !data ? " ?" : ""));
    }
    std::vector<std::string> received;
};

class PresetManagerTest : public ::testing::Test, public EngineFixtureBase {
protected:
    void SetUp() override
    {
        MakeEngine();
        manager = LPresetManager::Create();
        loads = RCPtr<LoadListener>(new LoadListener());
        loads->Register(manager, u"NID_PRESETFILE_PRE_LOAD", 0);
        loads->Register(manager, u"NID_PRESETFILE_POST_LOAD", 0);
    }
    void TearDown() override
    {
        loads->UnregisterAll();
        manager->UnregisterAll();
    }

    String PathOf(const std::string& name) const { return String((folder.Path() + "/" + name).c_str()); }

    Bytes ReadFile(const std::string& name) const
    {
        std::ifstream stream(folder.Path() + "/" + name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    }
    void WriteFile(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream stream(folder.Path() + "/" + name, std::ios::binary);
        stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    size_t FolderEntries() const
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()));
    }

    Program Values() const
    {
        Array<ParamValue> values;
        EXPECT_EQ(engine->GetParamValues(ParamRange{0, 17}, values, -1), S_OK);
        Program program;
        for (uint32_t i = 0; i < values.GetCount(); ++i)
            program.push_back(BytesOf(values.GetAt(i).value));
        return program;
    }
    // Every value differs from the default program's.
    Program SetOtherProgram()
    {
        EXPECT_EQ(engine->SetParamValue(ParamDescriptor(0), Blob({9})), S_OK);
        for (uint8_t i = 0; i < 8; ++i) {
            EXPECT_EQ(engine->SetParamValue(ParamDescriptor(1 + i), Blob({uint8_t(60 + i), 9, 9, 1})), S_OK);
            EXPECT_EQ(engine->SetParamValue(ParamDescriptor(9 + i), Blob({uint8_t(20 + i), 5, 100})), S_OK);
        }
        return Values();
    }

    TemporaryFolder folder;
    RCPtr<LPresetManager> manager;
    RCPtr<LoadListener> loads;
};

TEST_F(PresetManagerTest, TheDefaultProgramIsSavedAsItsExact477Bytes)
{
    ASSERT_EQ(manager->SavePresetFile(PathOf("default.rkt4")), S_OK);
    const Bytes file = ReadFile("default.rkt4");
    ASSERT_EQ(file.size(), 477u);

    Bytes expected = Join({Le(1), Le(0), Le(0)});
    expected = Join({expected, Le(25), Le(0), Le(0), Le(13), Le(1), Le(14), {0}});
    for (uint32_t pad = 0; pad < 8; ++pad)
        expected = Join({expected, Le(28), Le(0), Le(1 + pad), Le(16), Le(1), Le(14),
                         {uint8_t(36 + pad), uint8_t(pad), uint8_t(pad), 0}});
    for (uint32_t knob = 0; knob < 8; ++knob)
        expected = Join({expected, Le(27), Le(0), Le(9 + knob), Le(15), Le(1), Le(14), {uint8_t(knob), 0, 127}});
    EXPECT_EQ(file, expected);
    // The landmarks as a reader of the format sees them.
    EXPECT_EQ(Bytes(file.begin() + 37, file.begin() + 37 + 28),
              (Bytes{0x1C, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0x10, 0, 0, 0, 1, 0, 0, 0, 0x0E, 0, 0, 0, 0x24, 0, 0, 0}));
    EXPECT_EQ(Bytes(file.begin() + 450, file.end()),
              (Bytes{0x1B, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0, 0x0F, 0, 0, 0, 1, 0, 0, 0, 0x0E, 0, 0, 0, 7, 0, 0x7F}));
}

TEST_F(PresetManagerTest, ASavedProgramLoadsBackWithEveryValueAndReplacesAnotherProgram)
{
    const Program saved = SetOtherProgram();
    ASSERT_EQ(manager->SavePresetFile(PathOf("mine.rkt4")), S_OK);
    EXPECT_EQ(manager->LoadPresetFile(PathOf("mine.rkt4")), 0);
    EXPECT_EQ(Values(), saved);

    ASSERT_EQ(engine->SetParamValue(ParamDescriptor(3), Blob({1, 1, 1, 1})), S_OK);
    ASSERT_EQ(engine->SetParamValue(ParamDescriptor(16), Blob({1, 1, 1})), S_OK);
    EXPECT_EQ(manager->LoadPresetFile(PathOf("mine.rkt4")), 0);
    EXPECT_EQ(Values(), saved);
    EXPECT_EQ(FolderEntries(), 1u);
}

TEST_F(PresetManagerTest, ARejectedFileGivesItsResultAndChangesNoValue)
{
    ASSERT_EQ(manager->SavePresetFile(PathOf("default.rkt4")), S_OK);
    const Bytes good = ReadFile("default.rkt4");
    const auto with = [&](size_t offset, uint32_t word) {
        Bytes file = good;
        const Bytes bytes = Le(word);
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
        return file;
    };
    const auto cut = [&](size_t size) { return Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)); };
    // A well-formed record of an id outside the model, big enough to pass the limit of a program file.
    Bytes huge = good;
    Bytes big(PresetFile::MaxFileSize, 0x11);
    huge = Join({huge, Le(24 + PresetFile::MaxFileSize), Le(0), Le(100), Le(12 + PresetFile::MaxFileSize), Le(1),
                 Le(14), big});

    struct Case {
        const char* what;
        Bytes file;
        int32_t result;
    };
    const Case cases[] = {
        {"version 0", with(0, 0), -1},
        {"version 2", with(0, 2), -2},
        {"device word A 1 with version 2", with(4, 1), -4},
        {"device word B 1", with(8, 1), -4},
        {"a header of 8 bytes", cut(8), -3},
        {"a header and no record", cut(12), -3},
        {"a record size below 4", with(12, 3), -3},
        {"a record size beyond the file", with(12, 1000), -3},
        {"the third record's reserved word 1", with(65 + 4, 1), -3},
        {"a last record cut short", cut(476), -3},
        {"a pad value of three bytes", with(37 + 12, 15), -3},
        {"a channel value as a number", with(12 + 20, Variant::TypeUInt8), -3},
        {"a file of more than a mebibyte", huge, -3},
        {"a newer file of more than a mebibyte", [&] {
             Bytes file = huge;
             file[0] = 2;
             return file;
         }(),
         -2},
        {"another device's file of more than a mebibyte", [&] {
             Bytes file = huge;
             file[4] = 1;
             return file;
         }(),
         -4},
    };
    const Program before = SetOtherProgram();
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        WriteFile("case.rkt4", each.file);
        EXPECT_EQ(manager->ReadPresetFile(PathOf("case.rkt4")), each.result);
        EXPECT_EQ(Values(), before);
    }
    EXPECT_EQ(manager->ReadPresetFile(PathOf("missing.rkt4")), -3);
    EXPECT_EQ(manager->ReadPresetFile(String(folder.Path().c_str())), -3) << "a folder";
    EXPECT_EQ(Values(), before);
}

TEST_F(PresetManagerTest, ALoadIsAnnouncedBeforeAndItsResultAfter)
{
    ASSERT_EQ(manager->SavePresetFile(PathOf("default.rkt4")), S_OK);
    EXPECT_EQ(manager->LoadPresetFile(PathOf("default.rkt4")), 0);
    EXPECT_EQ(manager->LoadPresetFile(PathOf("missing.rkt4")), -3);
    EXPECT_EQ(manager->ReadPresetFile(PathOf("default.rkt4")), 0) << "reading alone announces nothing";
    EXPECT_EQ(loads->received, (std::vector<std::string>{"NID_PRESETFILE_PRE_LOAD", "NID_PRESETFILE_POST_LOAD 0",
                                                         "NID_PRESETFILE_PRE_LOAD", "NID_PRESETFILE_POST_LOAD -3"}));
}

TEST_F(PresetManagerTest, AFailedSaveKeepsTheFileThereAndLeavesNoOtherFile)
{
    WriteFile("kept.rkt4", {1, 2, 3});
    application.engine = nullptr;
    EXPECT_EQ(manager->SavePresetFile(PathOf("kept.rkt4")), E_FAIL) << "no engine";
    application.engine = engine;
    EXPECT_EQ(manager->SavePresetFile(PathOf("no such folder/new.rkt4")), E_FAIL);
    EXPECT_EQ(manager->SavePresetFile(String(folder.Path().c_str())), E_FAIL) << "a folder";

    EXPECT_EQ(ReadFile("kept.rkt4"), (Bytes{1, 2, 3}));
    EXPECT_EQ(FolderEntries(), 1u);
}

TEST_F(PresetManagerTest, EachLoadMessageShowsItsOwnTextUnderTheLoadCaptionWithTheErrorIcon)
{
    struct Case {
        void (LPresetManager::*show)();
        const char16_t* textId;
    };
    const Case cases[] = {
        {&LPresetManager::ShowOlderFileMessage, u"SETTINGS_FILE_LOAD_OLDER_MESSAGE"},
        {&LPresetManager::ShowNewerFileMessage, u"SETTINGS_FILE_LOAD_NEWER_MESSAGE"},
        {&LPresetManager::ShowCorruptFileMessage, u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE"},
        {&LPresetManager::ShowWrongDeviceMessage, u"SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE"},
        {&LPresetManager::ShowTranslationFailureMessage, u"SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE"},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(String(each.textId).ToUTF8().GetString());
        // Only the id under test has a text, so a message showing another id's text shows none.
        application.strings = {{u"SETTINGS_FILE_LOAD_CAPTION", u"Preset File Load"}, {each.textId, English}};
        application.messageBoxes.clear();
        (manager.Get()->*each.show)();
        ASSERT_EQ(application.messageBoxes.size(), 1u);
        EXPECT_EQ(application.messageBoxes[0].caption, "Preset File Load");
        EXPECT_EQ(application.messageBoxes[0].text, String(English).ToUTF8().GetString());
        EXPECT_EQ(application.messageBoxes[0].style, 16u);
    }
}

TEST_F(PresetManagerTest, TheApplicationsLoadRequestLoadsTheWrappedFile)
{
    using WrappedText = LWrapperStringable<String, &StringToString, LRefCountedObject>;
    const Program saved = SetOtherProgram();
    ASSERT_EQ(manager->SavePresetFile(PathOf("mine.rkt4")), S_OK);
    ASSERT_EQ(engine->SetParamValue(ParamDescriptor(0), Blob({3})), S_OK);

    application.center->Send(
        LNotification::Create(u"NID_GLOBAL_LOAD_CONTROL_PANEL_SETTINGS", WrappedText::Create(PathOf("mine.rkt4"))));
    EXPECT_EQ(Values(), saved);
    application.center->Send(LNotification::Create(u"NID_GLOBAL_LOAD_CONTROL_PANEL_SETTINGS"));
    EXPECT_EQ(loads->received, (std::vector<std::string>{"NID_PRESETFILE_PRE_LOAD", "NID_PRESETFILE_POST_LOAD 0"}))
        << "a request without a path loads nothing";
}

TEST_F(PresetManagerTest, CreateThrowsWithoutTheApplicationsCentre)
{
    application.center = nullptr;
    EXPECT_THROW(LPresetManager::Create(), Exception<FailedResultException>);
}

TEST_F(PresetManagerTest, TheSaveFolderGoesIntoTheUserSettingsFile)
{
    // Without a store there is nowhere to write, and nothing fails.
    manager->SaveLastFolderPath(LFileDialog::Create(u"/nowhere"));

    const RCPtr<LIniFileManager> store = LIniFileManager::Create();
    ASSERT_EQ(store->Load(String(SETTINGS_LIBRARY_FOLDER)), S_OK);
    int32_t handle = 0;
    ASSERT_EQ(store->OpenIniFile(PathOf("UserSettings.ini"), u"1_0_0", u"RKT4 Editor", handle), S_OK);
    application.settingsStore = store;
    application.settingsFileHandle = handle;

    manager->SaveLastFolderPath(LFileDialog::Create(u"/home/j\u00FCrgen/Programme"));
    String stored;
    ASSERT_EQ(store->GetIniValueStr(handle, u"PresetLastFolderPath", u"<none>", stored), S_OK);
    EXPECT_TRUE(stored == u"/home/j\u00FCrgen/Programme") << stored.ToUTF8().GetString();
    EXPECT_EQ(store->CloseIniFile(handle, 0), S_OK);
    application.settingsStore = nullptr;
}

} // namespace
} // namespace VQ::test
