// A list of any copyable value, kept in a standard vector.
#pragma once

#include "vqframework/storage/IArray.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

namespace VQ {

template <class T> class Array : public IArray<T> {
public:
    using IArray<T>::GetAt;

    Array() = default;
    Array(const Array&) = default;
    Array& operator=(const Array&) = default;
    // Moves take the storage over and leave the source empty.
    Array(Array&&) noexcept = default;
    Array& operator=(Array&&) noexcept = default;
    virtual ~Array() = default;

    uint32_t GetCount() const override { return static_cast<uint32_t>(m_items.size()); }
    // Index access is range-checked: a bad index throws std::out_of_range.
    T& GetAt(uint32_t index) override { return m_items.at(index); }
    int32_t SetCount(uint32_t n) override
    {
        m_items.resize(n);
        return static_cast<int32_t>(m_items.size());
    }
    int32_t InsertSpace(uint32_t index, uint32_t n) override
    {
        if (index > GetCount())
            return E_INVALIDARG;
        m_items.insert(m_items.begin() + index, n, T());
        return static_cast<int32_t>(m_items.size());
    }
    int32_t Remove(uint32_t index, uint32_t n) override
    {
        uint32_t count = GetCount();
        if (index >= count || n > count - index)
            return E_INVALIDARG;
        m_items.erase(m_items.begin() + index, m_items.begin() + index + n);
        return static_cast<int32_t>(m_items.size());
    }
    int32_t InsertAt(uint32_t index, const T& value) override
    {
        if (index > GetCount())
            return E_INVALIDARG;
        m_items.insert(m_items.begin() + index, value);
        return static_cast<int32_t>(index);
    }
    int32_t RemoveItem(uint32_t index, T& out) override
    {
        out = GetAt(index);
        return Remove(index, 1);
    }

    T* GetData() override { return m_items.empty() ? nullptr : m_items.data(); }
    using IArray<T>::GetData;

    // Copies the source bytes that fall inside the current count, from offset on; returns how
    // many were copied (0 when offset is at or past the end). The array never grows here.
    uint32_t Write(const signed char* source, uint32_t count, uint32_t offset)
        requires std::is_same_v<T, signed char>
    {
        uint32_t size = GetCount();
        if (offset >= size || source == nullptr)
            return 0;
        uint32_t copied = std::min(count, size - offset);
        std::memmove(m_items.data() + offset, source, copied);
        return copied;
    }

private:
    std::vector<T> m_items;
};

} // namespace VQ
