// HashedList: a fixed table of buckets of key/value pairs, the bucket chosen by a few bits of the key.
#pragma once

#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/storage/Pair.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>
#include <new>

namespace VQ {

template <class V, class K> class IHashedList {
public:
    virtual int32_t GetCount() const = 0;
    virtual void Clear() = 0;
    // True when a new entry was made, false when the value of an existing key was replaced.
    virtual bool Add(const V& value) = 0;
    // The stored value of the key, or notFound itself when the key is absent.
    virtual const V& Find(const K& key, const V& notFound) const = 0;
    virtual bool Remove(const K& key) = 0;
    virtual ~IHashedList() = default;
};

// Bits S to S + N - 1 of the key; the shift is arithmetic for signed keys.
template <int N, int S, class T> uint32_t GetBits(const T& key)
{
    static_assert(N > 0 && N < 32 && S >= 0);
    return static_cast<uint32_t>(key >> S) & ((uint32_t(1) << N) - 1);
}

template <class V, class K, K (*GetKey)(const V&), int Bits, uint32_t (*GetBits)(const K&)>
class HashedList : public IHashedList<V, K> {
    static_assert(Bits > 0 && Bits <= 16);

    // Every pair of a list has the key's type name as its text.
    static StringT<char16_t, char> KeyToString(const K& key) { return DescribeValue(key); }

protected:
    using Entry = LPair<K, V, &KeyToString>;
    using Bucket = RCPtrArray<Entry, 1, 0>;
    static constexpr uint32_t BucketCount = uint32_t(1) << Bits;

public:
    HashedList() = default;
    HashedList(const HashedList&) = delete;
    HashedList& operator=(const HashedList&) = delete;
    ~HashedList() override = default;

    int32_t GetCount() const override { return m_count; }

    void Clear() override
    {
        for (Bucket& bucket : m_buckets)
            bucket.SetCount(0);
        m_count = 0;
    }

    bool Add(const V& value) override
    {
        const K key = GetKey(value);
        Bucket& bucket = BucketOf(key);
        const int32_t index = IndexIn(bucket, key);
        if (index >= 0) {
            bucket.GetAt(static_cast<uint32_t>(index))->value = value;
            return false;
        }
        RCPtr<Entry> entry = Entry::Create(key, value);
        // The count moves only once the bucket holds the pair, so a failed growth leaves both as they were.
        const uint32_t length = bucket.GetCount();
        if (bucket.Add(entry) < 0 || bucket.GetCount() != length + 1)
            throw Exception<std::bad_alloc>();
        ++m_count;
        return true;
    }

    const V& Find(const K& key, const V& notFound) const override
    {
        const Bucket& bucket = BucketOf(key);
        const int32_t index = IndexIn(bucket, key);
        return index >= 0 ? bucket.GetAt(static_cast<uint32_t>(index))->value : notFound;
    }

    bool Remove(const K& key) override
    {
        Bucket& bucket = BucketOf(key);
        const int32_t index = IndexIn(bucket, key);
        if (index < 0)
            return false;
        // Take the pair out before it is released, so whatever its release runs finds the list consistent.
        RCPtr<Entry> removed;
        bucket.RemoveItem(static_cast<uint32_t>(index), removed);
        --m_count;
        return true;
    }

protected:
    Bucket& BucketOf(const K& key) { return m_buckets[GetBits(key) & (BucketCount - 1)]; }
    const Bucket& BucketOf(const K& key) const { return m_buckets[GetBits(key) & (BucketCount - 1)]; }

    // Newest entries are the likeliest to be looked up again, so the scan runs from the end.
    static int32_t IndexIn(const Bucket& bucket, const K& key)
    {
        for (uint32_t index = bucket.GetCount(); index-- > 0;) {
            if (bucket.GetAt(index)->key == key)
                return static_cast<int32_t>(index);
        }
        return -1;
    }

    int32_t m_count = 0;
    Bucket m_buckets[BucketCount];
};

} // namespace VQ
