#include "editor/preset/PresetManager.h"

#include "devicecontrol/generatedcode/engine/src/RootModuleEngine.h"
#include "editor/preset/PresetFile.h"
#include "platform/dialogs/Dialogs.h"
#include "vqframework/application/ApplicationServices.h"
#include "vqframework/system/LIniFileManager.h"
#include "vqframework/notification/NotificationCenter.h"
#include "vqframework/storage/ParamValue.h"
#include "vqframework/storage/VQFile.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace VQ {

namespace {

constexpr const char16_t* LoadControlPanelSettingsID = u"NID_GLOBAL_LOAD_CONTROL_PANEL_SETTINGS";
constexpr const char16_t* PreLoadID = u"NID_PRESETFILE_PRE_LOAD";
constexpr const char16_t* PostLoadID = u"NID_PRESETFILE_POST_LOAD";

// The whole file, or false when it cannot be opened or read. Of a file too big to be a program file
// one byte more than a program file may hold is read: enough for its header to be judged.
bool ReadWholeFile(const StringT<char16_t, char>& path, std::vector<uint8_t>& bytes)
{
    try {
        File file(path, StringT<char16_t, char>(), File::OpenRead);
        if (!file.IsOpen())
            return false;
        const int32_t length = file.GetLength();
        if (length < 0)
            return false;
        bytes.resize(std::min<size_t>(static_cast<size_t>(length), PresetFile::MaxFileSize + 1));
        size_t done = 0;
        while (done < bytes.size()) {
            const int32_t count = file.Read(bytes.data() + done, static_cast<uint32_t>(bytes.size() - done), -1);
            if (count <= 0)
                break;
            done += static_cast<size_t>(count);
        }
        bytes.resize(done);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

RCPtr<LPresetManager> LPresetManager::Create()
{
    RCPtr<LPresetManager> manager(new LPresetManager());
    if (manager->m_handlers) {
        IApplicationServices* services = GetApplicationServices();
        const RCPtr<LNotificationCenter> center = services ? services->GetNotificationCenter() : nullptr;
        VQ_CHECK_RESULT(manager->m_handlers->RegisterHandler(&LPresetManager::OnLoadControlPanelSettings, center,
                                                             LoadControlPanelSettingsID, 0));
    }
    return manager;
}

LPresetManager::LPresetManager() : m_handlers(LNotificationHandler<LPresetManager>::Create(this)) {}

VQRESULT LPresetManager::SavePresetFile(const String& path)
{
    // The values come first, so that a missing program never costs the file that is there.
    const RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetInstance();
    if (!engine)
        return E_FAIL;
    Array<ParamValue> values;
    const ParamRange range{engine->GetFirstParamID(), PresetFile::ParamCount};
    if (Failed(engine->GetParamValues(range, values, -1)) || values.GetCount() != PresetFile::ParamCount)
        return E_FAIL;

    std::vector<PresetFile::Record> records(PresetFile::ParamCount);
    for (int32_t i = 0; i < PresetFile::ParamCount; ++i) {
        records[static_cast<size_t>(i)].id = i;
        records[static_cast<size_t>(i)].value = values.GetAt(static_cast<uint32_t>(i)).value;
    }
    std::vector<uint8_t> bytes;
    if (!PresetFile::Write(records, bytes))
        return E_FAIL;
    return Failed(WriteFileReplacing(path, bytes.data(), static_cast<uint32_t>(bytes.size()))) ? E_FAIL : S_OK;
}

int32_t LPresetManager::LoadPresetFile(const String& path)
{
    Send(LNotification::Create(PreLoadID));
    const int32_t result = ReadPresetFile(path);
    Send(LNotification::Create(PostLoadID, LPresetFileLoadNotificationData::Create(result)));
    return result;
}

int32_t LPresetManager::ReadPresetFile(const String& path)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes))
        return PresetFile::ReadCorruptFile;
    std::vector<PresetFile::Record> records;
    const int32_t result = PresetFile::Read(bytes.data(), bytes.size(), records);
    if (result != PresetFile::ReadOk)
        return result;

    const RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetInstance();
    if (!engine)
        return PresetFile::ReadCorruptFile;
    for (const PresetFile::Record& record : records) {
        bool excluded = false;
        for (uint32_t i = 0; i < m_excluded.GetCount() && !excluded; ++i)
            excluded = m_excluded.GetAt(i) == record.id;
        // The engine refuses ids it does not know; the rest of the file still applies.
        if (!excluded)
            (void)engine->SetParamValue(ParamDescriptor(record.id), record.value);
    }
    return PresetFile::ReadOk;
}

void LPresetManager::SaveLastFolderPath(const RCPtr<LFileDialog>& dialog)
{
    IApplicationServices* services = GetApplicationServices();
    if (!dialog || !services)
        return;
    const RCPtr<LIniFileManager> store = services->GetSettingsStore();
    if (!store)
        return;
    (void)store->SetIniValueStr(services->GetSettingsFileHandle(IApplicationServices::SettingsFileUser),
                                u"PresetLastFolderPath", dialog->GetFolderPath());
}

void LPresetManager::ShowOlderFileMessage()
{
    ShowLoadMessage(u"SETTINGS_FILE_LOAD_OLDER_MESSAGE");
}

void LPresetManager::ShowNewerFileMessage()
{
    ShowLoadMessage(u"SETTINGS_FILE_LOAD_NEWER_MESSAGE");
}

void LPresetManager::ShowCorruptFileMessage()
{
    ShowLoadMessage(u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE");
}

void LPresetManager::ShowWrongDeviceMessage()
{
    ShowLoadMessage(u"SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE");
}

void LPresetManager::ShowTranslationFailureMessage()
{
    ShowLoadMessage(u"SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE");
}

void LPresetManager::ShowLoadMessage(const char16_t* textId)
{
    IApplicationServices* services = GetApplicationServices();
    if (!services)
        return;
    (void)services->ShowMessageBox(services->GetLocalizedString(u"SETTINGS_FILE_LOAD_CAPTION"),
                                   services->GetLocalizedString(textId), Platform::MessageBoxIconError);
}

void LPresetManager::Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification)
{
    if (m_handlers)
        m_handlers->Dispatch(sender, notification);
}

VQRESULT LPresetManager::Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id)
{
    if (m_handlers && distributor && id)
        m_handlers->RemoveHandler(distributor, id);
    return LNotificationClient::Unregister(distributor, id);
}

VQRESULT LPresetManager::OnLoadControlPanelSettings(const RCPtr<LNotificationDistributor>&,
                                                    const RCPtr<LNotification>& notification)
{
    // Any wrapper of a text will do, whatever counted base it was given.
    const auto* path = dynamic_cast<const StringT<char16_t, char>*>(notification->GetPayload().Get());
    if (path)
        (void)LoadPresetFile(*path);
    return S_FALSE;
}

} // namespace VQ
