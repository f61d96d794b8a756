// RCPtrMap: maps an object, by its identity, to a counted pointer; built on a hashed set of pairs.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/HashList.h"
#include "vqframework/storage/Pair.h"

#include <cstdint>

namespace VQ {

// The first object of a pair as its counted base, or empty when the pair or its first pointer is.
template <class PairT> ConstRCPtr<LRefCountedObject> GetFirstRCPtr(const RCPtr<PairT>& pair)
{
    if (pair.IsEmpty())
        return ConstRCPtr<LRefCountedObject>();
    return ConstRCPtr<LRefCountedObject>(pair->key);
}

template <class PairT, ConstRCPtr<LRefCountedObject> (*GetFirst)(const RCPtr<PairT>&), int Bits>
struct RCPtrHalfMapHelper {
    // The full address of the object's counted base: the key is the object's identity, never its
    // contents, and no bits are dropped, so distinct live objects never share a key.
    static uintptr_t GetKey(const RCPtr<PairT>& pair) { return KeyOf(GetFirst(pair)); }

    static uintptr_t KeyOf(const ConstRCPtr<LRefCountedObject>& object)
    {
        return reinterpret_cast<uintptr_t>(object.Get());
    }

    // Heap addresses vary little in their lowest 4 bits, so the bucket is taken from the bits above.
    static uint32_t GetHandleBits(const uintptr_t& key)
    {
        return static_cast<uint32_t>(key >> 4) & ((uint32_t(1) << Bits) - 1);
    }
};

// A set of counted pointers to pairs, indexed by the identity of each pair's first object.
template <class PairT, ConstRCPtr<LRefCountedObject> (*GetFirst)(const RCPtr<PairT>&), int Bits>
class RCPtrHalfMap
    : public HashedList<RCPtr<PairT>, uintptr_t, &RCPtrHalfMapHelper<PairT, GetFirst, Bits>::GetKey, Bits,
                        &RCPtrHalfMapHelper<PairT, GetFirst, Bits>::GetHandleBits> {
    using Helper = RCPtrHalfMapHelper<PairT, GetFirst, Bits>;

public:
    virtual const RCPtr<PairT>& FindPair(const ConstRCPtr<LRefCountedObject>& object) const
    {
        return this->Find(Helper::KeyOf(object), RCPtr<PairT>::Null);
    }

    virtual bool RemovePair(const ConstRCPtr<LRefCountedObject>& object) { return this->Remove(Helper::KeyOf(object)); }
};

template <class K, class V> using RCPtrMapPair = LPair<ConstRCPtr<K>, RCPtr<V>, &DescribeValue<ConstRCPtr<K>>>;

// Each pair holds a reference to its key object, so a mapped object stays alive (and its address
// stays its own) while it is mapped.
template <class K, class V, int Bits>
class RCPtrMap : public RCPtrHalfMap<RCPtrMapPair<K, V>, &GetFirstRCPtr<RCPtrMapPair<K, V>>, Bits> {
    using PairType = RCPtrMapPair<K, V>;

public:
    // The value mapped to the key, or the empty pointer; an absent key creates nothing.
    virtual const RCPtr<V>& Get(const ConstRCPtr<K>& key) const
    {
        const ConstRCPtr<LRefCountedObject> object(key);
        const RCPtr<PairType>& pair = this->FindPair(object);
        return pair.IsEmpty() ? RCPtr<V>::Null : pair->value;
    }

    // True when the key was not mapped before; otherwise its old pair is replaced and released.
    virtual bool Set(const ConstRCPtr<K>& key, const RCPtr<V>& value)
    {
        return this->Add(PairType::Create(key, value));
    }
};

} // namespace VQ
