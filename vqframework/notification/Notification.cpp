#include "vqframework/notification/Notification.h"

#include "vqframework/objectbase/Mutex.h"

#include <new>
#include <utility>
#include <vector>

namespace VQ {

namespace {

// The registry, the pool and their lock are created on first use and never destroyed, so that
// notifications released while the process exits still find them.

// Guards the id registry and the recycle pool, nothing else. Re-entrant: an allocation made under it
// may intern.
Mutex& NotificationLock()
{
    static Mutex* const lock = new Mutex();
    return *lock;
}

// The last notification appended is the first reused; no size limit. A vector, so that it grows,
// shrinks and is emptied without moving what it keeps.
std::vector<RCPtr<LNotification>>& RecyclePool()
{
    static auto* const pool = new std::vector<RCPtr<LNotification>>();
    return *pool;
}

// Written under the notification lock, so that a recycling notification never enters a pool that is
// being emptied.
std::atomic<bool> g_poolingEnabled{false};

} // namespace

StringArrayT<char16_t, char>& LNotification::GetIDRegistry()
{
    static auto* const registry = new StringArrayT<char16_t, char>();
    return *registry;
}

const char16_t* LNotification::InternID(const char16_t* name)
{
    if (!name || name[0] == 0)
        return nullptr;
    MutexLock lock(NotificationLock());
    StringArrayT<char16_t, char>& registry = GetIDRegistry();
    // An id handed out before is found by its address alone, without comparing text.
    int32_t index = registry.FindBuffer(name);
    if (index < 0) {
        const StringT<char16_t, char> copy(name);
        index = registry.Find(copy, true, 0);
        if (index < 0)
            index = registry.Add(copy);
    }
    return registry.GetAt(static_cast<uint32_t>(index)).GetString();
}

LNotification::LNotification(const char16_t* id, const RCPtr<LRefCountedObject>& payload)
    : m_id(id), m_payload(payload)
{
}

LNotification::~LNotification() = default;

RCPtr<LNotification> LNotification::Create(const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    // Checked before the pool is touched: a reused notification would otherwise keep a stale id.
    const char16_t* id = InternID(name);
    if (!id)
        return nullptr;
    if (g_poolingEnabled.load()) {
        RCPtr<LNotification> reused;
        {
            MutexLock lock(NotificationLock());
            std::vector<RCPtr<LNotification>>& pool = RecyclePool();
            if (!pool.empty()) {
                reused = std::move(pool.back());
                pool.pop_back();
            }
        }
        if (reused) {
            // The caller holds the only reference now, so the fields are ours to write.
            if (!reused->IsPosted()) {
                reused->m_id = id;
                reused->m_payload = payload;
            }
            return reused;
        }
    }
    return RCPtr<LNotification>(new (std::nothrow) LNotification(id, payload));
}

void LNotification::SetPoolingEnabled(bool enabled)
{
    // Destroyed after the lock: emptying a large pool would stop every thread that makes or
    // interns a notification meanwhile.
    std::vector<RCPtr<LNotification>> emptied;
    MutexLock lock(NotificationLock());
    g_poolingEnabled.store(enabled);
    if (!enabled)
        emptied.swap(RecyclePool());
}

uint32_t LNotification::GetPoolCount()
{
    MutexLock lock(NotificationLock());
    return static_cast<uint32_t>(RecyclePool().size());
}

int32_t LNotification::Release() const
{
    // The test of the last reference and the release are two steps: two threads dropping the last two
    // references at once may both see 2, and the notification is then freed instead of pooled.
    if (!m_recycling.load() && GetRefCount() == 1) {
        m_recycling.store(true);
        const_cast<LNotification*>(this)->Recycle();
        m_recycling.store(false);
    }
    return LRefCountedObject::Release();
}

void LNotification::Recycle()
{
    // A queued notification keeps its payload for the delivery still to come.
    if (!m_posted.load() && m_payload)
        m_payload.Release();
    if (!g_poolingEnabled.load())
        return;
    MutexLock lock(NotificationLock());
    if (!g_poolingEnabled.load())
        return;
    // Without room the notification simply goes instead of being pooled.
    try {
        RecyclePool().push_back(RCPtr<LNotification>(this));
    } catch (const std::bad_alloc&) {
    }
}

} // namespace VQ
