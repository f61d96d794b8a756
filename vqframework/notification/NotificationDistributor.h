// The sender side of notifications: delivers a notification at once, on the caller's thread, to the
// clients registered for its id, the newest registration first.
#pragma once

#include "vqframework/notification/Notification.h"
#include "vqframework/notification/NotificationClient.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/RCPtrArray.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace VQ {

// Registration and delivery may run on different threads (a port layer delivers on its pool thread to
// clients that register on the UI thread); clients' Receive runs without any distributor lock held.
class LNotificationDistributor : public virtual LRefCountedObject {
public:
    class LNotificationRegisteredClientInfo;
    class LNotificationClientPool;

    LNotificationDistributor();
    ~LNotificationDistributor() override;

    // E_INVALIDARG for a null notification; 1 when no client is registered for its id; else 0.
    VQRESULT Send(const RCPtr<LNotification>& notification);

    // The distributor's half of LNotificationClient::Register, which keeps the client's half.
    // E_INVALIDARG for a null client; 1 when the name interns to null or the client is registered
    // already (its flags are updated); 0 for a new registration.
    VQRESULT AddClient(LNotificationClient* client, const char16_t* name, int32_t flags);
    // The distributor's half of LNotificationClient::Unregister. E_INVALIDARG for a null client or a
    // name that interns to null; 1 when the client is not registered for the id; 0 when removed.
    VQRESULT RemoveClient(LNotificationClient* client, const char16_t* name);
    // The number of registrations removed.
    int32_t RemoveClientFromAll(LNotificationClient* client);
    // Has every registered client unregister itself (its own Unregister), newest id and newest
    // registration first. Returns 0.
    VQRESULT RemoveAllClients();

    bool HasClient(const LNotificationClient* client) const;
    // E_FAIL when the name interns to null or the client is not registered for the id.
    VQRESULT GetClientFlags(const LNotificationClient* client, const char16_t* name, int32_t& flags) const;
    // The pool of an id, or null. A pool lives as long as its distributor and is used only while the
    // distributor lives.
    RCPtr<LNotificationClientPool> FindClientPool(const char16_t* id) const;

private:
    // Each coalescing registration a post changed, with the latest posted notification it had before.
    using LatestPostedChanges =
        std::vector<std::pair<RCPtr<LNotificationRegisteredClientInfo>, RCPtr<LNotification>>>;

    // Makes the notification the latest posted one of every coalescing registration for its id, all
    // or none of them; what it changed goes to `changes`, to be released by the caller outside any lock.
    void SetLatestPosted(const RCPtr<LNotification>& notification, LatestPostedChanges& changes);
    // Undoes SetLatestPosted for a notification that could not be queued after all, at the
    // registrations where it is still the latest.
    void RestoreLatestPosted(const RCPtr<LNotification>& notification, LatestPostedChanges& changes) noexcept;
    // The distributor's bookkeeping of one removed registration, under the lock; the reference of the
    // registry goes to `registryReference` when it was the last registration.
    void DropRegistration(RCPtr<LNotificationDistributor>& registryReference);

    // Guards the pools, their records and flags, the delivery positions and the registration count.
    // Re-entrant: a pool's operations take it again.
    mutable Mutex m_lock;
    // One pool per id ever registered, in the order of first registration; never removed.
    RCPtrArray<LNotificationClientPool, 1, 0> m_pools;
    int32_t m_registrationCount = 0;

    friend class LNotificationQueue;
};

// One registration of a client for one id. Its fields are guarded by the distributor's lock.
class LNotificationDistributor::LNotificationRegisteredClientInfo : public virtual LRefCountedObject {
public:
    LNotificationRegisteredClientInfo(LNotificationClient* client, int32_t flags) : client(client), flags(flags) {}

    RCPtr<LNotificationClient> client;
    // For a coalescing registration: the newest notification of the id posted and not yet delivered.
    RCPtr<LNotification> latestPosted;
    int32_t flags;
};

// The registrations of one id at one distributor, oldest first.
class LNotificationDistributor::LNotificationClientPool : public virtual LRefCountedObject {
public:
    // The lock is the owning distributor's.
    LNotificationClientPool(Mutex& lock, const char16_t* id) : m_lock(lock), m_id(id) {}
    ~LNotificationClientPool() override;

    const char16_t* GetID() const { return m_id; }
    // The OR of the flags of the registrations made; not lowered when a registration goes.
    int32_t GetFlags() const;
    uint32_t GetClientCount() const;
    // The client of the registration at the index, or null; for callers that walk the pool themselves.
    RCPtr<LNotificationClient> GetClientAt(int32_t index) const;

    // Delivers to the one registration at the index under the rules of LNotificationDistributor::Send
    // and returns the index of that registration after the call, moved down by the older registrations
    // removed meanwhile (the index itself when it was skipped). The caller continues one below it.
    int32_t SendToClient(const RCPtr<LNotificationDistributor>& sender, int32_t index,
                         const RCPtr<LNotification>& notification);

    // 0 for a new registration, 1 when the client had one (its flags are updated).
    VQRESULT AddClient(LNotificationClient* client, int32_t flags);
    // 0 when removed (the record goes to `removed`), 1 when the client has no registration here.
    VQRESULT RemoveClient(const LNotificationClient* client, RCPtr<LNotificationRegisteredClientInfo>& removed);
    // The index of the client's registration, searched from the newest, or -1.
    int32_t IndexOfClient(const LNotificationClient* client) const;
    // Delivers to every registration, the newest first.
    void Send(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification);

private:
    // The index of the registration one running delivery serves or served last (at first, the count:
    // just above the newest). Each delivery has its own, so a nested Send of the same id neither skips
    // nor repeats a registration of the outer one; every removal below it moves it down.
    struct DeliveryPosition {
        int32_t index;
        DeliveryPosition* next;
    };
    class ActiveDelivery;

    // The client to serve at the index, under the lock; null when the index lies outside the
    // registrations or the registration coalesces and does not wait for this notification. A
    // coalescing registration's latest posted notification moves to `consumed`.
    RCPtr<LNotificationClient> ClientToServe(int32_t index, const RCPtr<LNotification>& notification,
                                             RCPtr<LNotification>& consumed);

    Mutex& m_lock;
    int32_t m_flags = 0;
    const char16_t* const m_id;
    RCPtrArray<LNotificationRegisteredClientInfo, 1, 0> m_records;
    DeliveryPosition* m_deliveries = nullptr;

    friend class LNotificationDistributor;
};

} // namespace VQ
