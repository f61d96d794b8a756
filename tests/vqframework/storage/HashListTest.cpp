#include "vqframework/storage/HashList.h"
#include "vqframework/storage/RCPtrMap.h"

#include "FragileKey.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace VQ {
namespace {

struct Item {
    int32_t key;
    int32_t payload;
};

int32_t KeyOfItem(const Item& item) { return item.key; }

using ItemList = HashedList<Item, int32_t, &KeyOfItem, 8, &GetBits<8, 4, int32_t>>;

// Lets a test see how the entries are spread over the buckets.
class InspectableItemList : public ItemList {
public:
    uint32_t BucketLength(uint32_t bucket) const { return m_buckets[bucket].GetCount(); }
    StringT<char16_t, char> TextOfFirstPairIn(uint32_t bucket) const { return m_buckets[bucket].GetAt(0u)->ToString(); }
};

// Counts its deletions, so tests can tell when the last reference went.
class Tracked : public virtual LRefCountedObject {
public:
    explicit Tracked(int* deletions = nullptr) : m_deletions(deletions) {}
    ~Tracked() override
    {
        if (m_deletions)
            ++*m_deletions;
    }

private:
    int* m_deletions;
};

struct CountedItem {
    int32_t key;
    RCPtr<Tracked> object;
};

int32_t KeyOfCountedItem(const CountedItem& item) { return item.key; }

using CountedList = HashedList<CountedItem, int32_t, &KeyOfCountedItem, 8, &GetBits<8, 4, int32_t>>;

TEST(GetBits, SelectsTheKeyBitsItIsAskedFor)
{
    struct Case {
        uint32_t (*bits)(const int32_t&);
        int32_t key;
        uint32_t bucket;
    };
    const Case cases[] = {
        {&GetBits<8, 4, int32_t>, 0x10, 1},
        {&GetBits<8, 4, int32_t>, 0x1010, 1},
        {&GetBits<8, 4, int32_t>, 0, 0},
        {&GetBits<8, 4, int32_t>, 15, 0},
        {&GetBits<8, 4, int32_t>, 0xFF0, 255},
        {&GetBits<8, 4, int32_t>, -1, 255},
        {&GetBits<8, 4, int32_t>, INT32_MIN, 0},
        {&GetBits<8, 0, int32_t>, 0x41, 0x41},
        {&GetBits<8, 0, int32_t>, 0x141, 0x41},
        {&GetBits<8, 0, int32_t>, -2, 0xFE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.bits(c.key), c.bucket) << "key " << c.key;
}

TEST(GetBits, TakesBitsFourToElevenOfAFullAddress)
{
    const uintptr_t address = static_cast<uintptr_t>(0x7F12'3456'789A'BCD0ull & UINTPTR_MAX);
    EXPECT_EQ((GetBits<8, 4, uintptr_t>(address)), 0xCDu);
}

TEST(HashedList, FilesEachEntryInTheBucketOfItsKeyBits)
{
    InspectableItemList list;
    for (int32_t key : {0x10, 0x1010, 0, 15, -1})
        EXPECT_TRUE(list.Add({key, key * 2}));

    EXPECT_EQ(list.GetCount(), 5);
    EXPECT_EQ(list.BucketLength(1), 2u);
    EXPECT_EQ(list.BucketLength(0), 2u);
    EXPECT_EQ(list.BucketLength(255), 1u);
    const Item none{0, -99};
    for (int32_t key : {0x10, 0x1010, 0, 15, -1})
        EXPECT_EQ(list.Find(key, none).payload, key * 2) << "key " << key;
    // A pair's text names the key's type, not its value.
    EXPECT_TRUE(list.TextOfFirstPairIn(1) == "int");
}

TEST(HashedList, AddOfAKnownKeyReplacesItsValue)
{
    ItemList list;
    EXPECT_TRUE(list.Add({0x20, 1}));
    EXPECT_EQ(list.GetCount(), 1);

    EXPECT_FALSE(list.Add({0x20, 2}));
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.Find(0x20, Item{0, 0}).payload, 2);
}

TEST(HashedList, FindOfAnAbsentKeyReturnsTheNotFoundReferenceItself)
{
    ItemList list;
    const Item none{0, -1};
    EXPECT_EQ(&list.Find(0x2010, none), &none);

    // Same bucket, other key.
    list.Add({0x1010, 7});
    EXPECT_EQ(&list.Find(0x2010, none), &none);
    EXPECT_NE(&list.Find(0x1010, none), &none);
}

TEST(HashedList, RemoveTakesOutOnlyItsKeyAndKeepsTheOthersFindable)
{
    ItemList list;
    for (int32_t key : {0x10, 0x1010, 0x2010, 0x3010})
        list.Add({key, key + 1});

    EXPECT_TRUE(list.Remove(0x1010));
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_FALSE(list.Remove(0x1010));
    EXPECT_FALSE(list.Remove(0x4010));
    EXPECT_EQ(list.GetCount(), 3);

    const Item none{0, -1};
    EXPECT_EQ(&list.Find(0x1010, none), &none);
    for (int32_t key : {0x10, 0x2010, 0x3010})
        EXPECT_EQ(list.Find(key, none).payload, key + 1) << "key " << key;
}

TEST(HashedList, ClearForgetsEveryKeyAndReleasesEveryValue)
{
    int deletions = 0;
    CountedList list;
    for (int32_t key : {1, 0x10, 0x1010, -1})
        list.Add({key, new Tracked(&deletions)});

    list.Clear();

    EXPECT_EQ(deletions, 4);
    EXPECT_EQ(list.GetCount(), 0);
    const CountedItem none{0, nullptr};
    for (int32_t key : {1, 0x10, 0x1010, -1})
        EXPECT_EQ(&list.Find(key, none), &none);
    EXPECT_TRUE(list.Add({0x10, nullptr}));
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(HashedList, ReleasesTheValuesItHeldWhenReplacedRemovedOrDestroyed)
{
    int deletions = 0;
    RCPtr<Tracked> kept = new Tracked(&deletions);
    {
        CountedList list;
        list.Add({1, kept});
        EXPECT_EQ(kept->GetRefCount(), 2);

        list.Add({1, new Tracked(&deletions)});
        EXPECT_EQ(kept->GetRefCount(), 1);

        list.Add({2, kept});
        list.Remove(2);
        EXPECT_EQ(kept->GetRefCount(), 1);

        list.Add({3, kept});
        EXPECT_EQ(deletions, 0);
    }
    EXPECT_EQ(deletions, 1);
    EXPECT_EQ(kept->GetRefCount(), 1);
}

// A key whose copy fails on demand, as a pair that cannot be made would.
using FragileKey = test::BasicFragileKey<false>;

FragileKey FragileKeyOf(const Item& item) { return FragileKey(item.key); }

TEST(HashedList, AnAddThatFailsLeavesTheListAsItWas)
{
    HashedList<Item, FragileKey, &FragileKeyOf, 8, &FragileKey::Bits> list;
    list.Add({0x10, 1});
    list.Add({0x20, 2});

    FragileKey::s_failing = 0x1010;
    EXPECT_THROW(list.Add({0x1010, 3}), std::runtime_error);
    FragileKey::s_failing = 0;

    EXPECT_EQ(list.GetCount(), 2);
    const Item none{0, -1};
    EXPECT_EQ(&list.Find(FragileKey(0x1010), none), &none);
    EXPECT_EQ(list.Find(FragileKey(0x10), none).payload, 1);
    EXPECT_TRUE(list.Add({0x1010, 3}));
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_TRUE(list.Remove(FragileKey(0x10)));
    EXPECT_TRUE(list.Remove(FragileKey(0x1010)));
    EXPECT_TRUE(list.Remove(FragileKey(0x20)));
    EXPECT_EQ(list.GetCount(), 0);
}

class TestFont : public virtual LRefCountedObject {
public:
    explicit TestFont(const char* name = "") : m_name(name) {}
    StringT<char16_t, char> ToString() const override { return StringT<char16_t, char>(m_name); }

private:
    const char* m_name;
};

class TestFontFile : public virtual LRefCountedObject {};

// A key class whose counted base does not start the object, so its own address and its
// identity as a counted object differ.
class OtherBase {
public:
    virtual ~OtherBase() = default;
    int64_t padding[3] = {};
};
class OffsetFont : public OtherBase, public TestFont {};

using FontFileMap = RCPtrMap<TestFont, TestFontFile, 8>;

TEST(RCPtrMap, GetOfAnUnmappedKeyReturnsTheEmptyPointerAndCreatesNothing)
{
    FontFileMap map;
    RCPtr<TestFont> font = new TestFont;

    const RCPtr<TestFontFile>& found = map.Get(font);

    EXPECT_TRUE(found.IsEmpty());
    EXPECT_EQ(&found, &RCPtr<TestFontFile>::Null);
    EXPECT_EQ(map.GetCount(), 0);
    EXPECT_EQ(font->GetRefCount(), 1);
}

TEST(RCPtrMap, SetReplacesTheValueOfAMappedKeyAndReleasesTheOldPair)
{
    FontFileMap map;
    RCPtr<TestFont> font = new TestFont;
    RCPtr<TestFontFile> first = new TestFontFile;
    RCPtr<TestFontFile> second = new TestFontFile;

    EXPECT_TRUE(map.Set(font, first));
    EXPECT_EQ(font->GetRefCount(), 2);
    EXPECT_EQ(first->GetRefCount(), 2);

    EXPECT_FALSE(map.Set(font, second));
    EXPECT_EQ(map.GetCount(), 1);
    EXPECT_EQ(map.Get(font), second);
    EXPECT_EQ(first->GetRefCount(), 1);
    EXPECT_EQ(second->GetRefCount(), 2);
    EXPECT_EQ(font->GetRefCount(), 2);
}

TEST(RCPtrMap, KeysAreObjectIdentitiesNotContents)
{
    FontFileMap map;
    RCPtr<TestFont> a = new TestFont("Arial");
    RCPtr<TestFont> b = new TestFont("Arial");
    RCPtr<TestFontFile> fileA = new TestFontFile;
    RCPtr<TestFontFile> fileB = new TestFontFile;

    EXPECT_TRUE(map.Set(a, fileA));
    EXPECT_TRUE(map.Set(b, fileB));

    EXPECT_EQ(map.GetCount(), 2);
    EXPECT_EQ(map.Get(a), fileA);
    EXPECT_EQ(map.Get(b), fileB);
}

TEST(RCPtrMap, AnEmptyKeyPointerIsTheKeyZero)
{
    FontFileMap map;
    RCPtr<TestFontFile> file = new TestFontFile;

    EXPECT_TRUE(map.Set(RCPtr<TestFont>::Null, file));

    EXPECT_EQ(map.Get(RCPtr<TestFont>::Null), file);
    const RCPtr<RCPtrMapPair<TestFont, TestFontFile>>& pair = map.FindPair(ConstRCPtr<LRefCountedObject>());
    ASSERT_FALSE(pair.IsEmpty());
    EXPECT_EQ((RCPtrHalfMapHelper<RCPtrMapPair<TestFont, TestFontFile>,
                                  &GetFirstRCPtr<RCPtrMapPair<TestFont, TestFontFile>>, 8>::GetKey(pair)),
              0u);
    // The pair's text is its key object's, empty for no object.
    EXPECT_TRUE(pair->ToString() == "");
}

TEST(RCPtrMap, KeyIsTheFullAddressOfTheCountedBase)
{
    using PairType = RCPtrMapPair<TestFont, TestFontFile>;
    using Helper = RCPtrHalfMapHelper<PairType, &GetFirstRCPtr<PairType>, 8>;
    FontFileMap map;
    RCPtr<OffsetFont> font = new OffsetFont;
    RCPtr<TestFontFile> file = new TestFontFile;
    const LRefCountedObject* base = font.Get();
    ASSERT_NE(static_cast<const void*>(base), static_cast<const void*>(font.Get()));

    map.Set(RCPtr<TestFont>(font), file);

    const RCPtr<PairType>& pair = map.FindPair(ConstRCPtr<LRefCountedObject>(base));
    ASSERT_FALSE(pair.IsEmpty());
    EXPECT_EQ(Helper::GetKey(pair), reinterpret_cast<uintptr_t>(base));
    EXPECT_EQ(Helper::GetHandleBits(Helper::GetKey(pair)), (reinterpret_cast<uintptr_t>(base) >> 4) & 0xff);
    EXPECT_EQ(map.Get(RCPtr<TestFont>(font)), file);
}

TEST(RCPtrMap, KeepsMappedObjectsAliveUntilTheirPairGoes)
{
    int deletions = 0;
    class CountedFont : public TestFont {
    public:
        explicit CountedFont(int* deletions) : m_deletions(deletions) {}
        ~CountedFont() override { ++*m_deletions; }

    private:
        int* m_deletions;
    };
    RCPtr<TestFontFile> file = new TestFontFile;
    FontFileMap map;
    {
        RCPtr<TestFont> kept = new CountedFont(&deletions);
        RCPtr<TestFont> removed = new CountedFont(&deletions);
        map.Set(kept, file);
        map.Set(removed, file);
        EXPECT_TRUE(map.RemovePair(ConstRCPtr<LRefCountedObject>(removed)));
        EXPECT_FALSE(map.RemovePair(ConstRCPtr<LRefCountedObject>(removed)));
    }
    EXPECT_EQ(deletions, 1);
    EXPECT_EQ(map.GetCount(), 1);
    EXPECT_EQ(file->GetRefCount(), 2);

    map.Clear();
    EXPECT_EQ(deletions, 2);
    EXPECT_EQ(file->GetRefCount(), 1);
}

TEST(RCPtrMap, DestructionReleasesKeysAndValues)
{
    RCPtr<TestFont> font = new TestFont;
    RCPtr<TestFontFile> file = new TestFontFile;
    {
        FontFileMap map;
        map.Set(font, file);
    }
    EXPECT_EQ(font->GetRefCount(), 1);
    EXPECT_EQ(file->GetRefCount(), 1);
}

} // namespace
} // namespace VQ
