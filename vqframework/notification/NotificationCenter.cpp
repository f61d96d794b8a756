#include "vqframework/notification/NotificationCenter.h"

#include <vector>

namespace VQ {

namespace {

// Guards the process-wide manager reference. Both are created on first use and never destroyed, so
// the process's exit runs no notification code.
Mutex& InstanceLock()
{
    static Mutex* const lock = new Mutex();
    return *lock;
}

RCPtr<LNotificationCenterManager>& Instance()
{
    static auto* const instance = new RCPtr<LNotificationCenterManager>();
    return *instance;
}

} // namespace

RCPtr<LNotificationCenter> LNotificationCenter::Create(const StringT<char16_t, char>& name)
{
    RCPtr<LNotificationCenter> center(new LNotificationCenter(name));
    center->SetDistributor(center);
    return center;
}

VQRESULT LNotificationCenter::ReleaseCyclicReferences()
{
    RemoveAllClients();
    Shutdown();
    return LRefCountedObject::ReleaseCyclicReferences();
}

LNotificationCenterManager::~LNotificationCenterManager() = default;

RCPtr<LNotificationCenterManager> LNotificationCenterManager::GetInstance()
{
    MutexLock lock(InstanceLock());
    RCPtr<LNotificationCenterManager>& instance = Instance();
    if (!instance)
        instance = RCPtr<LNotificationCenterManager>(new LNotificationCenterManager());
    return instance;
}

void LNotificationCenterManager::ReleaseInstance()
{
    // Released outside the lock: the centres' clients run their Unregister.
    RCPtr<LNotificationCenterManager> released;
    MutexLock lock(InstanceLock());
    released = Instance();
    Instance() = nullptr;
}

RCPtr<LNotificationCenter> LNotificationCenterManager::FindCenter(const StringT<char16_t, char>& name) const
{
    if (name.IsEmpty())
        return nullptr;
    MutexLock lock(m_lock);
    for (uint32_t index = 0; index < m_centers.GetCount(); ++index) {
        if (m_centers.GetAt(index)->GetName() == name)
            return m_centers.GetAt(index);
    }
    return nullptr;
}

RCPtr<LNotificationCenter> LNotificationCenterManager::GetCenter(const StringT<char16_t, char>& name)
{
    if (name.IsEmpty())
        return nullptr;
    MutexLock lock(m_lock);
    RCPtr<LNotificationCenter> center = FindCenter(name);
    if (!center) {
        center = LNotificationCenter::Create(name);
        m_centers.Add(center);
    }
    return center;
}

bool LNotificationCenterManager::ProcessNotifications(bool sendIdle)
{
    // Drained outside the lock: clients may look centres up while they are served.
    std::vector<RCPtr<LNotificationCenter>> centers;
    {
        MutexLock lock(m_lock);
        for (uint32_t index = m_centers.GetCount(); index-- > 0;)
            centers.push_back(m_centers.GetAt(index));
    }
    bool remaining = false;
    for (const RCPtr<LNotificationCenter>& center : centers) {
        if (center->ProcessNotifications(sendIdle))
            remaining = true;
    }
    return remaining;
}

} // namespace VQ
