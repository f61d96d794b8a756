// Turns a key that no control handled into the command notification bound to it, handed to the
// receiver given at creation (a posting receiver, so the command arrives at the next idle pass).
#pragma once

#include "vqframework/control/HotKeyMap.h"
#include "vqframework/control/KeyCode.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/StringT.h"

namespace VQ {

class LKeyParam;
class LNotificationReceiver;

class LGlobalHotKeyManager : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;

    // An empty map; the receiver may be null.
    static RCPtr<LGlobalHotKeyManager> Create(const RCPtr<LNotificationReceiver>& receiver);

    // 1 when the key has no command. Otherwise the command goes to the receiver with the key
    // parameter itself as payload, and the result is 0 whether or not there is a receiver.
    VQRESULT HandleKey(const RCPtr<LKeyParam>& keyParam);

    // The first key bound to the command (menus show it as the shortcut), or the empty key code.
    KeyCode GetKeyForCommand(const String& command) const { return m_hotKeys.GetFirstKey(command); }
    bool HasCommand(const String& command) const { return m_hotKeys.HasCommand(command); }

    // Binds Alt+F4 to "NID_APP_EXIT_REQ" unless that key already has a command (a loaded binding
    // wins); true when it bound the key.
    bool AddExitHotKey();

    HotKeyMap& GetHotKeyMap() { return m_hotKeys; }
    const HotKeyMap& GetHotKeyMap() const { return m_hotKeys; }

protected:
    explicit LGlobalHotKeyManager(const RCPtr<LNotificationReceiver>& receiver);
    ~LGlobalHotKeyManager() override;

private:
    HotKeyMap m_hotKeys;
    RCPtr<LNotificationReceiver> m_receiver;
};

} // namespace VQ
