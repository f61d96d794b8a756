#include "vqframework/storage/Allocator.h"

#include <cstdlib>
#include <new>

namespace VQ {

void* SystemAllocator::Allocate(size_t size)
{
    return std::malloc(size);
}

void* SystemAllocator::AllocateZeroed(size_t count, size_t size)
{
    return std::calloc(count, size);
}

void* SystemAllocator::Reallocate(void* block, size_t size)
{
    // realloc(p, 0) is implementation-defined; buffers rely on it freeing the block.
    if (size == 0) {
        std::free(block);
        return nullptr;
    }
    return std::realloc(block, size);
}

void SystemAllocator::Free(void* block)
{
    std::free(block);
}

namespace {
// Constant-initialised and trivially destructible, so it is usable before and after any static user.
constinit SystemAllocator g_systemAllocator;
} // namespace

IAllocator& GetSystemAllocator()
{
    return g_systemAllocator;
}

} // namespace VQ
