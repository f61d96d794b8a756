// One occurrence of a named event: an interned id and a counted payload, recycled through a
// process-wide pool because notifications are made for every mouse move and value change.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/StringArrayT.h"

#include <atomic>
#include <cstdint>

namespace VQ {

class LNotificationQueue;

// An id is the address of the registry's own copy of the name: ids are compared by pointer, and an
// id stays valid until the process ends. Null stands for no notification.
class LNotification : public virtual LRefCountedObject {
public:
    // The id of a name, adding the name on first use; case-sensitive. Null or empty gives null.
    static const char16_t* InternID(const char16_t* name);

    // The name may be an id or any text; null when the name is null or empty, or memory is exhausted.
    static RCPtr<LNotification> Create(const char16_t* name, const RCPtr<LRefCountedObject>& payload = nullptr);

    // Off empties the pool at once. Off when the process starts.
    static void SetPoolingEnabled(bool enabled);

    // Read only under the lock InternID takes; only InternID uses it.
    static StringArrayT<char16_t, char>& GetIDRegistry();

    // The number of notifications waiting for reuse.
    static uint32_t GetPoolCount();

    const char16_t* GetID() const { return m_id; }
    const RCPtr<LRefCountedObject>& GetPayload() const { return m_payload; }
    // Set while a queue holds the notification.
    bool IsPosted() const { return m_posted.load(); }

    // The release of the last reference drops the payload and, with pooling on, pools the notification.
    int32_t Release() const override;

    ~LNotification() override;

private:
    LNotification(const char16_t* id, const RCPtr<LRefCountedObject>& payload);

    void Recycle();

    const char16_t* m_id;
    RCPtr<LRefCountedObject> m_payload;
    std::atomic<bool> m_posted{false};
    // Set while Recycle runs, so that the releases it makes do not recycle a second time.
    mutable std::atomic<bool> m_recycling{false};

    friend class LNotificationQueue;
};

} // namespace VQ
