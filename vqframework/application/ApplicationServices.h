// What the components below the application shell need of the one application object: its
// "application" notification centre and the services it holds. The application object implements
// the interface and installs itself for its lifetime; tests install a fake.
#pragma once

#include "vqframework/notification/NotificationCenter.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class LIniFileManager;
class LMeasurementRenderer;

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
