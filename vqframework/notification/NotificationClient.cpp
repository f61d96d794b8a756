#include "vqframework/notification/NotificationClient.h"

#include "vqframework/notification/NotificationDistributor.h"

#include <vector>

namespace VQ {

VQRESULT PostNotification(const RCPtr<LNotificationReceiver>& receiver, const char16_t* name,
                          const RCPtr<LRefCountedObject>& payload)
{
    if (!receiver)
        return E_INVALIDARG;
    const RCPtr<LNotification> notification = LNotification::Create(name, payload);
    if (!notification)
        return E_INVALIDARG;
    receiver->Receive(nullptr, notification);
    return S_OK;
}

LNotificationClient::~LNotificationClient() = default;

void LNotificationClient::Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {}

int32_t LNotificationClient::GetRegistrationCount() const
{
    MutexLock lock(m_lock);
    return m_registrationCount;
}

const char16_t* LNotificationClient::Register(const RCPtr<LNotificationDistributor>& distributor, const char16_t* name,
                                              int32_t flags)
{
    if (!distributor)
        return nullptr;
    const char16_t* id = LNotification::InternID(name);
    if (!id)
        return nullptr;
    MutexLock lock(m_lock);
    const VQRESULT result = distributor->AddClient(this, id, flags);
    if (Failed(result))
        return nullptr;
    if (result == S_OK) {
        AddCyclicReferences(1);
        ++m_registrationCount;
    }
    if (m_distributors.Find(distributor.Get()) < 0)
        m_distributors.Add(distributor.Get());
    return id;
}

VQRESULT LNotificationClient::Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id)
{
    // Held until after the lock: the registration removed may have held the last other reference.
    RCPtr<LNotificationClient> self;
    MutexLock lock(m_lock);
    if (m_registrationCount == 0)
        return S_FALSE;
    if (!distributor || !id)
        return E_INVALIDARG;
    self = this;
    const VQRESULT result = distributor->RemoveClient(this, id);
    if (result != S_OK)
        return result;
    AddCyclicReferences(-1);
    --m_registrationCount;
    if (!distributor->HasClient(this)) {
        const int32_t index = m_distributors.Find(distributor.Get());
        if (index >= 0)
            m_distributors.Remove(static_cast<uint32_t>(index), 1);
    }
    return S_OK;
}

int32_t LNotificationClient::UnregisterAll()
{
    // Released after the lock, in this order: the distributors, then the client itself.
    RCPtr<LNotificationClient> self;
    std::vector<RCPtr<LNotificationDistributor>> distributors;
    MutexLock lock(m_lock);
    if (m_registrationCount < 1)
        return 0;
    self = this;
    AddCyclicReferences(-m_registrationCount);
    int32_t removed = 0;
    for (uint32_t index = m_distributors.GetCount(); index-- > 0;) {
        distributors.emplace_back(m_distributors.GetAt(index));
        removed += distributors.back()->RemoveClientFromAll(this);
        m_distributors.Remove(index, 1);
    }
    m_registrationCount = 0;
    return removed;
}

VQRESULT LNotificationClient::ReleaseCyclicReferences()
{
    // A release reads the count and the cyclic count one after the other, so a registration made on
    // another thread meanwhile can pass for the last outside reference going. Under the lock the
    // registrations stand still and both counts agree: only when the caller's reference is the one
    // outside reference left do they go.
    {
        MutexLock lock(m_lock);
        if (GetRefCount() != GetCyclicCount() + 1)
            return E_FAIL;
    }
    UnregisterAll();
    return GetRefCount() == 1 && GetCyclicCount() == 0 ? S_OK : E_FAIL;
}

} // namespace VQ
