// The application object as the components below the shell see it, for tests: an "application"
// centre of its own, an engine slot, a record of the message boxes shown, a string table, a
// settings store, a measurement renderer and a clock the test sets, installed for the fake's lifetime.
#pragma once

#include "vqframework/application/ApplicationServices.h"
#include "vqframework/graphics/MeasurementRenderer.h"
#include "vqframework/notification/NotificationCenter.h"
#include "vqframework/system/LIniFileManager.h"

#include <map>
#include <string>
#include <vector>

namespace VQ::test {

class FakeApplicationServices : public IApplicationServices {
public:
    FakeApplicationServices() : center(LNotificationCenter::Create(u"application")) { SetApplicationServices(this); }
    FakeApplicationServices(const FakeApplicationServices&) = delete;
    FakeApplicationServices& operator=(const FakeApplicationServices&) = delete;
    ~FakeApplicationServices() { SetApplicationServices(nullptr); }

    RCPtr<LNotificationCenter> GetNotificationCenter() override { return center; }
    RCPtr<LRefCountedObject> GetRootModuleEngine() override { return engine; }
    int32_t ShowMessageBox(const StringT<char16_t, char>& caption, const StringT<char16_t, char>& text,
                           uint32_t style) override
    {
        std::string captionText, bodyText;
        caption.ToUTF8(captionText);
        text.ToUTF8(bodyText);
        messageBoxes.push_back({captionText, bodyText, style});
        return 1;
    }

    StringT<char16_t, char> GetLocalizedString(const char16_t* id) override
    {
        const auto found = strings.find(id);
        return found == strings.end() ? StringT<char16_t, char>() : StringT<char16_t, char>(found->second.c_str());
    }
    RCPtr<LIniFileManager> GetSettingsStore() override { return settingsStore; }
    int32_t GetSettingsFileHandle(int32_t kind) override { return kind == SettingsFileUser ? settingsFileHandle : 0; }
    RCPtr<LMeasurementRenderer> GetMeasurementRenderer() override { return measurementRenderer; }
    uint32_t GetTimeMs() override { return timeMs; }

    struct MessageBox {
        std::string caption;
        std::string text;
        uint32_t style;
    };

    RCPtr<LNotificationCenter> center;
    RCPtr<LRefCountedObject> engine;
    std::vector<MessageBox> messageBoxes;
    std::map<std::u16string, std::u16string> strings;
    RCPtr<LIniFileManager> settingsStore;
    int32_t settingsFileHandle = 0;
    RCPtr<LMeasurementRenderer> measurementRenderer;
    uint32_t timeMs = 0;
};

} // namespace VQ::test
