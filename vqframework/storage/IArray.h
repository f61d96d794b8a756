// The one list interface of the framework: positions, index access, growth, insertion and removal,
// with shared defaults so that an implementation supplies little more than its storage.
#pragma once

#include "vqframework/objectbase/Result.h"

#include <cassert>
#include <cstdint>

namespace VQ {

// A place in a list, interpreted only by the list that issued it; arrays use element addresses.
// A distinct type keeps GetAt(0) from being read as a position.
enum class ListPosition : uintptr_t {};

template <class T> class IIterable {
public:
    using Position = ListPosition;

    struct Iterator {
        IIterable* container = nullptr;
        Position position{};
    };
    struct ConstIterator {
        const IIterable* container = nullptr;
        Position position{};
    };

    virtual uint32_t GetCount() const = 0;
    virtual uint32_t GetMaxCount() const { return 0x7FFFFFFF; }
    virtual ConstIterator& Begin(ConstIterator& out) const
    {
        out.container = this;
        out.position = GetFirstPosition();
        return out;
    }
    virtual Iterator& Begin(Iterator& out)
    {
        out.container = this;
        out.position = GetFirstPosition();
        return out;
    }
    virtual ConstIterator& End(ConstIterator& out) const
    {
        out.container = this;
        out.position = GetEndPosition();
        return out;
    }
    virtual Iterator& End(Iterator& out)
    {
        out.container = this;
        out.position = GetEndPosition();
        return out;
    }
    virtual const T& GetAt(Position position) const { return const_cast<IIterable*>(this)->GetAt(position); }
    virtual T& GetAt(Position position) = 0;
    virtual const T& GetAt(uint32_t index) const { return const_cast<IIterable*>(this)->GetAt(index); }
    // Lists without contiguous storage reach an index by walking from the first position.
    virtual T& GetAt(uint32_t index)
    {
        Position position = GetFirstPosition();
        for (uint32_t i = 0; i < index; ++i)
            position = Advance(position, 1);
        return GetAt(position);
    }
    virtual Position Advance(Position position, int32_t n) const = 0;
    virtual Position GetFirstPosition() const = 0;
    virtual Position GetEndPosition() const = 0;
    virtual int32_t SetCount(uint32_t n) = 0;
    virtual int32_t InsertSpace(uint32_t index, uint32_t n) = 0;
    virtual int32_t Remove(uint32_t index, uint32_t n) = 0;
    virtual VQRESULT Clear() { return SetCount(0) == 0 ? S_OK : E_FAIL; }
    virtual int32_t InsertAt(uint32_t index, const T& value)
    {
        // Copied first: value may be an element of this list, which the insertion moves.
        T copy(value);
        int32_t result = InsertSpace(index, 1);
        if (result >= 0)
            GetAt(index) = copy;
        return result;
    }
    // The index is tested here as well, so a bad index never reads outside the list.
    virtual int32_t RemoveItem(uint32_t index, T& out)
    {
        if (index >= GetCount())
            return E_INVALIDARG;
        out = GetAt(index);
        return Remove(index, 1);
    }
    virtual int32_t Append(const IIterable& list)
    {
        uint32_t count = GetCount();
        int32_t grown = Grow(list.GetCount());
        if (grown <= static_cast<int32_t>(count))
            return grown;
        // Taken after the growth, so that a list appended to itself copies its original elements.
        ConstIterator source;
        list.Begin(source);
        Position target = Advance(GetFirstPosition(), static_cast<int32_t>(count));
        try {
            for (uint32_t k = count; k < static_cast<uint32_t>(grown); ++k) {
                GetAt(target) = source.container->GetAt(source.position);
                source.position = source.container->Advance(source.position, 1);
                target = Advance(target, 1);
            }
        } catch (...) {
            // A copy that failed (of an element that cannot be shared) gives the room back.
            SetCount(count);
            throw;
        }
        return grown;
    }
    virtual int32_t Add(const T& value) { return InsertAt(GetCount(), value); }
    virtual int32_t RemoveLast(T& out) { return RemoveItem(GetCount() - 1, out); }
    virtual int32_t Assign(const IIterable& list)
    {
        if (&list == this)
            return static_cast<int32_t>(GetCount());
        SetCount(0);
        return Append(list);
    }
    virtual VQRESULT Swap(uint32_t index1, uint32_t index2)
    {
        uint32_t count = GetCount();
        if (index1 >= count || index2 >= count)
            return E_INVALIDARG;
        T temporary(GetAt(index1));
        GetAt(index1) = GetAt(index2);
        GetAt(index2) = temporary;
        return S_OK;
    }

    // Index of the first element equal to value, or -1.
    int32_t Find(const T& value) const
    {
        ConstIterator it;
        ConstIterator end;
        Begin(it);
        End(end);
        for (int32_t index = 0; it.position != end.position; ++index) {
            if (it.container->GetAt(it.position) == value)
                return index;
            it.position = it.container->Advance(it.position, 1);
        }
        return -1;
    }

    bool IsEqual(const IIterable& other) const
    {
        if (GetCount() != other.GetCount())
            return false;
        ConstIterator mine;
        ConstIterator theirs;
        ConstIterator end;
        Begin(mine);
        other.Begin(theirs);
        End(end);
        while (mine.position != end.position) {
            if (!(mine.container->GetAt(mine.position) == theirs.container->GetAt(theirs.position)))
                return false;
            mine.position = mine.container->Advance(mine.position, 1);
            theirs.position = theirs.container->Advance(theirs.position, 1);
        }
        return true;
    }

    // One past the last element of a list whose positions are element addresses; null when empty.
    const T* GetDataEnd() const { return reinterpret_cast<const T*>(GetEndPosition()); }
    T* GetDataEnd() { return reinterpret_cast<T*>(GetEndPosition()); }

protected:
    IIterable() = default;
    IIterable(const IIterable&) = default;
    IIterable& operator=(const IIterable&) = default;
    ~IIterable() = default;

    // The growth step of Append: the new count, the old count when nothing is added, or E_FAIL
    // when the count cannot reach the sum (including a sum past the largest count).
    int32_t Grow(uint32_t added)
    {
        uint32_t count = GetCount();
        if (added == 0)
            return static_cast<int32_t>(count);
        uint64_t total = uint64_t(count) + added;
        if (total > 0x7FFFFFFF)
            return E_FAIL;
        if (SetCount(static_cast<uint32_t>(total)) != static_cast<int32_t>(total))
            return E_FAIL;
        return static_cast<int32_t>(total);
    }
};

// A list whose elements lie next to each other in memory; positions are element addresses.
template <class T> class IArray : public IIterable<T> {
public:
    using typename IIterable<T>::Position;
    using IIterable<T>::GetAt;
    using IIterable<T>::GetCount;

    T& GetAt(Position position) override { return *reinterpret_cast<T*>(position); }
    T& GetAt(uint32_t index) override
    {
        assert(index < GetCount());
        return GetData()[index];
    }
    Position Advance(Position position, int32_t n) const override
    {
        uintptr_t first = static_cast<uintptr_t>(GetFirstPosition());
        if (first == 0)
            return Position{};
        uintptr_t end = static_cast<uintptr_t>(GetEndPosition());
        uintptr_t current = static_cast<uintptr_t>(position);
        uintptr_t target;
        if (n >= 0) {
            uintptr_t step = static_cast<uintptr_t>(n) * sizeof(T);
            target = current > end || end - current <= step ? end : current + step;
        } else {
            uintptr_t step = static_cast<uintptr_t>(-static_cast<int64_t>(n)) * sizeof(T);
            target = current < step ? first : current - step;
        }
        if (target < first)
            target = first;
        if (target > end)
            target = end;
        return static_cast<Position>(target);
    }
    Position GetFirstPosition() const override
    {
        return GetCount() == 0 ? Position{} : static_cast<Position>(reinterpret_cast<uintptr_t>(GetData()));
    }
    Position GetEndPosition() const override
    {
        return GetCount() == 0 ? Position{}
                               : static_cast<Position>(reinterpret_cast<uintptr_t>(GetData() + GetCount()));
    }
    int32_t Append(const IIterable<T>& list) override
    {
        uint32_t count = GetCount();
        int32_t grown = this->Grow(list.GetCount());
        if (grown <= static_cast<int32_t>(count))
            return grown;
        typename IIterable<T>::ConstIterator source;
        list.Begin(source);
        T* target = GetData() + count;
        try {
            for (uint32_t k = count; k < static_cast<uint32_t>(grown); ++k) {
                *target++ = source.container->GetAt(source.position);
                source.position = source.container->Advance(source.position, 1);
            }
        } catch (...) {
            // A copy that failed (of an element that cannot be shared) gives the room back.
            this->SetCount(count);
            throw;
        }
        return grown;
    }
    VQRESULT Swap(uint32_t index1, uint32_t index2) override
    {
        uint32_t count = GetCount();
        if (index1 >= count || index2 >= count)
            return E_INVALIDARG;
        T* data = GetData();
        T temporary(data[index1]);
        data[index1] = data[index2];
        data[index2] = temporary;
        return S_OK;
    }

    virtual const T* GetData() const { return const_cast<IArray*>(this)->GetData(); }
    virtual T* GetData() = 0;

    // The elements as a contiguous range, for range-for and std::span. Empty lists may have no
    // storage: both ends are then null.
    T* begin() { return GetData(); }
    T* end()
    {
        T* data = GetData();
        return data ? data + GetCount() : data;
    }
    const T* begin() const { return GetData(); }
    const T* end() const
    {
        const T* data = GetData();
        return data ? data + GetCount() : data;
    }

protected:
    IArray() = default;
    IArray(const IArray&) = default;
    IArray& operator=(const IArray&) = default;
    ~IArray() = default;
};

} // namespace VQ
