// A per-class pool of memory blocks: blocks given back stay with the pool and are handed out
// again, the one freed last first; requests of any other size go to the general heap.
#pragma once

#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/Mutex.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace VQ {

// The bookkeeping shared by every pool; ReuseAllocator<T, N> only fixes the block size and the
// table granule.
class ReuseAllocatorBase {
public:
    ReuseAllocatorBase(const ReuseAllocatorBase&) = delete;
    ReuseAllocatorBase& operator=(const ReuseAllocatorBase&) = delete;
    // Deletes every block, those still in use included, from the highest index down.
    virtual ~ReuseAllocatorBase();

    // Uninitialised memory; null only when the general heap has none left.
    void* Allocate(std::size_t size);
    // Takes only pointers from Allocate of this pool, or null.
    void Free(void* pointer);

    // For inspection: blocks made so far, blocks free, and the block table's storage in entries.
    uint32_t GetBlockCount() const;
    uint32_t GetFreeCount() const;
    uint32_t GetBlockCapacity() const;

    // Every pointer handed out, pooled or not, follows a header this large, which keeps the
    // object as aligned as the heap's own blocks.
    static constexpr std::size_t HeaderSize = alignof(std::max_align_t);

protected:
    ReuseAllocatorBase(std::size_t objectSize, uint32_t granule, bool locked);

private:
    struct Header;

    Header* NewBlock();

    const std::size_t m_objectSize;
    const uint32_t m_granule;
    std::vector<Header*> m_blocks;
    // Indexes of the free blocks; the last pushed is on top.
    std::vector<uint32_t> m_free;
    // Guards both tables, for the pools whose objects pass between threads; null otherwise.
    Mutex* const m_lock;
};

// N is the granule of the pool's tables in entries, not a number of objects per block: every block
// holds one T.
template <class T, uint32_t N> class ReuseAllocator : public ReuseAllocatorBase {
    static_assert(N > 0);
    static_assert(alignof(T) <= ReuseAllocatorBase::HeaderSize, "over-aligned classes cannot be pooled");

public:
    explicit ReuseAllocator(bool locked) : ReuseAllocatorBase(sizeof(T), N, locked) {}
};

// Base of a pooled class T: routes its allocation, and that of every class derived from it,
// through one process-wide pool. The pool is made on first use and never destroyed, so that
// objects released during the exit of other statics still find it. Lock it only when objects
// pass between threads.
template <class T, uint32_t N, bool Locked> class ReusePooled {
public:
    static void* operator new(std::size_t size)
    {
        void* memory = GetPool().Allocate(size);
        if (!memory)
            throw Exception<std::bad_alloc>();
        return memory;
    }

    static void operator delete(void* pointer) noexcept { GetPool().Free(pointer); }

    static ReuseAllocator<T, N>& GetPool()
    {
        static ReuseAllocator<T, N>* const pool = new ReuseAllocator<T, N>(Locked);
        return *pool;
    }

protected:
    ReusePooled() = default;
    ~ReusePooled() = default;
};

} // namespace VQ
