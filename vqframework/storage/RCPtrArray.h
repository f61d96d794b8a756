// An owning list of counted pointers seen through two faces over one storage: a writable one whose
// elements are RCPtr<X> and the read-only one of its ConstRCPtrArray base.
#pragma once

#include "vqframework/objectbase/TaggableObject.h"
#include "vqframework/storage/ConstRCPtrArray.h"

namespace VQ {

// The writable face's InsertAt, RemoveItem and RemoveLast hide the read-only face's on purpose:
// unqualified calls are meant for the writable face.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Woverloaded-virtual"
#endif

template <class X, uint32_t Granule = 1, uint32_t Reserve = 0>
class RCPtrArray : public IArray<RCPtr<X>>, public ConstRCPtrArray<X, Granule, Reserve> {
    using Face = IArray<RCPtr<X>>;
    using ReadOnly = ConstRCPtrArray<X, Granule, Reserve>;

public:
    // Unqualified calls go to the writable face; the read-only face is reached through a
    // ConstRCPtrArray or IArray<ConstRCPtr<X>> reference.
    using Face::Add;
    using Face::Advance;
    using Face::Append;
    using Face::Begin;
    using Face::begin;
    using Face::Clear;
    using Face::End;
    using Face::end;
    using Face::Find;
    using Face::GetAt;
    using Face::GetData;
    using Face::GetDataEnd;
    using Face::GetEndPosition;
    using Face::GetFirstPosition;
    using Face::GetMaxCount;
    using Face::IsEqual;
    using typename Face::ConstIterator;
    using typename Face::Iterator;
    using typename Face::Position;

    explicit RCPtrArray(uint32_t initialCount = 0, uint32_t reserveCount = 0) : ReadOnly(initialCount, reserveCount) {}

    uint32_t GetCount() const override { return ReadOnly::GetCount(); }
    int32_t SetCount(uint32_t n) override { return ReadOnly::SetCount(n); }
    int32_t InsertSpace(uint32_t index, uint32_t n) override { return ReadOnly::InsertSpace(index, n); }
    int32_t Remove(uint32_t index, uint32_t n) override { return ReadOnly::Remove(index, n); }

    // As the read-only face's: the source may belong to an element that the emptying releases.
    int32_t Assign(const IIterable<RCPtr<X>>& list) override
    {
        if (&list == this)
            return static_cast<int32_t>(GetCount());
        RCPtrArray<X> held;
        const int32_t copied = held.Append(list);
        SetCount(0);
        return copied < 0 ? copied : Face::Append(held);
    }

    // As on the read-only face: the reference is taken before the room is made.
    int32_t InsertAt(uint32_t index, const RCPtr<X>& value) override
    {
        RCPtr<X> taken(value);
        int32_t result = ReadOnly::InsertSpace(index, 1);
        if (result < 0)
            return result;
        GetAt(index) = std::move(taken);
        return static_cast<int32_t>(index);
    }

    int32_t RemoveItem(uint32_t index, RCPtr<X>& out) override
    {
        if (index >= GetCount() || !this->TakeSlot(index, ReadOnly::Raw(out)))
            VQ_THROW(std::out_of_range);
        return static_cast<int32_t>(GetCount());
    }

    int32_t RemoveLast(RCPtr<X>& out) override
    {
        out.Release();
        return this->TakeLast(ReadOnly::Raw(out));
    }

    // Raw, as on the read-only face: no reference changes hands, no unshareable element is copied,
    // and there is nothing to fail halfway.
    VQRESULT Swap(uint32_t index1, uint32_t index2) override { return ReadOnly::Swap(index1, index2); }

    RCPtr<X>* GetData() override { return reinterpret_cast<RCPtr<X>*>(this->Slots()); }
};

// A counted-pointer list that is itself a counted, taggable object, shared through counted pointers.
template <class X, uint32_t Granule = 1, uint32_t Reserve = 0>
class LRCPtrArray : public RCPtrArray<X, Granule, Reserve>, public LTaggableObject {
public:
    explicit LRCPtrArray(uint32_t initialCount = 0, uint32_t reserveCount = 0)
        : RCPtrArray<X, Granule, Reserve>(initialCount, reserveCount)
    {
    }

    static RCPtr<LRCPtrArray> Create(uint32_t initialCount, uint32_t reserveCount)
    {
        return RCPtr<LRCPtrArray>(new LRCPtrArray(initialCount, reserveCount));
    }

    // The elements go before the tag.
    ~LRCPtrArray() override { this->SetCount(0); }
};

#if defined(__clang__)
#pragma clang diagnostic pop
#endif

} // namespace VQ
