// Named notification centres: a distributor with a queue that delivers through it, kept by name in one
// process-wide manager. The centre named "application" is where the system's services meet.
#pragma once

#include "vqframework/notification/NotificationDistributor.h"
#include "vqframework/notification/NotificationQueue.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/StringT.h"

namespace VQ {

class LNotificationCenter : public LNotificationDistributor, public LNotificationQueue {
public:
    // A centre whose queue delivers through the centre itself (a cyclic reference).
    static RCPtr<LNotificationCenter> Create(const StringT<char16_t, char>& name);

    const StringT<char16_t, char>& GetName() const { return m_name; }

    // Every client unregisters, the queue shuts down and the self-reference goes.
    VQRESULT ReleaseCyclicReferences() override;

private:
    explicit LNotificationCenter(const StringT<char16_t, char>& name) : m_name(name) {}

    const StringT<char16_t, char> m_name;
};

class LNotificationCenterManager : public virtual LRefCountedObject {
public:
    static constexpr char16_t DefaultCenterName[] = u"application";

    // The process-wide manager, created on first use.
    static RCPtr<LNotificationCenterManager> GetInstance();
    // Drops the process-wide reference (the application object does at its end); the next
    // GetInstance makes a new manager. The manager and its centres go once nobody else holds them.
    static void ReleaseInstance();

    // The centre of the name, compared exactly, created and appended when there is none; null for an
    // empty name.
    RCPtr<LNotificationCenter> GetCenter(const StringT<char16_t, char>& name);
    // The centre of the name, or null.
    RCPtr<LNotificationCenter> FindCenter(const StringT<char16_t, char>& name) const;

    // Drains every centre, the newest first; true when any centre still has notifications queued.
    bool ProcessNotifications(bool sendIdle);

    ~LNotificationCenterManager() override;

private:
    LNotificationCenterManager() = default;

    // Guards the centre list.
    mutable Mutex m_lock;
    RCPtrArray<LNotificationCenter, 1, 0> m_centers;
};

} // namespace VQ
