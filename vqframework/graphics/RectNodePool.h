// The process-wide supply of region nodes: a block of preallocated nodes reused first in, first
// out, with the general heap beyond it, so that painting seldom reaches the allocator.
#pragma once

#include "vqframework/objectbase/Mutex.h"

#include <cstdint>

namespace VQ {

// One rectangle of a region; right and bottom are exclusive.
struct RectNode {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    RectNode* next = nullptr;
};

class RectNodePool {
public:
    static constexpr uint32_t BlockCapacity = 512;

    // Created on first use and never destroyed, so that regions released while the process exits
    // still find it.
    static RectNodePool& Get();

    RectNodePool(const RectNodePool&) = delete;
    RectNodePool& operator=(const RectNodePool&) = delete;

    // A zeroed node, from the block while it has a free slot, else from the heap.
    RectNode* Alloc();
    // Null is ignored.
    void Free(RectNode* node);

    uint32_t GetLiveCount() const;
    uint32_t GetPeakCount() const;
    bool IsInBlock(const RectNode* node) const;

private:
    // Each slot carries one entry of the ring of free slot indices besides its node.
    struct Slot {
        RectNode node;
        uint32_t ringEntry = 0;
    };

    RectNodePool() = default;
    ~RectNodePool() = default;

    bool IsInBlockLocked(const RectNode* node) const;

    mutable Mutex m_lock;
    Slot* m_block = nullptr;
    uint32_t m_freeCount = 0;
    uint32_t m_head = 0;
    uint32_t m_liveCount = 0;
    uint32_t m_peakCount = 0;
};

} // namespace VQ
