// A queue of posted notifications: any thread posts, the UI thread drains them at idle through the
// distributor the queue is bound to.
#pragma once

#include "vqframework/notification/Notification.h"
#include "vqframework/notification/NotificationClient.h"
#include "vqframework/notification/NotificationDistributor.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/RCPtrQueue.h"

#include <atomic>

namespace VQ {

// The rings of all queues share one process-wide lock, which also guards each queue's distributor and
// posting receiver. The lock is not held while notifications are delivered.
class LNotificationQueue : public virtual LRefCountedObject {
public:
    class LPostingReceiver;

    // Unbound; its posting receiver holds it, counted as a cyclic reference.
    LNotificationQueue();
    ~LNotificationQueue() override;

    // E_INVALIDARG for a null or already posted notification; E_FAIL while unbound or after shutdown.
    VQRESULT Post(const RCPtr<LNotification>& notification);
    VQRESULT Post(const char16_t* name, const RCPtr<LRefCountedObject>& payload);

    // Delivers, oldest first, as many notifications as were queued on entry (nothing when a drain of
    // this queue is running further up), then "NID_IDLE" when asked. True when some are still queued.
    bool ProcessNotifications(bool sendIdle);

    // E_FAIL when bound already or shut down; a null distributor changes nothing and gives 0. A queue
    // that is its own distributor (a centre) counts the binding as a cyclic reference until shutdown.
    VQRESULT SetDistributor(const RCPtr<LNotificationDistributor>& distributor);

    // Re-posts whatever it receives into this queue; null after shutdown.
    RCPtr<LNotificationReceiver> GetPostingReceiver() const;

    // Drops every queued notification undelivered; true when some are queued afterwards.
    bool Clear();

    // Clears the queue and drops the distributor and the posting receiver for good.
    void Shutdown();

    // A queue that only its posting receiver holds shuts down and goes.
    VQRESULT ReleaseCyclicReferences() override;

protected:
    RCPtr<LNotificationDistributor> GetDistributor() const;

private:
    bool IsSelf(const RCPtr<LNotificationDistributor>& distributor) const;

    // Set while a drain runs on this queue.
    std::atomic<bool> m_busy{false};
    RCPtrQueue<LNotification, 256> m_ring;
    RCPtr<LNotificationDistributor> m_distributor;
    RCPtr<LPostingReceiver> m_postingReceiver;
    const RCPtr<LNotification> m_idle;
};

class LNotificationQueue::LPostingReceiver : public LNotificationReceiver {
public:
    explicit LPostingReceiver(LNotificationQueue* queue) : m_queue(queue) {}

    // Posts a new notification with the same id and payload; the notification received is not queued.
    void Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification) override;
    // Registers nowhere, so has nothing to remove: always E_FAIL.
    VQRESULT Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id) override;

private:
    // Null after the queue's shutdown; guarded by the queue lock.
    RCPtr<LNotificationQueue> m_queue;

    friend class LNotificationQueue;
};

} // namespace VQ
