#include "vqframework/storage/ReuseAllocator.h"

#include <cassert>
#include <cstdlib>
#include <limits>

namespace VQ {

// In front of every pointer handed out. Heap blocks carry a header too, marked with the heap
// index, so Free never reads outside a block to tell the two apart.
struct alignas(ReuseAllocatorBase::HeaderSize) ReuseAllocatorBase::Header {
    uint32_t index;
    uint32_t state;
};

namespace {

constexpr uint32_t HeapIndex = 0xFFFFFFFF;
constexpr uint32_t StateInUse = 0x55534544;
constexpr uint32_t StateFree = 0x46524545;

} // namespace

ReuseAllocatorBase::ReuseAllocatorBase(std::size_t objectSize, uint32_t granule, bool locked)
    : m_objectSize(objectSize), m_granule(granule), m_lock(locked ? new Mutex : nullptr)
{
    static_assert(sizeof(Header) == HeaderSize);
    m_blocks.reserve(granule);
    m_free.reserve(granule);
}

ReuseAllocatorBase::~ReuseAllocatorBase()
{
    for (std::size_t i = m_blocks.size(); i-- > 0;)
        ::operator delete(m_blocks[i]);
    m_blocks.clear();
    m_free.clear();
    delete m_lock;
}

void* ReuseAllocatorBase::Allocate(std::size_t size)
{
    if (size != m_objectSize) {
        if (size > std::numeric_limits<std::size_t>::max() - HeaderSize)
            return nullptr;
        auto* header = static_cast<Header*>(std::malloc(HeaderSize + size));
        if (!header)
            return nullptr;
        header->index = HeapIndex;
        header->state = StateInUse;
        return header + 1;
    }

    MutexLock lock(m_lock);
    Header* header;
    if (!m_free.empty()) {
        header = m_blocks[m_free.back()];
        m_free.pop_back();
    } else {
        header = NewBlock();
    }
    header->state = StateInUse;
    return header + 1;
}

ReuseAllocatorBase::Header* ReuseAllocatorBase::NewBlock()
{
    // Room in the table first, so that nothing can fail once the block exists.
    if (m_blocks.size() == m_blocks.capacity()) {
        const std::size_t wanted = (m_blocks.size() / m_granule + 1) * m_granule;
        m_blocks.reserve(wanted);
        m_free.reserve(wanted);
    }
    auto* header = static_cast<Header*>(::operator new(HeaderSize + m_objectSize));
    header->index = static_cast<uint32_t>(m_blocks.size());
    m_blocks.push_back(header);
    return header;
}

void ReuseAllocatorBase::Free(void* pointer)
{
    if (!pointer)
        return;
    Header* header = static_cast<Header*>(pointer) - 1;
    if (header->index == HeapIndex) {
        std::free(header);
        return;
    }

    MutexLock lock(m_lock);
    const uint32_t index = header->index;
    if (index >= m_blocks.size() || m_blocks[index] != header) {
        assert(!"ReuseAllocator: pointer not from this pool");
        return;
    }
    // A block on the free stack twice would be handed out twice; the second free is refused.
    if (header->state != StateInUse) {
        assert(!"ReuseAllocator: block freed twice");
        return;
    }
    header->state = StateFree;
    m_free.push_back(index);
}

uint32_t ReuseAllocatorBase::GetBlockCount() const
{
    MutexLock lock(m_lock);
    return static_cast<uint32_t>(m_blocks.size());
}

uint32_t ReuseAllocatorBase::GetFreeCount() const
{
    MutexLock lock(m_lock);
    return static_cast<uint32_t>(m_free.size());
}

uint32_t ReuseAllocatorBase::GetBlockCapacity() const
{
    MutexLock lock(m_lock);
    return static_cast<uint32_t>(m_blocks.capacity());
}

} // namespace VQ
