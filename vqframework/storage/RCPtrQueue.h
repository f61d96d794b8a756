// A first-in, first-out queue of counted pointers that never refuses an entry: a ring of owning
// slots that grows by one slot when full, guarded by a lock borrowed from its owner.
#pragma once

#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/RCPtrArray.h"

#include <cstdint>
#include <utility>

namespace VQ {

// N is the step, in slots, in which the ring's storage grows.
template <class X, uint32_t N = 256> class RCPtrQueue {
    static_assert(N > 0);

public:
    // The lock may be null (the queue then belongs to one thread); it stays the owner's. A ring of
    // 1 slot cannot keep one slot free, so it starts empty like a ring of 0.
    explicit RCPtrQueue(Mutex* lock, uint32_t initialSize = N)
        : m_slots(initialSize >= 2 ? initialSize : 0, initialSize >= 2 ? initialSize : 0), m_lock(lock)
    {
    }

    RCPtrQueue(const RCPtrQueue&) = delete;
    RCPtrQueue& operator=(const RCPtrQueue&) = delete;

    // The slot array releases the entries still queued, in slot order.
    ~RCPtrQueue() = default;

    // Never refuses an entry; only exhausted memory ends it, by exception, with the queue unchanged.
    VQRESULT Enqueue(const RCPtr<X>& item)
    {
        MutexLock guard(m_lock);
        if (Size() == 0) {
            if (m_slots.SetCount(2) != 2)
                throw Exception<std::bad_alloc>();
            m_read = m_write = 0;
        }
        if (GetCount() == Size() - 1)
            Grow();
        // The slot takes its reference before the write index moves, so a failed copy of an
        // unshareable item leaves the queue as it was.
        m_slots.GetAt(m_write) = item;
        m_write = (m_write + 1) % Size();
        return S_OK;
    }

    // Tests and removes under one holding of the lock, so that two consumers cannot both take
    // the last entry.
    RCPtr<X> Dequeue()
    {
        MutexLock guard(m_lock);
        if (GetCount() < 1)
            VQ_THROW(std::runtime_error);
        RCPtr<X> result = m_slots.GetAt(m_read);
        m_slots.GetAt(m_read).Release();
        m_read = (m_read + 1) % Size();
        return result;
    }

    // Takes the oldest entry into out under one holding of the lock, like Dequeue; an empty queue
    // is no error here: the result is false and out is left as it was. What out held before is
    // released after the lock is let go, so code run by that release may use the queue.
    bool TryDequeue(RCPtr<X>& out)
    {
        RCPtr<X> taken;
        {
            MutexLock guard(m_lock);
            if (Count() == 0)
                return false;
            taken = std::move(m_slots.GetAt(m_read));
            m_read = (m_read + 1) % Size();
        }
        out = std::move(taken);
        return true;
    }

    uint32_t GetCount() const
    {
        // The size is read under the lock too: a producer may be growing the ring.
        MutexLock guard(m_lock);
        return Count();
    }

    // The ring's size in slots, for inspection; one slot always stays free.
    uint32_t GetSlotCount() const
    {
        MutexLock guard(m_lock);
        return Size();
    }

private:
    uint32_t Size() const { return m_slots.GetCount(); }

    // The lock is held.
    uint32_t Count() const
    {
        const uint32_t size = Size();
        if (size == 0)
            return 0;
        int32_t d = static_cast<int32_t>(m_write - m_read);
        if (d < 0)
            d += static_cast<int32_t>(size);
        return static_cast<uint32_t>(d);
    }

    // On a full ring, an empty slot goes in where the oldest entry stands; the entries from there
    // on move up one place (raw moves, no count changes), so the order is kept.
    void Grow()
    {
        if (m_slots.InsertSpace(m_read, 1) < 0)
            throw Exception<std::bad_alloc>();
        if (m_write > m_read)
            ++m_write;
        m_read = (m_read + 1) % Size();
    }

    RCPtrArray<X, N, N> m_slots;
    uint32_t m_write = 0;
    uint32_t m_read = 0;
    Mutex* m_lock;
};

} // namespace VQ
