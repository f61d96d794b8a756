// A list of plain values kept as raw bytes in a buffer; new elements are zero bytes.
#pragma once

#include "vqframework/storage/BufferT.h"
#include "vqframework/storage/IArray.h"

#include <cstring>
#include <type_traits>

namespace VQ {

// The list's GetData hides the buffer's untyped one on purpose: unqualified calls get the elements.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Woverloaded-virtual"
#endif

// Granule and Reserve are counted in elements. T is moved and copied as raw bytes, and its zero
// bytes must be a valid value. Step is carried for the instantiations' sake only.
template <class T, uint32_t Granule = 1, uint32_t Reserve = 0, uint32_t Step = 1, uint32_t Alignment = 8,
          AllocatorFunction Allocator = &GetSystemAllocator>
class ArrayBuffer : public IArray<T>, public BufferT<Granule * sizeof(T), Reserve * sizeof(T), Alignment, T*, Allocator> {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved as raw bytes");

    using Buffer = BufferT<Granule * sizeof(T), Reserve * sizeof(T), Alignment, T*, Allocator>;

public:
    using IArray<T>::GetAt;
    using IArray<T>::GetData;

    ArrayBuffer() : Buffer(0, 0, true) {}
    ArrayBuffer(const ArrayBuffer&) = delete;
    ArrayBuffer& operator=(const ArrayBuffer&) = delete;

    uint32_t GetCount() const override { return this->GetSize() / sizeof(T); }

    int32_t SetCount(uint32_t n) override
    {
        uint32_t old = GetCount();
        int32_t result = SetBufferCount(n);
        if (result >= 0 && n > old) {
            if (sizeof(T) % 2 == 0)
                this->Fill16(0, old * sizeof(T), -1);
            else
                this->Fill(0, old * sizeof(T), -1);
        }
        return result;
    }

    int32_t InsertSpace(uint32_t index, uint32_t n) override
    {
        uint32_t count = GetCount();
        if (n == 0)
            return static_cast<int32_t>(count);
        if (index > count)
            return E_INVALIDARG;
        if (uint64_t(count) + n > 0x7FFFFFFF)
            return E_FAIL;
        // A growth that fell short must not be reported as a count, or InsertAt would write past it.
        if (index == count) {
            int32_t grown = SetCount(count + n);
            return grown == static_cast<int32_t>(count + n) ? grown : E_FAIL;
        }
        int32_t result = SetBufferCount(count + n);
        if (result < 0)
            return result;
        if (static_cast<uint32_t>(result) != count + n)
            return E_FAIL;
        T* data = GetData();
        std::memmove(static_cast<void*>(data + index + n), data + index, (count - index) * sizeof(T));
        std::memset(static_cast<void*>(data + index), 0, n * sizeof(T));
        return static_cast<int32_t>(count + n);
    }

    int32_t Remove(uint32_t index, uint32_t n) override
    {
        uint32_t count = GetCount();
        if (n == 0)
            return static_cast<int32_t>(count);
        if (index > count || n > count - index)
            return E_INVALIDARG;
        T* data = GetData();
        if (count - index - n > 0)
            std::memmove(static_cast<void*>(data + index), data + index + n, (count - index - n) * sizeof(T));
        return SetBufferCount(count - n);
    }

    T* GetData() override { return this->GetTypedData(); }

    // The buffer resized to n elements, contents kept; returns the count it then holds.
    virtual int32_t SetBufferCount(uint32_t n)
    {
        if (uint64_t(n) * sizeof(T) > 0x7FFFFFFF)
            return static_cast<int32_t>(GetCount());
        return static_cast<int32_t>(this->Resize(n * sizeof(T)) / sizeof(T));
    }
};

// An ArrayBuffer that keeps up to N elements inside the object and uses its buffer only beyond.
template <class T, uint32_t N, uint32_t Granule = 1, uint32_t Reserve = 0, uint32_t Step = 1, uint32_t Alignment = 8,
          AllocatorFunction Allocator = &GetSystemAllocator>
class ArrayBufferM : public ArrayBuffer<T, Granule, Reserve, Step, Alignment, Allocator> {
    using Base = ArrayBuffer<T, Granule, Reserve, Step, Alignment, Allocator>;

public:
    using IArray<T>::GetData;

    ArrayBufferM() = default;

    // The inline count is 0 whenever the buffer holds the elements.
    uint32_t GetCount() const override { return m_inlineCount != 0 ? m_inlineCount : Base::GetCount(); }

    T* GetData() override { return GetCount() <= N ? m_items : Base::GetData(); }

    int32_t SetBufferCount(uint32_t n) override
    {
        uint32_t current = GetCount();
        if (current > N && n <= N) {
            std::memcpy(static_cast<void*>(m_items), Base::GetData(), n * sizeof(T));
            m_inlineCount = n;
            this->SetSize(0);
            return static_cast<int32_t>(n);
        }
        if (current > N)
            return Base::SetBufferCount(n);
        if (n > N) {
            if (uint64_t(n) * sizeof(T) > 0x7FFFFFFF || this->SetSize(n * sizeof(T)) != n * sizeof(T))
                return static_cast<int32_t>(current);
            std::memcpy(static_cast<void*>(Base::GetData()), m_items, current * sizeof(T));
            m_inlineCount = 0;
            return static_cast<int32_t>(n);
        }
        m_inlineCount = n;
        return static_cast<int32_t>(n);
    }

    // While the elements are inline, the fills work on the inline bytes in use.
    VQRESULT Fill(uint8_t value, uint32_t offset, int32_t count) override
    {
        if (GetCount() > N)
            return Base::Fill(value, offset, count);
        uint64_t bytes;
        if (!InlineRange(offset, count, 1, bytes))
            return E_INVALIDARG;
        std::memset(reinterpret_cast<char*>(m_items) + offset, value, bytes);
        return S_OK;
    }

    VQRESULT Fill16(uint16_t value, uint32_t offset, int32_t count) override
    {
        if (GetCount() > N)
            return Base::Fill16(value, offset, count);
        uint64_t units;
        if (!InlineRange(offset, count, 2, units))
            return E_INVALIDARG;
        // The range test kept the fill inside the inline bytes in use; the loop bound says so
        // again in terms of the inline array, where the compiler's bounds analysis can see it.
        char* const bytes = reinterpret_cast<char*>(m_items);
        const uint64_t end = offset + 2 * units;
        for (uint64_t at = offset; at + 2 <= end && at + 2 <= sizeof(m_items); at += 2)
            std::memcpy(bytes + at, &value, 2);
        return S_OK;
    }

private:
    // How many units of width bytes a fill from offset may write over the inline bytes in use.
    bool InlineRange(uint32_t offset, int32_t count, uint32_t width, uint64_t& units) const
    {
        return FillRange(GetCount() * sizeof(T), offset, count, width, units);
    }

    uint32_t m_inlineCount = 0;
    T m_items[N] = {};
};

#if defined(__clang__)
#pragma clang diagnostic pop
#endif

} // namespace VQ
