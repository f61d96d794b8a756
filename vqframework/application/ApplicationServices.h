// What the components below the application shell need of the one application object: its
// "application" notification centre and the services it holds. The application object implements
// the interface and installs itself for its lifetime; tests install a fake.
#pragma once

#include "vqframework/notification/NotificationCenter.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/RectT.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class LControlFactory;
class LFont;
class LIniFileManager;
class LMeasurementRenderer;
class LRootWindow;

class IApplicationServices {
public:
    // The centre named "application"; empty once it is gone.
    virtual RCPtr<LNotificationCenter> GetNotificationCenter() = 0;
    // The device parameter engine the application holds; empty when it holds none.
    virtual RCPtr<LRefCountedObject> GetRootModuleEngine() = 0;
    // A message box owned by the application (style: Platform::MessageBoxIconError and its peers);
    // the answer, or 0 when none could be shown.
    virtual int32_t ShowMessageBox(const StringT<char16_t, char>& caption, const StringT<char16_t, char>& text,
                                   uint32_t style) = 0;
    // The text of the id in the application's string table; empty when the table has no such id.
    virtual StringT<char16_t, char> GetLocalizedString(const char16_t* id) = 0;
    // The settings store the application loaded; empty when it holds none.
    virtual RCPtr<LIniFileManager> GetSettingsStore() = 0;
    // The store's handle of a settings file the application opened (SettingsFileUser); 0 when none.
    virtual int32_t GetSettingsFileHandle(int32_t kind) = 0;

    // The renderer fonts and text layout measure with (the first window's); empty while there is
    // no window.
    virtual RCPtr<LMeasurementRenderer> GetMeasurementRenderer() = 0;

    // The application's millisecond clock (wrapping at 2^32), which cache purges are timed by.
    virtual uint32_t GetTimeMs() = 0;

    // The control factory the application created and holds; null before start-up and after
    // shutdown.
    virtual LControlFactory* GetControlFactory() = 0;
    // The font of the selected skin, which controls start from when their font does not come from
    // their parent; empty before a skin is selected.
    virtual RCPtr<LFont> GetDefaultFont() = 0;
    // The desktop work area in screen pixels.
    virtual RectT<int32_t> GetWorkArea() = 0;
    // The root window of the active window; null when none of the application's is active. The
    // application holds its root windows until their platform windows are gone.
    virtual LRootWindow* GetActiveRootWindow() = 0;
    // The application's root windows in the order they were added, the main window first; null
    // beyond the last.
    virtual LRootWindow* GetRootWindow(int32_t index) = 0;
    // The pointer position in screen pixels.
    virtual PointT<int32_t> GetScreenCursorPos() = 0;
    // The cursor of an id such as "UI_CURSOR_ARROW"; 0 for an unknown id.
    virtual uintptr_t GetCursorHandle(const char16_t* id) = 0;

    // The user's settings file, "UserSettings.ini".
    static constexpr int32_t SettingsFileUser = 1;

protected:
    ~IApplicationServices() = default;
};

// The installed application; null while none is installed. Read from any thread.
IApplicationServices* GetApplicationServices();

// Null uninstalls. The caller keeps the object alive while it is installed, and uninstalls only
// after releasing what it holds (the engine's threads call through it until they have stopped).
void SetApplicationServices(IApplicationServices* services);

// The installed application's clock; the system's monotonic milliseconds while none is installed.
uint32_t GetApplicationTimeMs();

} // namespace VQ
