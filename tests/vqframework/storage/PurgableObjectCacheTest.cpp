#include "vqframework/storage/PurgableObjectCache.h"

#include "FragileKey.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace VQ {
namespace {

// A cached object that logs its key when it is deleted.
class CachedObject : public LRefCountedObject {
public:
    CachedObject(char key, std::string* deletions) : m_key(key), m_deletions(deletions) {}
    ~CachedObject() override
    {
        if (m_deletions)
            *m_deletions += m_key;
    }
    char GetKey() const { return m_key; }

private:
    char m_key;
    std::string* m_deletions;
};

int32_t KeyOfLetter(const char& letter) { return letter; }

using LetterCache = PurgableObjectCache<CachedObject, char, int32_t, &KeyOfLetter, 8, &GetBits<8, 4, int32_t>>;

// Lets a test read the books and wind the clock, which would otherwise take 2^32 acquisitions.
class InspectableCache : public LetterCache {
public:
    using LetterCache::LetterCache;
    Entry& EntryAt(int32_t position) { return m_entries[static_cast<size_t>(position)]; }
    uint32_t& Clock() { return m_useClock; }
};

class PurgableObjectCacheTest : public testing::Test {
protected:
    // Acquires as an owner does: an empty slot gets a new object. Returns the slot.
    RCPtr<CachedObject>* Use(LetterCache& cache, char key, bool reset = false)
    {
        RCPtr<CachedObject>& slot = cache.AcquireEntry(key, reset);
        if (slot.IsEmpty())
            slot = new CachedObject(key, &deletions);
        return &slot;
    }

    std::string deletions;
};

TEST_F(PurgableObjectCacheTest, ANewKeyInAFullCacheTakesTheLeastRecentlyUsedEntry)
{
    struct Case {
        int32_t capacity;
        const char* acquisitions;
        char newKey;
        char replaced;
    };
    const Case cases[] = {
        {2, "AB", 'C', 'A'},
        {2, "ABA", 'C', 'B'},
        {1, "A", 'B', 'A'},
        {3, "ABCBA", 'D', 'C'},
        {3, "ABCAAAAB", 'D', 'C'},
        {4, "ABCDDCBA", 'E', 'D'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.acquisitions);
        deletions.clear();
        LetterCache cache(c.capacity);
        std::map<char, RCPtr<CachedObject>*> slots;
        for (const char* key = c.acquisitions; *key; ++key)
            slots[*key] = Use(cache, *key);

        RCPtr<CachedObject>& slot = cache.AcquireEntry(c.newKey, false);

        EXPECT_TRUE(slot.IsEmpty());
        EXPECT_EQ(&slot, slots[c.replaced]);
        EXPECT_EQ(deletions, std::string(1, c.replaced));
        EXPECT_EQ(cache.ResetEntry(c.replaced), 1);
        for (const auto& [key, keySlot] : slots) {
            if (key != c.replaced) {
                EXPECT_EQ(cache.ResetEntry(key), 0) << key;
            }
        }
    }
}

TEST_F(PurgableObjectCacheTest, AHitReturnsTheSameFilledSlotUntilReset)
{
    InspectableCache cache(4);
    RCPtr<CachedObject>* a = Use(cache, 'A');
    const CachedObject* object = a->Get();
    Use(cache, 'B');
    Use(cache, 'A');

    RCPtr<CachedObject>& again = cache.AcquireEntry('A', false);
    EXPECT_EQ(&again, a);
    EXPECT_EQ(again.Get(), object);
    EXPECT_EQ(cache.EntryAt(0).useCount, 3u);

    RCPtr<CachedObject>& reset = cache.AcquireEntry('A', true);
    EXPECT_EQ(&reset, a);
    EXPECT_TRUE(reset.IsEmpty());
    EXPECT_EQ(deletions, "A");
    EXPECT_EQ(cache.EntryAt(0).useCount, 1u);
    EXPECT_EQ(cache.EntryAt(0).lastUse, 5u);
}

TEST_F(PurgableObjectCacheTest, NewKeysTakeUnassignedEntriesInTableOrder)
{
    InspectableCache cache(3);
    RCPtr<CachedObject>* slots[] = {Use(cache, 'A'), Use(cache, 'B'), Use(cache, 'C')};
    for (int32_t position = 0; position < 3; ++position) {
        EXPECT_EQ(slots[position], &cache.EntryAt(position).object);
        EXPECT_EQ(cache.EntryAt(position).id, 'A' + position);
        EXPECT_EQ(cache.EntryAt(position).lastUse, static_cast<uint32_t>(position + 1));
    }
}

TEST_F(PurgableObjectCacheTest, ResetEntryEmptiesAKnownKeyWhichStaysFiled)
{
    InspectableCache cache(3);
    RCPtr<CachedObject>* a = Use(cache, 'A');
    Use(cache, 'B');
    Use(cache, 'C');

    EXPECT_EQ(cache.ResetEntry('Z'), 1);
    EXPECT_EQ(deletions, "");
    EXPECT_EQ(cache.Clock(), 3u);

    EXPECT_EQ(cache.ResetEntry('B'), 0);
    EXPECT_EQ(deletions, "B");
    EXPECT_EQ(cache.EntryAt(1).useCount, 0u);
    EXPECT_EQ(cache.EntryAt(1).lastUse, 0u);

    // A is older, but the emptied entry goes first.
    RCPtr<CachedObject>& d = cache.AcquireEntry('D', false);
    EXPECT_EQ(&d, &cache.EntryAt(1).object);
    EXPECT_EQ(cache.ResetEntry('B'), 1);

    EXPECT_EQ(cache.ResetEntry('A'), 0);
    RCPtr<CachedObject>& hit = cache.AcquireEntry('A', false);
    EXPECT_EQ(&hit, a);
    EXPECT_TRUE(hit.IsEmpty());
}

TEST_F(PurgableObjectCacheTest, ReplacementPrefersTheOldestThenFewerUsesThenTheLowerPosition)
{
    struct State {
        bool filled;
        uint32_t lastUse;
        uint32_t useCount;
    };
    struct Case {
        const char* name;
        uint32_t clock;
        std::vector<State> entries;
        int32_t chosen;
    };
    const Case cases[] = {
        {"oldest", 10, {{true, 9, 1}, {true, 3, 9}, {true, 7, 1}}, 1},
        {"empty before older", 10, {{true, 2, 1}, {false, 0, 0}, {true, 1, 1}}, 1},
        {"equal age, fewer uses", 10, {{true, 4, 5}, {true, 4, 2}, {true, 8, 1}}, 1},
        {"equal age and uses, lower position", 10, {{true, 8, 1}, {true, 4, 2}, {true, 4, 2}}, 1},
        {"only the latest", 10, {{true, 10, 7}}, 0},
        {"across the wrap", 3, {{true, 1, 1}, {true, 0xFFFFFFFE, 1}, {true, 2, 1}}, 1},
        {"maximal age", 5, {{true, 4, 1}, {true, 6, 1}, {true, 5, 1}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t capacity = static_cast<int32_t>(c.entries.size());
        InspectableCache cache(capacity);
        for (int32_t position = 0; position < capacity; ++position) {
            Use(cache, static_cast<char>('A' + position));
            const State& state = c.entries[static_cast<size_t>(position)];
            auto& entry = cache.EntryAt(position);
            if (!state.filled)
                entry.object.Release();
            entry.lastUse = state.lastUse;
            entry.useCount = state.useCount;
        }
        cache.Clock() = c.clock;

        RCPtr<CachedObject>& slot = cache.AcquireEntry('Z', false);

        EXPECT_EQ(&slot, &cache.EntryAt(c.chosen).object);
        EXPECT_EQ(cache.EntryAt(c.chosen).id, 'Z');
        EXPECT_EQ(cache.ResetEntry(static_cast<char>('A' + c.chosen)), 1);
    }
}

TEST_F(PurgableObjectCacheTest, AgesStayRightWhenTheClockWraps)
{
    InspectableCache cache(4);
    cache.Clock() = 0xFFFFFFFD;
    Use(cache, 'A');
    Use(cache, 'B');
    Use(cache, 'C');
    Use(cache, 'D');
    EXPECT_EQ(cache.EntryAt(0).lastUse, 0xFFFFFFFEu);
    EXPECT_EQ(cache.EntryAt(3).lastUse, 1u);
    Use(cache, 'A');

    RCPtr<CachedObject>& slot = cache.AcquireEntry('E', false);

    EXPECT_EQ(&slot, &cache.EntryAt(1).object);
    EXPECT_EQ(deletions, "B");
}

TEST_F(PurgableObjectCacheTest, UseCountStopsAtItsMaximum)
{
    InspectableCache cache(1);
    Use(cache, 'A');
    cache.EntryAt(0).useCount = 0xFFFFFFFE;
    Use(cache, 'A');
    Use(cache, 'A');
    EXPECT_EQ(cache.EntryAt(0).useCount, 0xFFFFFFFFu);
}

TEST_F(PurgableObjectCacheTest, PurgeEmptiesExactlyTheEntriesLastUsedBeforeTheMark)
{
    InspectableCache cache(5);
    for (char key : std::string("ABCD"))
        Use(cache, key);
    cache.AcquireEntry('E', false);

    // Last uses A 1, B 2, C 3, D 4; E was acquired at 5 but never filled.
    EXPECT_EQ(cache.Purge(3), 2u);

    EXPECT_EQ(deletions, "AB");
    EXPECT_EQ(cache.EntryAt(0).lastUse, 0u);
    EXPECT_EQ(cache.EntryAt(2).lastUse, 3u);
    EXPECT_FALSE(cache.EntryAt(2).IsEmpty());
    // Purged keys stay filed: acquiring one is a hit on an empty slot.
    EXPECT_EQ(&cache.AcquireEntry('A', false), &cache.EntryAt(0).object);
    EXPECT_EQ(cache.Purge(3), 0u);
}

TEST_F(PurgableObjectCacheTest, PurgeComparesWithTheMarkAcrossTheWrap)
{
    InspectableCache cache(2);
    cache.Clock() = 0xFFFFFFFE;
    Use(cache, 'A');
    Use(cache, 'B');
    EXPECT_EQ(cache.EntryAt(1).lastUse, 0u);

    EXPECT_EQ(cache.Purge(0xFFFFFFF0), 0u);
    EXPECT_EQ(cache.Purge(0), 1u);
    EXPECT_EQ(deletions, "A");
}

TEST_F(PurgableObjectCacheTest, PurgeStaleDropsWhatWasNotAcquiredSinceThePreviousPurge)
{
    InspectableCache cache(4);
    Use(cache, 'A');
    Use(cache, 'B');
    Use(cache, 'C');

    EXPECT_EQ(cache.PurgeStale(), 0u);
    EXPECT_EQ(deletions, "");

    Use(cache, 'B');
    EXPECT_EQ(cache.PurgeStale(), 1u);
    // C was the last acquisition before the first purge and so lives one period more.
    EXPECT_EQ(deletions, "A");

    Use(cache, 'D');
    EXPECT_EQ(cache.PurgeStale(), 1u);
    EXPECT_EQ(deletions, "AC");
    EXPECT_FALSE(cache.EntryAt(1).IsEmpty());
    EXPECT_FALSE(cache.EntryAt(3).IsEmpty());
}

TEST_F(PurgableObjectCacheTest, AReplacedObjectHeldElsewhereLivesOn)
{
    LetterCache cache(1);
    RCPtr<CachedObject> held = *Use(cache, 'A');
    EXPECT_EQ(held->GetRefCount(), 2);

    Use(cache, 'B');

    EXPECT_EQ(deletions, "");
    EXPECT_EQ(held->GetRefCount(), 1);
    EXPECT_EQ(held->GetKey(), 'A');
}

TEST_F(PurgableObjectCacheTest, DestructionReleasesEveryCachedObject)
{
    {
        LetterCache cache(3);
        Use(cache, 'A');
        Use(cache, 'B');
        Use(cache, 'C');
    }
    EXPECT_EQ(deletions, "ABC");
}

TEST(PurgableObjectCache, RejectsACapacityBelowOne)
{
    for (int32_t capacity : {0, -1, INT32_MIN})
        EXPECT_THROW(LetterCache cache(capacity), std::invalid_argument) << capacity;
}

// A key whose copy fails on demand, as an index that cannot grow would.
using FragileKey = test::BasicFragileKey<true>;

FragileKey FragileKeyOf(const char& letter) { return FragileKey(letter); }

using FragileCache = PurgableObjectCache<CachedObject, char, FragileKey, &FragileKeyOf, 8, &FragileKey::Bits>;

TEST_F(PurgableObjectCacheTest, AFailedAcquisitionLeavesTheCacheAsItWas)
{
    struct Case {
        int32_t capacity;
        const char* filled;
    };
    // Not yet full, and full so that the new key would replace an entry.
    const Case cases[] = {{3, "AB"}, {2, "AB"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        deletions.clear();
        FragileCache cache(c.capacity);
        std::map<char, const CachedObject*> objects;
        for (const char* key = c.filled; *key; ++key) {
            RCPtr<CachedObject>& slot = cache.AcquireEntry(*key, false);
            slot = new CachedObject(*key, &deletions);
            objects[*key] = slot.Get();
        }

        FragileKey::s_failing = 'X';
        EXPECT_THROW(cache.AcquireEntry('X', false), std::runtime_error);
        FragileKey::s_failing = 0;

        EXPECT_EQ(deletions, "");
        for (const auto& [key, object] : objects)
            EXPECT_EQ(cache.AcquireEntry(key, false).Get(), object) << key;
        EXPECT_EQ(cache.ResetEntry('X'), 1);
        EXPECT_TRUE(cache.AcquireEntry('X', false).IsEmpty());
        EXPECT_EQ(cache.ResetEntry('X'), 0);
    }
}

// Keys that hold a counted pointer: the entry keeps its key, and with it a reference to the
// source, while it is filed under it.
class SourceBitmap : public virtual LRefCountedObject {
public:
    uintptr_t GetHandle() const { return reinterpret_cast<uintptr_t>(this); }
};

struct SizedBitmapKey {
    ConstRCPtr<SourceBitmap> bitmap;
    int32_t width = 0;
    int32_t height = 0;

    bool operator==(const SizedBitmapKey& other) const
    {
        return bitmap == other.bitmap && width == other.width && height == other.height;
    }
    static uint32_t GetHashBits(const SizedBitmapKey& key)
    {
        return key.bitmap.IsEmpty() ? 0 : static_cast<uint32_t>(key.bitmap->GetHandle() >> 4) & 0xff;
    }
    static SizedBitmapKey GetSelf(const SizedBitmapKey& key) { return key; }
};

using SizedBitmapCache = PurgableObjectCache<CachedObject, SizedBitmapKey, SizedBitmapKey, &SizedBitmapKey::GetSelf, 8,
                                             &SizedBitmapKey::GetHashBits>;

TEST_F(PurgableObjectCacheTest, AnEntryHoldsItsSourceUntilItIsGivenAnotherKey)
{
    RCPtr<SourceBitmap> bitmap = new SourceBitmap;
    RCPtr<SourceBitmap> other = new SourceBitmap;
    {
        SizedBitmapCache cache(1);
        cache.AcquireEntry({bitmap, 10, 20}, false) = new CachedObject('a', &deletions);
        const int32_t whileFiled = bitmap->GetRefCount();
        EXPECT_GT(whileFiled, 1);

        // Same bitmap, other size: another key.
        EXPECT_TRUE(cache.AcquireEntry({bitmap, 10, 21}, false).IsEmpty());
        EXPECT_EQ(deletions, "a");
        cache.AcquireEntry({bitmap, 10, 21}, false) = new CachedObject('b', &deletions);

        EXPECT_EQ(cache.ResetEntry({bitmap, 10, 21}), 0);
        EXPECT_EQ(bitmap->GetRefCount(), whileFiled);
        EXPECT_EQ(cache.PurgeStale() + cache.PurgeStale(), 0u);
        EXPECT_EQ(bitmap->GetRefCount(), whileFiled);

        cache.AcquireEntry({other, 10, 21}, false);
        EXPECT_EQ(bitmap->GetRefCount(), 1);
        EXPECT_GT(other->GetRefCount(), 1);
    }
    EXPECT_EQ(other->GetRefCount(), 1);
    EXPECT_EQ(deletions, "ab");
}

// A drawn shape that may be destroyed while its entry lives: it is filed under a serial number
// given at construction, never under its address, which a later shape may reuse.
class ShapeDouble {
public:
    ShapeDouble() : m_serial(++s_lastSerial) {}
    static int32_t GetHandle(const ShapeDouble& shape) { return shape.m_serial; }

private:
    int32_t m_serial;
    static inline int32_t s_lastSerial = 0;
};

using ShapeCache = PurgableObjectCache<CachedObject, ShapeDouble, int32_t, &ShapeDouble::GetHandle, 8,
                                       &GetBits<8, 4, int32_t>>;

TEST_F(PurgableObjectCacheTest, AShapeMadeAfterAnotherDiedNeverMeetsItsObject)
{
    ShapeCache cache(16);
    auto first = std::make_unique<ShapeDouble>();
    cache.AcquireEntry(*first, false) = new CachedObject('s', &deletions);
    first.reset();

    auto second = std::make_unique<ShapeDouble>();
    EXPECT_TRUE(cache.AcquireEntry(*second, false).IsEmpty());
    EXPECT_EQ(deletions, "");
}

} // namespace
} // namespace VQ
