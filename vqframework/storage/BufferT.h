// A block of raw bytes on the heap with a size in use, grown and cut back by granule and slack rules.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/Allocator.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace VQ {

class IBuffer {
public:
    virtual uint32_t GetSize() const = 0;
    // Contents are not kept. Returns the new size, or the old one when memory ran out.
    virtual uint32_t SetSize(uint32_t size) = 0;
    // Contents are kept up to the smaller size. Returns the new size, or the old one when memory ran out.
    virtual uint32_t Resize(uint32_t size) = 0;
    // A negative count means up to the end.
    virtual VQRESULT Fill(uint8_t value, uint32_t offset, int32_t count) = 0;
    // Offset in bytes, count in 16-bit units; a negative count means as many whole units as fit.
    virtual VQRESULT Fill16(uint16_t value, uint32_t offset, int32_t count) = 0;
    virtual uint32_t GetCapacity() const = 0;
    // Null while no block exists.
    virtual char* GetData() const = 0;

    // Null when offset is not inside the size.
    char* GetPointer(uint32_t offset) const
    {
        if (offset >= GetSize())
            return nullptr;
        return GetData() + offset;
    }

protected:
    ~IBuffer() = default;
};

using AllocatorFunction = IAllocator& (*)();

// How many units of width bytes a fill of count units from offset writes into size bytes; a negative
// count means "to the end". False when the range leaves the bytes in use.
inline bool FillRange(uint32_t size, uint32_t offset, int32_t count, uint32_t width, uint64_t& units)
{
    if (count < 0) {
        if (offset > size)
            return false;
        units = (size - offset) / width;
        return true;
    }
    units = static_cast<uint32_t>(count);
    return uint64_t(offset) + width * units <= size;
}

// Granule: every capacity chosen is a multiple of it. Reserve: spare bytes tolerated before the
// block is cut back (at least Granule - 1). Alignment is carried for the instantiations' sake only.
// P is the element pointer type the typed accessor hands out; the buffer itself counts bytes.
template <uint32_t Granule, uint32_t Reserve, uint32_t Alignment, class P, AllocatorFunction Allocator = &GetSystemAllocator>
class BufferT : public virtual IBuffer {
    static_assert(Granule > 0, "a granule of 0 bytes rounds nothing");
    static_assert(std::is_pointer_v<P>, "the data type is a pointer type");

public:
    static constexpr uint32_t Slack = Reserve > Granule - 1 ? Reserve : Granule - 1;

    explicit BufferT(uint32_t size = 0, uint32_t reserveSize = 0, bool zeroFill = false)
    {
        if (reserveSize > size) {
            if (void* block = Allocator().Allocate(reserveSize)) {
                m_block = block;
                m_data = static_cast<P>(block);
                m_capacity = reserveSize;
            }
        }
        Resize(size);
        if (zeroFill && m_size != 0)
            std::memset(m_block, 0, m_size);
    }

    BufferT(const BufferT&) = delete;
    BufferT& operator=(const BufferT&) = delete;

    virtual ~BufferT()
    {
        if (m_block) {
            Allocator().Free(m_block);
            m_data = nullptr;
            m_size = 0;
            m_block = nullptr;
            m_capacity = 0;
        }
    }

    uint32_t GetSize() const override { return m_size; }
    uint32_t GetCapacity() const override { return m_capacity; }
    char* GetData() const override { return static_cast<char*>(m_block); }
    P GetTypedData() const { return m_data; }

    uint32_t SetSize(uint32_t size) override
    {
        if (size == 0) {
            if (m_block) {
                m_size = 0;
                m_data = nullptr;
                Allocator().Free(m_block);
                m_block = nullptr;
                m_capacity = 0;
            }
            return m_size;
        }
        uint64_t capacity = RoundUp(size);
        if (capacity > UINT32_MAX)
            return m_size;
        if (capacity != m_capacity) {
            // The new block comes first, so that a failed allocation leaves the buffer as it was.
            void* block = Allocator().Allocate(static_cast<size_t>(capacity));
            if (!block)
                return m_size;
            if (m_block)
                Allocator().Free(m_block);
            m_block = block;
            m_data = static_cast<P>(block);
            m_capacity = static_cast<uint32_t>(capacity);
        }
        m_size = size;
        return size;
    }

    uint32_t Resize(uint32_t size) override
    {
        if (m_capacity == 0)
            return SetSize(size);
        if (m_capacity >= size && m_capacity - size <= Slack) {
            m_size = size;
            return size;
        }
        uint64_t capacity = RoundUp(size);
        if (capacity > UINT32_MAX)
            return m_size;
        void* block = Allocator().Reallocate(m_block, static_cast<size_t>(capacity));
        if (!block && capacity != 0)
            return m_size;
        m_block = block;
        m_data = static_cast<P>(block);
        m_capacity = static_cast<uint32_t>(capacity);
        m_size = size;
        return size;
    }

    VQRESULT Fill(uint8_t value, uint32_t offset, int32_t count) override
    {
        uint64_t bytes;
        if (!FillRange(GetSize(), offset, count, 1, bytes))
            return E_INVALIDARG;
        if (bytes != 0)
            std::memset(GetPointer(offset), value, static_cast<size_t>(bytes));
        return S_OK;
    }

    VQRESULT Fill16(uint16_t value, uint32_t offset, int32_t count) override
    {
        uint64_t units;
        if (!FillRange(GetSize(), offset, count, 2, units))
            return E_INVALIDARG;
        char* cursor = units != 0 ? GetPointer(offset) : nullptr;
        for (uint64_t i = 0; i < units; ++i, cursor += 2)
            std::memcpy(cursor, &value, 2);
        return S_OK;
    }

private:
    static uint64_t RoundUp(uint32_t size) { return (uint64_t(size) + Granule - 1) / Granule * Granule; }

    P m_data = nullptr;
    uint32_t m_size = 0;
    void* m_block = nullptr;
    uint32_t m_capacity = 0;
};

// A counted buffer; strings and owned variant texts share it and copy it before writing.
class LIBuffer : public virtual IBuffer, public virtual LRefCountedObject {
public:
    // length bytes holding this buffer's bytes from offset as far as they reach, the rest zero.
    virtual ConstRCPtr<LIBuffer> CreateSubCopy(uint32_t length, uint32_t offset) const = 0;
    RCPtr<LRefCountedObject> CreateCopy() const override = 0;
};

template <uint32_t Granule, uint32_t Reserve, uint32_t Alignment, class P, AllocatorFunction Allocator = &GetSystemAllocator>
class LBufferT : public BufferT<Granule, Reserve, Alignment, P, Allocator>, public LIBuffer {
    using Base = BufferT<Granule, Reserve, Alignment, P, Allocator>;

public:
    explicit LBufferT(uint32_t size = 0, uint32_t reserveSize = 0, bool zeroFill = false)
        : Base(size, reserveSize, zeroFill)
    {
    }

    // The new buffer in a pointer that holds its first reference.
    static ConstRCPtr<LIBuffer> Create(uint32_t size, uint32_t reserveSize, bool zeroFill)
    {
        return ConstRCPtr<LIBuffer>(new LBufferT(size, reserveSize, zeroFill));
    }

    RCPtr<LRefCountedObject> CreateCopy() const override
    {
        const uint32_t size = this->GetSize();
        // Every byte is overwritten, so the copy need not be zero-filled first.
        RCPtr<LRefCountedObject> copy = new LBufferT(size, 0, false);
        auto* buffer = dynamic_cast<LBufferT*>(copy.Get());
        const uint32_t copied = buffer->GetSize();
        if (copied != 0)
            std::memcpy(buffer->GetData(), this->GetData(), copied);
        return copy;
    }

    ConstRCPtr<LIBuffer> CreateSubCopy(uint32_t length, uint32_t offset) const override
    {
        auto* buffer = new LBufferT(length, 0, false);
        ConstRCPtr<LIBuffer> copy(buffer);
        const uint32_t size = this->GetSize();
        const uint32_t capacity = buffer->GetSize();
        uint32_t copied = 0;
        if (offset < size) {
            copied = size - offset < capacity ? size - offset : capacity;
            if (copied != 0)
                std::memcpy(buffer->GetData(), this->GetData() + offset, copied);
        }
        if (capacity > copied)
            std::memset(buffer->GetData() + copied, 0, capacity - copied);
        return copy;
    }
};

} // namespace VQ
