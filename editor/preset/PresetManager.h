// Saves the engine's current program to a program file and loads such a file back into the engine,
// announcing each load on its own distributor and showing the load errors.
#pragma once

#include "vqframework/notification/NotificationClient.h"
#include "vqframework/notification/NotificationDistributor.h"
#include "vqframework/notification/NotificationHandler.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/Array.h"
#include "vqframework/storage/StringT.h"
#include "vqframework/system/FileDialog.h"

#include <cstdint>

namespace VQ {

// The payload of "NID_PRESETFILE_POST_LOAD": the result of the load.
class LPresetFileLoadNotificationData : public virtual LRefCountedObject {
public:
    explicit LPresetFileLoadNotificationData(int32_t result) : m_result(result) {}

    static RCPtr<LPresetFileLoadNotificationData> Create(int32_t result)
    {
        return RCPtr<LPresetFileLoadNotificationData>(new LPresetFileLoadNotificationData(result));
    }

    int32_t GetResult() const { return m_result; }

private:
    const int32_t m_result;
};

class LPresetManager : public LNotificationClient, public LNotificationDistributor, public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;

    // Registers for "NID_GLOBAL_LOAD_CONTROL_PANEL_SETTINGS" with the application's centre; throws a
    // failed-result exception when it cannot.
    static RCPtr<LPresetManager> Create();

    // 0, or E_FAIL when the engine gives no full program or the file cannot be written; a failure
    // leaves an existing file as it was.
    VQRESULT SavePresetFile(const String& path);
    // Sends "NID_PRESETFILE_PRE_LOAD", reads the file, then sends "NID_PRESETFILE_POST_LOAD" with
    // the result, which it returns.
    int32_t LoadPresetFile(const String& path);
    // 0 loaded; -1 older format, -2 newer format, -3 unreadable or corrupt, -4 another device's file.
    // Any result but 0 leaves every value as it was.
    int32_t ReadPresetFile(const String& path);
    // Stores the dialog's folder as "PresetLastFolderPath" in the user settings file.
    void SaveLastFolderPath(const RCPtr<LFileDialog>& dialog);

    void ShowOlderFileMessage();
    void ShowNewerFileMessage();
    void ShowCorruptFileMessage();
    void ShowWrongDeviceMessage();
    void ShowTranslationFailureMessage();

    void Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification) override;
    VQRESULT Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id) override;

protected:
    LPresetManager();
    ~LPresetManager() override = default;

private:
    VQRESULT OnLoadControlPanelSettings(const RCPtr<LNotificationDistributor>& sender,
                                        const RCPtr<LNotification>& notification);
    void ShowLoadMessage(const char16_t* textId);

    RCPtr<LNotificationHandler<LPresetManager>> m_handlers;
    // Parameters a load leaves untouched; nothing adds to it.
    Array<int32_t> m_excluded;
};

} // namespace VQ
