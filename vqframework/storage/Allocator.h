// The heap behind every buffer: an allocator interface and the one implementation on the C heap.
#pragma once

#include <cstddef>

namespace VQ {

class IAllocator {
public:
    virtual void* Allocate(size_t size) = 0;
    virtual void* AllocateZeroed(size_t count, size_t size) = 0;
    // A null block allocates; a size of 0 frees the block and yields null.
    virtual void* Reallocate(void* block, size_t size) = 0;
    virtual void Free(void* block) = 0;

protected:
    ~IAllocator() = default;
};

class SystemAllocator final : public IAllocator {
public:
    void* Allocate(size_t size) override;
    void* AllocateZeroed(size_t count, size_t size) override;
    void* Reallocate(void* block, size_t size) override;
    void Free(void* block) override;
};

// The process-wide system allocator; created on first use and never destroyed.
IAllocator& GetSystemAllocator();

} // namespace VQ
