#include "vqframework/notification/NotificationDistributor.h"

#include <utility>

namespace VQ {

namespace {

// The distributors that have registered clients. Never read: it keeps them alive while their clients
// are registered. Created on first use and never destroyed, like its lock.
RCPtrArray<LNotificationDistributor, 1, 0>& ActiveDistributors()
{
    static auto* const registry = new RCPtrArray<LNotificationDistributor, 1, 0>();
    return *registry;
}

// Guards the registry of active distributors, nothing else. Taken under a distributor's lock.
Mutex& ActiveDistributorsLock()
{
    static Mutex* const lock = new Mutex();
    return *lock;
}

void AddActiveDistributor(LNotificationDistributor* distributor)
{
    MutexLock lock(ActiveDistributorsLock());
    ActiveDistributors().Add(RCPtr<LNotificationDistributor>(distributor));
}

// The registry's reference moves to `reference`, to be released outside the locks.
void RemoveActiveDistributor(const LNotificationDistributor* distributor, RCPtr<LNotificationDistributor>& reference)
{
    MutexLock lock(ActiveDistributorsLock());
    RCPtrArray<LNotificationDistributor, 1, 0>& registry = ActiveDistributors();
    for (uint32_t index = registry.GetCount(); index-- > 0;) {
        if (registry.GetAt(index).Get() == distributor) {
            registry.RemoveItem(index, reference);
            return;
        }
    }
}

} // namespace

// Enters a delivery position into the pool's list for the time of one delivery, exceptions included.
class LNotificationDistributor::LNotificationClientPool::ActiveDelivery {
public:
    // At the index, or just above the newest registration.
    ActiveDelivery(LNotificationClientPool& pool, int32_t index, bool aboveNewest) : m_pool(pool)
    {
        MutexLock lock(m_pool.m_lock);
        m_position.index = aboveNewest ? static_cast<int32_t>(m_pool.m_records.GetCount()) : index;
        m_position.next = m_pool.m_deliveries;
        m_pool.m_deliveries = &m_position;
    }
    ActiveDelivery(const ActiveDelivery&) = delete;
    ActiveDelivery& operator=(const ActiveDelivery&) = delete;
    ~ActiveDelivery()
    {
        MutexLock lock(m_pool.m_lock);
        for (DeliveryPosition** link = &m_pool.m_deliveries; *link; link = &(*link)->next) {
            if (*link == &m_position) {
                *link = m_position.next;
                break;
            }
        }
    }

    DeliveryPosition& Position() { return m_position; }

private:
    LNotificationClientPool& m_pool;
    DeliveryPosition m_position{};
};

LNotificationDistributor::LNotificationClientPool::~LNotificationClientPool() = default;

int32_t LNotificationDistributor::LNotificationClientPool::GetFlags() const
{
    MutexLock lock(m_lock);
    return m_flags;
}

uint32_t LNotificationDistributor::LNotificationClientPool::GetClientCount() const
{
    MutexLock lock(m_lock);
    return m_records.GetCount();
}

RCPtr<LNotificationClient> LNotificationDistributor::LNotificationClientPool::GetClientAt(int32_t index) const
{
    MutexLock lock(m_lock);
    if (index < 0 || static_cast<uint32_t>(index) >= m_records.GetCount())
        return nullptr;
    return m_records.GetAt(static_cast<uint32_t>(index))->client;
}

int32_t LNotificationDistributor::LNotificationClientPool::IndexOfClient(const LNotificationClient* client) const
{
    MutexLock lock(m_lock);
    for (uint32_t index = m_records.GetCount(); index-- > 0;) {
        if (m_records.GetAt(index)->client.Get() == client)
            return static_cast<int32_t>(index);
    }
    return -1;
}

VQRESULT LNotificationDistributor::LNotificationClientPool::AddClient(LNotificationClient* client, int32_t flags)
{
    MutexLock lock(m_lock);
    const int32_t index = IndexOfClient(client);
    if (index >= 0) {
        LNotificationRegisteredClientInfo& record = *m_records.GetAt(static_cast<uint32_t>(index));
        if (record.flags != flags) {
            record.flags = flags;
            int32_t all = 0;
            for (uint32_t i = 0; i < m_records.GetCount(); ++i)
                all |= m_records.GetAt(i)->flags;
            m_flags = all;
        }
        return S_FALSE;
    }
    m_records.Add(RCPtr<LNotificationRegisteredClientInfo>(new LNotificationRegisteredClientInfo(client, flags)));
    m_flags |= flags;
    return S_OK;
}

VQRESULT LNotificationDistributor::LNotificationClientPool::RemoveClient(
    const LNotificationClient* client, RCPtr<LNotificationRegisteredClientInfo>& removed)
{
    MutexLock lock(m_lock);
    const int32_t index = IndexOfClient(client);
    if (index < 0)
        return S_FALSE;
    m_records.RemoveItem(static_cast<uint32_t>(index), removed);
    // A delivery serving this registration stays, so that its next step is the registration below.
    for (DeliveryPosition* position = m_deliveries; position; position = position->next) {
        if (index < position->index)
            --position->index;
    }
    return S_OK;
}

RCPtr<LNotificationClient> LNotificationDistributor::LNotificationClientPool::ClientToServe(
    int32_t index, const RCPtr<LNotification>& notification, RCPtr<LNotification>& consumed)
{
    if (index < 0 || static_cast<uint32_t>(index) >= m_records.GetCount())
        return nullptr;
    LNotificationRegisteredClientInfo& record = *m_records.GetAt(static_cast<uint32_t>(index));
    if ((record.flags & NotificationFlagCoalesce) == 0)
        return record.client;
    // A coalescing registration gets only the newest posted notification of the id.
    if (record.latestPosted.Get() != notification.Get())
        return nullptr;
    consumed = record.latestPosted;
    record.latestPosted = nullptr;
    return record.client;
}

void LNotificationDistributor::LNotificationClientPool::Send(const RCPtr<LNotificationDistributor>& sender,
                                                             const RCPtr<LNotification>& notification)
{
    ActiveDelivery delivery(*this, 0, true);
    DeliveryPosition& position = delivery.Position();
    for (;;) {
        // Released after the lock: the reference held on the client for the call, and a coalescing
        // registration's latest posted notification.
        RCPtr<LNotificationClient> client;
        RCPtr<LNotification> consumed;
        {
            // The step down and the look at the registration are one step: a registration removed
            // between two steps must not shift another under the position.
            MutexLock lock(m_lock);
            while (!client) {
                if (position.index <= 0)
                    return;
                --position.index;
                client = ClientToServe(position.index, notification, consumed);
            }
        }
        client->Receive(sender, notification);
    }
}

int32_t LNotificationDistributor::LNotificationClientPool::SendToClient(const RCPtr<LNotificationDistributor>& sender,
                                                                        int32_t index,
                                                                        const RCPtr<LNotification>& notification)
{
    ActiveDelivery delivery(*this, index, false);
    DeliveryPosition& position = delivery.Position();
    RCPtr<LNotificationClient> client;
    RCPtr<LNotification> consumed;
    {
        MutexLock lock(m_lock);
        client = ClientToServe(index, notification, consumed);
        if (!client)
            return index;
    }
    client->Receive(sender, notification);
    MutexLock lock(m_lock);
    return position.index;
}

LNotificationDistributor::LNotificationDistributor() = default;

LNotificationDistributor::~LNotificationDistributor() = default;

RCPtr<LNotificationDistributor::LNotificationClientPool> LNotificationDistributor::FindClientPool(const char16_t* id) const
{
    MutexLock lock(m_lock);
    for (uint32_t index = m_pools.GetCount(); index-- > 0;) {
        const RCPtr<LNotificationClientPool>& pool = m_pools.GetAt(index);
        if (pool->GetID() == id)
            return pool;
    }
    return nullptr;
}

VQRESULT LNotificationDistributor::Send(const RCPtr<LNotification>& notification)
{
    if (!notification)
        return E_INVALIDARG;
    RCPtr<LNotificationClientPool> pool = FindClientPool(notification->GetID());
    if (!pool || pool->GetClientCount() == 0)
        return S_FALSE;
    pool->Send(RCPtr<LNotificationDistributor>(this), notification);
    return S_OK;
}

VQRESULT LNotificationDistributor::AddClient(LNotificationClient* client, const char16_t* name, int32_t flags)
{
    if (!client)
        return E_INVALIDARG;
    const char16_t* id = LNotification::InternID(name);
    if (!id)
        return S_FALSE;
    MutexLock lock(m_lock);
    RCPtr<LNotificationClientPool> pool = FindClientPool(id);
    const bool isNew = !pool || pool->IndexOfClient(client) < 0;
    if (isNew) {
        AddRef();
        AddCyclicReferences(1);
        if (++m_registrationCount == 1) {
            // Counted as cyclic only once the registry holds it, so that the registry's reference
            // is never mistaken for the last outside one.
            AddActiveDistributor(this);
            AddCyclicReferences(1);
        }
    }
    if (!pool) {
        pool = RCPtr<LNotificationClientPool>(new LNotificationClientPool(m_lock, id));
        m_pools.Add(pool);
    }
    pool->AddClient(client, flags);
    return isNew ? S_OK : S_FALSE;
}

void LNotificationDistributor::DropRegistration(RCPtr<LNotificationDistributor>& registryReference)
{
    if (--m_registrationCount == 0) {
        AddCyclicReferences(-1);
        RemoveActiveDistributor(this, registryReference);
    }
    AddCyclicReferences(-1);
}

VQRESULT LNotificationDistributor::RemoveClient(LNotificationClient* client, const char16_t* name)
{
    if (!client)
        return E_INVALIDARG;
    const char16_t* id = LNotification::InternID(name);
    if (!id)
        return E_INVALIDARG;
    RCPtr<LNotificationRegisteredClientInfo> removed;
    RCPtr<LNotificationDistributor> registryReference;
    {
        MutexLock lock(m_lock);
        RCPtr<LNotificationClientPool> pool = FindClientPool(id);
        if (!pool || pool->RemoveClient(client, removed) != S_OK)
            return S_FALSE;
        DropRegistration(registryReference);
    }
    removed.Release();
    registryReference.Release();
    // The registration's reference on this distributor goes last: it may be the final one.
    Release();
    return S_OK;
}

int32_t LNotificationDistributor::RemoveClientFromAll(LNotificationClient* client)
{
    std::vector<RCPtr<LNotificationRegisteredClientInfo>> removed;
    RCPtr<LNotificationDistributor> registryReference;
    {
        MutexLock lock(m_lock);
        for (uint32_t index = m_pools.GetCount(); index-- > 0;) {
            RCPtr<LNotificationRegisteredClientInfo> record;
            if (m_pools.GetAt(index)->RemoveClient(client, record) == S_OK) {
                removed.push_back(record);
                DropRegistration(registryReference);
            }
        }
    }
    const auto count = static_cast<int32_t>(removed.size());
    removed.clear();
    registryReference.Release();
    for (int32_t i = 0; i < count; ++i)
        Release();
    return count;
}

VQRESULT LNotificationDistributor::RemoveAllClients()
{
    // Taken under the lock, called outside it: each client's Unregister may be overridden and may
    // call back here.
    std::vector<std::pair<RCPtr<LNotificationClient>, const char16_t*>> registrations;
    {
        MutexLock lock(m_lock);
        for (uint32_t p = m_pools.GetCount(); p-- > 0;) {
            const LNotificationClientPool& pool = *m_pools.GetAt(p);
            for (uint32_t r = pool.m_records.GetCount(); r-- > 0;)
                registrations.emplace_back(pool.m_records.GetAt(r)->client, pool.GetID());
        }
    }
    if (registrations.empty())
        return S_OK;
    const RCPtr<LNotificationDistributor> self(this);
    for (const auto& [client, id] : registrations)
        client->Unregister(self, id);
    return S_OK;
}

bool LNotificationDistributor::HasClient(const LNotificationClient* client) const
{
    MutexLock lock(m_lock);
    for (uint32_t index = m_pools.GetCount(); index-- > 0;) {
        if (m_pools.GetAt(index)->IndexOfClient(client) >= 0)
            return true;
    }
    return false;
}

VQRESULT LNotificationDistributor::GetClientFlags(const LNotificationClient* client, const char16_t* name,
                                                  int32_t& flags) const
{
    const char16_t* id = LNotification::InternID(name);
    if (!id)
        return E_FAIL;
    MutexLock lock(m_lock);
    RCPtr<LNotificationClientPool> pool = FindClientPool(id);
    if (!pool)
        return E_FAIL;
    const int32_t index = pool->IndexOfClient(client);
    if (index < 0)
        return E_FAIL;
    flags = pool->m_records.GetAt(static_cast<uint32_t>(index))->flags;
    return S_OK;
}

void LNotificationDistributor::SetLatestPosted(const RCPtr<LNotification>& notification, LatestPostedChanges& changes)
{
    MutexLock lock(m_lock);
    RCPtr<LNotificationClientPool> pool = FindClientPool(notification->GetID());
    if (!pool || (pool->m_flags & NotificationFlagCoalesce) == 0)
        return;
    // Room first, so that nothing can fail once the first registration has changed; a notification
    // that cannot be shared fails at the first one.
    changes.reserve(changes.size() + pool->m_records.GetCount());
    for (uint32_t index = pool->m_records.GetCount(); index-- > 0;) {
        const RCPtr<LNotificationRegisteredClientInfo>& record = pool->m_records.GetAt(index);
        if ((record->flags & NotificationFlagCoalesce) == 0)
            continue;
        RCPtr<LNotification> previous = record->latestPosted;
        record->latestPosted = notification;
        changes.emplace_back(record, std::move(previous));
    }
}

void LNotificationDistributor::RestoreLatestPosted(const RCPtr<LNotification>& notification,
                                                   LatestPostedChanges& changes) noexcept
{
    MutexLock lock(m_lock);
    for (auto& [record, previous] : changes) {
        if (record->latestPosted.Get() == notification.Get())
            record->latestPosted = std::move(previous);
    }
}

} // namespace VQ
