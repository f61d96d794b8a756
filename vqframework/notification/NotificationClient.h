// The listener side of notifications: the receiver interface and the client base that keeps track of
// its registrations with distributors.
#pragma once

#include "vqframework/notification/Notification.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/Array.h"

#include <cstdint>

namespace VQ {

class LNotificationDistributor;

class LNotificationReceiver : public virtual LRefCountedObject {
public:
    // The sender is the delivering distributor, or null for a notification handed straight over.
    virtual void Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification) = 0;
    virtual VQRESULT Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id) = 0;
};

// Makes a notification and hands it straight to one receiver, with no sender. E_INVALIDARG for a null
// receiver or a name that interns to null.
VQRESULT PostNotification(const RCPtr<LNotificationReceiver>& receiver, const char16_t* name,
                          const RCPtr<LRefCountedObject>& payload = nullptr);

// Registration flags.
inline constexpr int32_t NotificationFlagCoalesce = 1;

// Each registration is held in both directions: the distributor's record holds the client and the
// distributor holds itself; both count as cyclic references, so a client that only its registrations
// keep alive unregisters everywhere and goes.
class LNotificationClient : public LNotificationReceiver {
public:
    LNotificationClient() = default;
    ~LNotificationClient() override;

    void Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification) override;

    // The interned id, or null for a null distributor or a name that interns to null. Registering
    // again for the same distributor and id only changes the flags.
    const char16_t* Register(const RCPtr<LNotificationDistributor>& distributor, const char16_t* name, int32_t flags);

    // 0 when removed; 1 when the client holds no registration at all (whatever the arguments) or none
    // at that distributor for that id; E_INVALIDARG for a null distributor or id.
    VQRESULT Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id) override;

    // The number of registrations removed.
    int32_t UnregisterAll();

    // Unregisters everywhere when the caller holds the only reference besides the registrations';
    // E_FAIL, changing nothing, while other references remain.
    VQRESULT ReleaseCyclicReferences() override;

    int32_t GetRegistrationCount() const;

private:
    // Guards the registration count and the distributor list. Taken before a distributor's lock.
    mutable Mutex m_lock;
    int32_t m_registrationCount = 0;
    // Each distributor with at least one registration, once, in the order of the first; no references:
    // the registrations keep them alive.
    Array<LNotificationDistributor*> m_distributors;
};

} // namespace VQ
