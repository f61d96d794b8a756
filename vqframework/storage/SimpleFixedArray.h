// A list of at most N plain values kept inside the object, for short messages built on the stack.
#pragma once

#include "vqframework/storage/IArray.h"

#include <cstring>
#include <type_traits>

namespace VQ {

template <class T, uint32_t N> class SimpleFixedArray final : public IArray<T> {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved as raw bytes");

public:
    // The elements start as zero bytes and are written through GetData; a count above N is cut to N.
    explicit SimpleFixedArray(uint32_t count = 0) : m_count(count > N ? N : count) {}

    uint32_t GetCount() const override { return m_count; }
    uint32_t GetMaxCount() const override { return N; }
    // Elements gained keep whatever bytes the storage held.
    int32_t SetCount(uint32_t n) override
    {
        m_count = n > N ? N : n;
        return static_cast<int32_t>(m_count);
    }
    int32_t InsertSpace(uint32_t index, uint32_t n) override
    {
        uint32_t count = m_count;
        if (n == 0)
            return static_cast<int32_t>(count);
        if (index > count || uint64_t(count) + n > N)
            return E_INVALIDARG;
        SetCount(count + n);
        if (index < count)
            std::memmove(m_items + index + n, m_items + index, (count - index) * sizeof(T));
        return static_cast<int32_t>(count + n);
    }
    int32_t Remove(uint32_t index, uint32_t n) override
    {
        uint32_t count = m_count;
        if (n == 0)
            return static_cast<int32_t>(count);
        if (index > count || n > count - index)
            return E_INVALIDARG;
        if (count - index - n > 0)
            std::memmove(m_items + index, m_items + index + n, (count - index - n) * sizeof(T));
        return SetCount(count - n);
    }

    T* GetData() override { return m_items; }
    using IArray<T>::GetData;

private:
    uint32_t m_count;
    T m_items[N] = {};
};

} // namespace VQ
