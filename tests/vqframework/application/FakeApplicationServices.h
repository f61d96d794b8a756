// The application object as the components below the shell see it, for tests: an "application"
// centre of its own, an engine slot, a record of the message boxes shown, a string table, a
// settings store, a measurement renderer and a clock the test sets, installed for the fake's lifetime.
#pragma once

#include "vqframework/application/ApplicationServices.h"
#include "vqframework/graphics/Font.h"
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
    LControlFactory* GetControlFactory() override { return controlFactory; }
    RCPtr<LFont> GetDefaultFont() override { return defaultFont; }
    RectT<int32_t> GetWorkArea() override { return workArea; }
    LRootWindow* GetActiveRootWindow() override { return activeRootWindow; }
    LRootWindow* GetRootWindow(int32_t index) override
    {
        return index >= 0 && static_cast<size_t>(index) < rootWindows.size() ? rootWindows[index] : nullptr;
    }
    PointT<int32_t> GetScreenCursorPos() override { return screenCursorPos; }
    uintptr_t GetCursorHandle(const char16_t* id) override
    {
        const auto found = cursors.find(id ? id : u"");
        return found == cursors.end() ? 0 : found->second;
    }

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
    // Not held: the test keeps the factory and the root windows alive while they are installed.
    LControlFactory* controlFactory = nullptr;
    RCPtr<LFont> defaultFont;
    RectT<int32_t> workArea{0, 0, 1920, 1080};
    LRootWindow* activeRootWindow = nullptr;
    std::vector<LRootWindow*> rootWindows;
    PointT<int32_t> screenCursorPos;
    std::map<std::u16string, uintptr_t> cursors;
};

} // namespace VQ::test
