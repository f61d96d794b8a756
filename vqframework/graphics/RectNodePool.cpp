#include "vqframework/graphics/RectNodePool.h"

#include <functional>

namespace VQ {

RectNodePool& RectNodePool::Get()
{
    static RectNodePool* const pool = new RectNodePool();
    return *pool;
}

RectNode* RectNodePool::Alloc()
{
    MutexLock lock(m_lock);
    if (!m_block) {
        m_block = new Slot[BlockCapacity];
        for (uint32_t i = 0; i < BlockCapacity; ++i)
            m_block[i].ringEntry = i;
        m_freeCount = BlockCapacity;
        m_head = 0;
    }
    RectNode* node;
    if (m_freeCount > 0) {
        node = &m_block[m_block[m_head].ringEntry].node;
        m_head = (m_head + 1) % BlockCapacity;
        --m_freeCount;
    } else {
        node = new RectNode();
    }
    // Counted once it exists, so a failed allocation leaves the counts as they were.
    ++m_liveCount;
    if (m_liveCount > m_peakCount)
        m_peakCount = m_liveCount;
    *node = RectNode();
    return node;
}

void RectNodePool::Free(RectNode* node)
{
    if (!node)
        return;
    MutexLock lock(m_lock);
    if (IsInBlockLocked(node)) {
        // The ring has room for every slot, so it is full only after a node was freed twice; a
        // block node is never handed to the heap.
        if (m_freeCount < BlockCapacity) {
            const auto slot = static_cast<uint32_t>(reinterpret_cast<Slot*>(node) - m_block);
            m_block[(m_head + m_freeCount) % BlockCapacity].ringEntry = slot;
            ++m_freeCount;
        }
    } else {
        delete node;
    }
    --m_liveCount;
}

uint32_t RectNodePool::GetLiveCount() const
{
    MutexLock lock(m_lock);
    return m_liveCount;
}

uint32_t RectNodePool::GetPeakCount() const
{
    MutexLock lock(m_lock);
    return m_peakCount;
}

bool RectNodePool::IsInBlock(const RectNode* node) const
{
    MutexLock lock(m_lock);
    return IsInBlockLocked(node);
}

bool RectNodePool::IsInBlockLocked(const RectNode* node) const
{
    if (!m_block)
        return false;
    // std::less orders pointers into unrelated objects as well.
    const std::less<const void*> before;
    return !before(node, m_block) && before(node, m_block + BlockCapacity);
}

} // namespace VQ
