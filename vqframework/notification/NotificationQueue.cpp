#include "vqframework/notification/NotificationQueue.h"

#include "vqframework/objectbase/Mutex.h"

#include <vector>

namespace VQ {

namespace {

// Guards the rings of all queues and each queue's distributor and posting receiver; a queue's posting
// walk takes the distributor's lock under it. Created on first use and never destroyed.
Mutex& QueueLock()
{
    static Mutex* const lock = new Mutex();
    return *lock;
}

} // namespace

LNotificationQueue::LNotificationQueue()
    : m_ring(&QueueLock(), 256), m_idle(LNotification::Create(u"NID_IDLE"))
{
    m_postingReceiver = RCPtr<LPostingReceiver>(new LPostingReceiver(this));
    AddCyclicReferences(1);
}

LNotificationQueue::~LNotificationQueue()
{
    Clear();
}

bool LNotificationQueue::IsSelf(const RCPtr<LNotificationDistributor>& distributor) const
{
    // Both derive virtually from the counted base, so one object has one such part.
    return distributor && static_cast<const LRefCountedObject*>(distributor.Get()) ==
                              static_cast<const LRefCountedObject*>(this);
}

RCPtr<LNotificationDistributor> LNotificationQueue::GetDistributor() const
{
    MutexLock lock(QueueLock());
    return m_distributor;
}

VQRESULT LNotificationQueue::Post(const RCPtr<LNotification>& notification)
{
    if (!notification || notification->IsPosted())
        return E_INVALIDARG;
    // Released after the lock.
    LNotificationDistributor::LatestPostedChanges changes;
    MutexLock lock(QueueLock());
    if (!m_distributor)
        return E_FAIL;
    // Two threads posting the same notification: one wins.
    if (notification->m_posted.exchange(true))
        return E_INVALIDARG;
    try {
        m_distributor->SetLatestPosted(notification, changes);
        m_ring.Enqueue(notification);
    } catch (...) {
        // Not queued after all: it may be posted again, and it must not stand in for the one it
        // replaced as the latest.
        m_distributor->RestoreLatestPosted(notification, changes);
        notification->m_posted.store(false);
        throw;
    }
    return S_OK;
}

VQRESULT LNotificationQueue::Post(const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    return Post(LNotification::Create(name, payload));
}

bool LNotificationQueue::ProcessNotifications(bool sendIdle)
{
    // A client served may let go of the last other reference to this queue; it goes after the drain.
    const RCPtr<LNotificationQueue> self(this);
    if (!m_busy.exchange(true)) {
        // Cleared on every way out: a client that throws must not stop the queue for good.
        struct BusyReset {
            std::atomic<bool>& busy;
            ~BusyReset() { busy.store(false); }
        } busyReset{m_busy};
        // Notifications posted from here on, by the clients served too, wait for the next drain.
        const uint32_t count = m_ring.GetCount();
        for (uint32_t i = 0; i < count; ++i) {
            RCPtr<LNotification> notification;
            RCPtr<LNotificationDistributor> distributor;
            {
                MutexLock lock(QueueLock());
                if (m_ring.GetCount() == 0)
                    break;
                notification = m_ring.Dequeue();
                distributor = m_distributor;
            }
            // The notification may be posted again once delivered, or once its delivery has thrown.
            struct PostedReset {
                LNotification& notification;
                ~PostedReset() { notification.m_posted.store(false); }
            } postedReset{*notification};
            if (distributor)
                distributor->Send(notification);
        }
    }
    if (sendIdle) {
        const RCPtr<LNotificationDistributor> distributor = GetDistributor();
        const RCPtr<LNotification> idle = m_idle;
        if (distributor)
            distributor->Send(idle);
    }
    return m_ring.GetCount() > 0;
}

VQRESULT LNotificationQueue::SetDistributor(const RCPtr<LNotificationDistributor>& distributor)
{
    MutexLock lock(QueueLock());
    if (m_distributor || !m_postingReceiver)
        return E_FAIL;
    if (distributor) {
        m_distributor = distributor;
        if (IsSelf(distributor))
            AddCyclicReferences(1);
    }
    return S_OK;
}

RCPtr<LNotificationReceiver> LNotificationQueue::GetPostingReceiver() const
{
    MutexLock lock(QueueLock());
    return m_postingReceiver;
}

bool LNotificationQueue::Clear()
{
    for (;;) {
        // Released outside the lock: a payload's destructor is foreign code.
        RCPtr<LNotification> notification;
        {
            MutexLock lock(QueueLock());
            if (m_ring.GetCount() == 0)
                break;
            notification = m_ring.Dequeue();
        }
        notification->m_posted.store(false);
    }
    return m_ring.GetCount() > 0;
}

void LNotificationQueue::Shutdown()
{
    RCPtr<LNotificationDistributor> distributor;
    RCPtr<LPostingReceiver> receiver;
    RCPtr<LNotificationQueue> backReference;
    {
        MutexLock lock(QueueLock());
        // Unbound first, so that nothing can be posted after the ring is emptied.
        distributor = m_distributor;
        m_distributor = nullptr;
        receiver = m_postingReceiver;
        m_postingReceiver = nullptr;
        if (receiver) {
            backReference = receiver->m_queue;
            receiver->m_queue = nullptr;
        }
    }
    Clear();
    // Uncounted before they are released, so that their release is not taken for the last outside one.
    if (backReference)
        AddCyclicReferences(-1);
    if (IsSelf(distributor))
        AddCyclicReferences(-1);
    distributor.Release();
    backReference.Release();
    receiver.Release();
}

VQRESULT LNotificationQueue::ReleaseCyclicReferences()
{
    Shutdown();
    return LRefCountedObject::ReleaseCyclicReferences();
}

void LNotificationQueue::LPostingReceiver::Receive(const RCPtr<LNotificationDistributor>&,
                                                   const RCPtr<LNotification>& notification)
{
    if (!notification)
        return;
    RCPtr<LNotificationQueue> queue;
    {
        MutexLock lock(QueueLock());
        queue = m_queue;
    }
    if (queue)
        queue->Post(LNotification::Create(notification->GetID(), notification->GetPayload()));
}

VQRESULT LNotificationQueue::LPostingReceiver::Unregister(const RCPtr<LNotificationDistributor>&, const char16_t*)
{
    return E_FAIL;
}

} // namespace VQ
