// An owning list of counted pointers with read access: every non-empty slot holds one reference.
#pragma once

#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/storage/BufferT.h"
#include "vqframework/storage/IArray.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace VQ {

// The list's GetData hides the buffer's untyped one on purpose: unqualified calls get the slots.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Woverloaded-virtual"
#endif

// Granule and Reserve are counted in slots. Slots are raw object pointers that are at the same time
// counted pointers in place; moves inside the storage are raw and change no reference count.
template <class X, uint32_t Granule = 1, uint32_t Reserve = 0>
class ConstRCPtrArray : public IArray<ConstRCPtr<X>>,
                        public BufferT<Granule * sizeof(X*), Reserve * sizeof(X*), 8, X**> {
    static_assert(sizeof(ConstRCPtr<X>) == sizeof(X*) && std::is_standard_layout_v<ConstRCPtr<X>>,
                  "a slot is a counted pointer in place");
    static_assert(sizeof(RCPtr<X>) == sizeof(X*) && std::is_standard_layout_v<RCPtr<X>>,
                  "a slot is a counted pointer in place");

    using Face = IArray<ConstRCPtr<X>>;
    using Buffer = BufferT<Granule * sizeof(X*), Reserve * sizeof(X*), 8, X**>;

public:
    static constexpr uint32_t SlotSize = sizeof(X*);

    using Face::GetAt;
    using Face::GetData;

    // A reservation beyond the initial count survives only within the slack; all slots start empty.
    explicit ConstRCPtrArray(uint32_t initialCount = 0, uint32_t reserveCount = 0)
        : Buffer(SlotBytes(initialCount), SlotBytes(reserveCount), true)
    {
    }
    ConstRCPtrArray(const ConstRCPtrArray&) = delete;
    ConstRCPtrArray& operator=(const ConstRCPtrArray&) = delete;

    // The elements leave from the back, each released once the next is out, so in reverse index
    // order; elements that a release removes from this list meanwhile are not missed (see Truncate).
    ~ConstRCPtrArray() override { ConstRCPtrArray::SetCount(0); }

    uint32_t GetCount() const override { return this->GetSize() / SlotSize; }

    int32_t SetCount(uint32_t n) override
    {
        uint32_t count = GetCount();
        if (n < count)
            return Truncate(n);
        if (n == count)
            return static_cast<int32_t>(n);
        if (!ResizeSlots(n))
            return static_cast<int32_t>(count);
        std::memset(static_cast<void*>(Slots() + count), 0, (n - count) * SlotSize);
        return static_cast<int32_t>(n);
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
            int32_t grown = ConstRCPtrArray::SetCount(count + n);
            return grown == static_cast<int32_t>(count + n) ? grown : E_FAIL;
        }
        if (!ResizeSlots(count + n))
            return E_FAIL;
        X** slots = Slots();
        std::memmove(static_cast<void*>(slots + index + n), slots + index, (count - index) * SlotSize);
        std::memset(static_cast<void*>(slots + index), 0, n * SlotSize);
        return static_cast<int32_t>(count + n);
    }

    // A range past the end throws the same exception as RemoveItem, before anything is removed; so
    // does a range that the releases made along the way have cut short (see TakeSlot).
    int32_t Remove(uint32_t index, uint32_t n) override
    {
        if (n == 0)
            return static_cast<int32_t>(GetCount());
        ConstRCPtr<X> removed;
        if (uint64_t(index) + n > GetCount())
            ConstRCPtrArray::RemoveItem(GetCount(), removed);
        for (uint32_t i = 0; i < n; ++i)
            ConstRCPtrArray::RemoveItem(index, removed);
        int32_t result = static_cast<int32_t>(GetCount());
        removed.Release();
        return result;
    }

    // Emptying releases the old elements, and the source may be a list that one of them owns (a
    // node taking over its child's children): its elements are held apart before they go.
    int32_t Assign(const IIterable<ConstRCPtr<X>>& list) override
    {
        if (&list == this)
            return static_cast<int32_t>(GetCount());
        ConstRCPtrArray<X> held;
        const int32_t copied = held.Append(list);
        this->SetCount(0);
        return copied < 0 ? copied : Face::Append(held);
    }

    // The reference is taken before the room is made: a failed copy of an unshareable value
    // leaves no empty slot behind, and a value that is one of our own slots is read before the
    // insertion moves it. The slot then takes the reference over without counting.
    int32_t InsertAt(uint32_t index, const ConstRCPtr<X>& value) override
    {
        ConstRCPtr<X> taken(value);
        int32_t result = InsertSpace(index, 1);
        if (result < 0)
            return result;
        GetAt(index) = std::move(taken);
        return static_cast<int32_t>(index);
    }

    int32_t RemoveItem(uint32_t index, ConstRCPtr<X>& out) override
    {
        if (index >= GetCount() || !TakeSlot(index, Raw(out)))
            VQ_THROW(std::out_of_range);
        return static_cast<int32_t>(GetCount());
    }

    int32_t RemoveLast(ConstRCPtr<X>& out) override
    {
        out.Release();
        return TakeLast(Raw(out));
    }

    // Raw exchange: no reference changes hands.
    VQRESULT Swap(uint32_t index1, uint32_t index2) override
    {
        uint32_t count = GetCount();
        if (index1 >= count || index2 >= count)
            return E_INVALIDARG;
        X** slots = Slots();
        X* first = slots[index1];
        slots[index1] = slots[index2];
        slots[index2] = first;
        return S_OK;
    }

    ConstRCPtr<X>* GetData() override { return reinterpret_cast<ConstRCPtr<X>*>(Slots()); }

protected:
    X** Slots() const { return this->GetTypedData(); }

    // Counts whose byte size does not fit 32 bits get no storage.
    static uint32_t SlotBytes(uint32_t count)
    {
        return uint64_t(count) * SlotSize > UINT32_MAX ? 0 : count * SlotSize;
    }

    // The pointer inside a counted pointer; both are standard-layout with the pointer first.
    template <class P> static X*& Raw(P& pointer) { return *reinterpret_cast<X**>(&pointer); }

    // False when the storage did not reach count slots (a byte size past 32 bits included).
    bool ResizeSlots(uint32_t count)
    {
        if (uint64_t(count) * SlotSize > UINT32_MAX)
            return false;
        return this->Resize(count * SlotSize) == count * SlotSize;
    }

    // Shrinks from count slots to n in at most two cuts, leaving the storage that cutting one slot
    // at a time would leave: the buffer keeps its block while the spare bytes stay within its slack.
    bool ShrinkSlots(uint32_t count, uint32_t n)
    {
        constexpr uint64_t GranuleBytes = uint64_t(Granule) * SlotSize;
        uint64_t capacity = this->GetCapacity();
        uint64_t lastCut = n;
        // Each cut falls at the largest size that leaves more than the slack spare, and rounds the
        // block to the granule; the last cut above n sets the storage the list ends with.
        while (capacity > Buffer::Slack) {
            const uint64_t cut = std::min<uint64_t>((capacity - Buffer::Slack - 1) / SlotSize, count - 1);
            if (cut < n)
                break;
            lastCut = cut;
            capacity = (cut * SlotSize + GranuleBytes - 1) / GranuleBytes * GranuleBytes;
        }
        if (lastCut != n && !ResizeSlots(uint32_t(lastCut)))
            return false;
        return ResizeSlots(n);
    }

    // Empties out, then releases what it held.
    static void ReleaseRaw(X*& out)
    {
        if (X* old = out) {
            out = nullptr;
            static_cast<const LRefCountedObject*>(old)->Release();
        }
    }

    // Releases what out held, then moves the slot's pointer into out and closes the gap. The
    // release may run code that shrinks this very list (a child leaving its parent's list while
    // the parent empties it), so the index is tested again after it: false, with out empty and
    // the slots untouched, when it no longer names a slot.
    bool TakeSlot(uint32_t index, X*& out)
    {
        ReleaseRaw(out);
        uint32_t count = GetCount();
        if (index >= count)
            return false;
        X** slots = Slots();
        out = slots[index];
        std::memmove(static_cast<void*>(slots + index), slots + index + 1, (count - index - 1) * SlotSize);
        // Emptied first, so that the slot owns nothing should the storage not shrink.
        slots[count - 1] = nullptr;
        ResizeSlots(count - 1);
        return true;
    }

    // Shrinks the list to n slots. The tail leaves the list in one go and its elements are released
    // from the back, each once the next is out: shrinking the storage slot by slot would copy it
    // each time. Short of memory for the tail, the slots leave one at a time from the back. Elements
    // that those releases remove themselves are simply gone: the goal is a shorter list, so this
    // never throws, and the destructor can empty the list through it. The last release comes after
    // the count is read, since it may delete the list's owner.
    int32_t Truncate(uint32_t n)
    {
        X* removed = nullptr;
        for (uint32_t count; (count = GetCount()) > n;) {
            const uint32_t taken = count - n;
            std::unique_ptr<X*[]> tail(taken > 1 ? new (std::nothrow) X*[taken] : nullptr);
            X* last = nullptr;
            X** out = tail ? tail.get() : &last;
            const uint32_t moved = tail ? taken : 1;
            X** slots = Slots();
            std::memcpy(static_cast<void*>(out), slots + count - moved, moved * SlotSize);
            // Emptied first, so that the slots own nothing should the storage not shrink.
            std::memset(static_cast<void*>(slots + count - moved), 0, moved * SlotSize);
            const bool shrunk = ShrinkSlots(count, count - moved);
            for (uint32_t i = moved; i-- > 0;) {
                ReleaseRaw(removed);
                removed = out[i];
            }
            if (!shrunk)
                break;
        }
        int32_t result = static_cast<int32_t>(GetCount());
        ReleaseRaw(removed);
        return result;
    }

    // out must be empty; moves the last pointer into it and shortens the list by one.
    int32_t TakeLast(X*& out)
    {
        uint32_t count = GetCount();
        if (count == 0)
            return E_FAIL;
        X** slots = Slots();
        out = slots[count - 1];
        slots[count - 1] = nullptr;
        return ConstRCPtrArray::SetCount(count - 1);
    }
};

#if defined(__clang__)
#pragma clang diagnostic pop
#endif

} // namespace VQ
