// PurgableObjectCache: keeps a fixed number of objects made from descriptions, filed by key, and
// reuses the least recently used entry when a new key arrives.
#pragma once

#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/storage/HashList.h"

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace VQ {

template <class T, class K> class PurgableCacheEntry {
public:
    PurgableCacheEntry() = default;
    PurgableCacheEntry(const PurgableCacheEntry&) = delete;
    PurgableCacheEntry& operator=(const PurgableCacheEntry&) = delete;

    virtual bool IsEmpty() const { return object.IsEmpty(); }

    // Drops the object and its history; the id stays, so the entry remains filed under it.
    void Empty()
    {
        object.Release();
        lastUse = 0;
        useCount = 0;
    }

    K id{};
    RCPtr<T> object;
    // The cache's use clock at the latest acquisition.
    uint32_t lastUse = 0;
    // Acquisitions since the entry was last emptied; stops at the maximum rather than wrapping.
    uint32_t useCount = 0;
};

// Recency is counted in acquisitions by the cache's own clock, modulo 2^32; no time of day enters.
// The caller makes the objects: an empty slot from AcquireEntry asks for one.
template <class T, class D, class K, K (*GetKey)(const D&), int Bits, uint32_t (*GetBits)(const K&)>
class PurgableObjectCache {
public:
    using Entry = PurgableCacheEntry<T, K>;

    explicit PurgableObjectCache(int32_t capacity) : m_capacity(capacity)
    {
        if (capacity < 1)
            VQ_THROW(std::invalid_argument);
        m_entries = std::make_unique<Entry[]>(static_cast<size_t>(capacity));
    }
    PurgableObjectCache(const PurgableObjectCache&) = delete;
    PurgableObjectCache& operator=(const PurgableObjectCache&) = delete;

    // Objects go in table order, before the index.
    virtual ~PurgableObjectCache()
    {
        for (int32_t position = 0; position < m_capacity; ++position)
            m_entries[static_cast<size_t>(position)].object.Release();
        m_entries.reset();
    }

    // The object slot filed under the descriptor's key. It stays valid only until the next
    // acquisition, which may hand the entry to another key: copy the object out, or store a new one, at once.
    RCPtr<T>& AcquireEntry(const D& descriptor, bool reset)
    {
        const K key = GetKey(descriptor);
        Entry* entry = m_index.Find(key, nullptr);
        if (entry) {
            if (reset)
                entry->Empty();
        } else if (m_index.GetCount() < m_capacity) {
            entry = &m_entries[static_cast<size_t>(m_index.GetCount())];
            entry->Empty();
            entry->id = key;
            m_index.Add(entry);
        } else {
            entry = LeastRecentlyUsed();
            Reassign(*entry, key);
        }
        if (entry->useCount != UINT32_MAX)
            ++entry->useCount;
        entry->lastUse = ++m_useClock;
        return entry->object;
    }

    // 0 when the key's entry was emptied (it stays filed under the key), 1 when the key is not cached.
    int32_t ResetEntry(const D& descriptor)
    {
        Entry* entry = m_index.Find(GetKey(descriptor), nullptr);
        if (!entry)
            return 1;
        entry->Empty();
        return 0;
    }

    // Empties every entry last acquired before the mark; returns how many objects were released.
    uint32_t Purge(uint32_t mark)
    {
        uint32_t cleared = 0;
        for (int32_t position = 0; position < m_capacity; ++position) {
            Entry& entry = m_entries[static_cast<size_t>(position)];
            // Signed difference, so the comparison holds across the wrap of the clock.
            if (static_cast<int32_t>(entry.lastUse - mark) < 0) {
                if (!entry.IsEmpty())
                    ++cleared;
                entry.Empty();
            }
        }
        return cleared;
    }

    // The owners' periodic purge: drops what was not acquired since the previous one.
    uint32_t PurgeStale()
    {
        const uint32_t cleared = Purge(m_purgeMark);
        m_purgeMark = m_useClock;
        return cleared;
    }

protected:
    static K GetEntryID(Entry* const& entry) { return entry->id; }

    // An empty entry first; otherwise the oldest, ties going to fewer uses, then to the lower position.
    Entry* LeastRecentlyUsed()
    {
        Entry* chosen = &m_entries[0];
        uint32_t chosenAge = 0;
        uint32_t chosenUses = UINT32_MAX;
        for (int32_t position = 0; position < m_capacity; ++position) {
            Entry& entry = m_entries[static_cast<size_t>(position)];
            if (entry.IsEmpty())
                return &entry;
            const uint32_t age = m_useClock - entry.lastUse;
            if (age > chosenAge || (age == chosenAge && entry.useCount < chosenUses)) {
                chosen = &entry;
                chosenAge = age;
                chosenUses = entry.useCount;
            }
        }
        return chosen;
    }

    // The new key is filed before the old one goes, so an index that cannot grow leaves the
    // entry under its old key, as if nothing had happened.
    void Reassign(Entry& entry, const K& key)
    {
        K oldId = entry.id;
        entry.id = key;
        try {
            m_index.Add(&entry);
        } catch (...) {
            entry.id = oldId;
            throw;
        }
        m_index.Remove(oldId);
        entry.Empty();
    }

    int32_t m_capacity;
    uint32_t m_useClock = 0;
    uint32_t m_purgeMark = 0;
    std::unique_ptr<Entry[]> m_entries;
    HashedList<Entry*, K, &GetEntryID, Bits, GetBits> m_index;
};

} // namespace VQ
