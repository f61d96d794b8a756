#include "vqframework/control/GlobalHotKeyManager.h"

#include "vqframework/control/EventParams.h"
#include "vqframework/notification/NotificationClient.h"

namespace VQ {

LGlobalHotKeyManager::LGlobalHotKeyManager(const RCPtr<LNotificationReceiver>& receiver) : m_receiver(receiver) {}

LGlobalHotKeyManager::~LGlobalHotKeyManager() = default;

RCPtr<LGlobalHotKeyManager> LGlobalHotKeyManager::Create(const RCPtr<LNotificationReceiver>& receiver)
{
    return new LGlobalHotKeyManager(receiver);
}

VQRESULT LGlobalHotKeyManager::HandleKey(const RCPtr<LKeyParam>& keyParam)
{
    if (!keyParam)
        return S_FALSE;
    const String command = m_hotKeys.GetCommand(keyParam->key);
    if (command.IsEmpty())
        return S_FALSE;
    if (m_receiver)
        (void)PostNotification(m_receiver, command.GetString(), keyParam);
    return S_OK;
}

bool LGlobalHotKeyManager::AddExitHotKey()
{
    // Add refuses a key that is already bound.
    return m_hotKeys.Add(KeyCode::Parse(u"Alt+VKEY_F4"), u"NID_APP_EXIT_REQ") == S_OK;
}

} // namespace VQ
