#include "vqframework/storage/Array.h"
#include "vqframework/storage/ArrayBuffer.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/SimpleFixedArray.h"
#include "vqframework/storage/StringArrayT.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <list>
#include <span>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace VQ {
namespace ListTest {

struct Item : LRefCountedObject {};

// What a list does where the implementations differ; everything else is the same for all of them.
enum class BadItem { InvalidArg, Throws };

struct Fixed {
    static constexpr bool AddReturnsIndex = false;
    static constexpr bool ChecksIndexOfEmptyRange = false;
    static constexpr BadItem RemoveItemPastEnd = BadItem::InvalidArg;
    static constexpr VQRESULT RemoveLastOfEmpty = E_INVALIDARG;
    static constexpr bool RemovePastEndThrows = false;
    static constexpr uint32_t MaxCount = 0x7FFFFFFF;
    static constexpr bool GapKeepsOldBytes = false;
};

// Value(0) is the element a new slot holds; Value(i > 0) are distinct other elements.
struct Ints : Fixed {
    using T = uint32_t;
    static T Value(int i) { return i == 0 ? 0 : 100u + i; }
};

struct Bytes : Fixed {
    using T = signed char;
    static T Value(int i) { return static_cast<signed char>(i == 0 ? 0 : -i); }
};

struct Rects : Fixed {
    struct T {
        float left, top, width, height;
        bool operator==(const T&) const = default;
    };
    static T Value(int i) { return i == 0 ? T{} : T{float(i), 0.5f, -float(i), 2}; }
};

struct Counted : Fixed {
    static constexpr bool AddReturnsIndex = true;
    static constexpr BadItem RemoveItemPastEnd = BadItem::Throws;
    static constexpr VQRESULT RemoveLastOfEmpty = E_FAIL;
    static constexpr bool RemovePastEndThrows = true;

    static Item* Object(int i)
    {
        static RCPtr<Item>* const items = new RCPtr<Item>[16];
        if (!items[i])
            items[i] = new Item;
        return items[i].Get();
    }
};

template <class L, class Base> struct Direct : Base {
    using List = L;
    static IArray<typename Base::T>& Face(List& list) { return list; }
};

struct ArrayOfInts : Ints {
    using List = Array<uint32_t>;
    static constexpr bool AddReturnsIndex = true;
    static constexpr bool ChecksIndexOfEmptyRange = true;
    static constexpr BadItem RemoveItemPastEnd = BadItem::Throws;
    static IArray<T>& Face(List& list) { return list; }
};

struct ArrayOfStrings {
    using List = StringArrayT<char16_t, char>;
    using T = StringT<char16_t, char>;
    static constexpr bool AddReturnsIndex = true;
    static constexpr bool ChecksIndexOfEmptyRange = true;
    static constexpr BadItem RemoveItemPastEnd = BadItem::Throws;
    static constexpr bool RemovePastEndThrows = false;
    static constexpr VQRESULT RemoveLastOfEmpty = E_INVALIDARG;
    static constexpr uint32_t MaxCount = 0x7FFFFFFF;
    static constexpr bool GapKeepsOldBytes = false;
    static T Value(int i)
    {
        static const char16_t* const texts[] = {u"", u"one", u"two", u"three", u"four", u"five", u"six", u"seven"};
        return T(texts[i]);
    }
    static IArray<T>& Face(List& list) { return list; }
};

struct ConstCounted : Counted {
    using T = ConstRCPtr<Item>;
    static T Value(int i) { return i == 0 ? T() : T(Object(i)); }
};

struct WritableCounted : Counted {
    using T = RCPtr<Item>;
    static T Value(int i) { return i == 0 ? T() : T(Object(i)); }
};

// The read-only face of a writable counted-pointer array.
struct ReadOnlyFace : ConstCounted {
    using List = RCPtrArray<Item, 16, 16>;
    static IArray<T>& Face(List& list) { return static_cast<ConstRCPtrArray<Item, 16, 16>&>(list); }
};

struct FixedBytes : Direct<SimpleFixedArray<signed char, 8>, Bytes> {
    static constexpr uint32_t MaxCount = 8;
    static constexpr bool GapKeepsOldBytes = true;
};

using Implementations =
    ::testing::Types<ArrayOfInts, ArrayOfStrings, Direct<ArrayBuffer<uint32_t>, Ints>,
                     Direct<ArrayBuffer<uint32_t, 32, 1600>, Ints>, Direct<ArrayBuffer<Rects::T>, Rects>,
                     Direct<ArrayBufferM<signed char, 4>, Bytes>, FixedBytes,
                     Direct<ConstRCPtrArray<Item>, ConstCounted>, Direct<RCPtrArray<Item>, WritableCounted>,
                     Direct<RCPtrArray<Item, 256, 256>, WritableCounted>, ReadOnlyFace>;

template <class Traits> class ListInterface : public ::testing::Test {
protected:
    using T = typename Traits::T;

    static T V(int i) { return Traits::Value(i); }

    // Writes the elements through index access, as callers fill a list they have sized.
    void Load(std::initializer_list<int> values)
    {
        ASSERT_EQ(static_cast<int32_t>(values.size()), list.SetCount(static_cast<uint32_t>(values.size())));
        uint32_t index = 0;
        for (int value : values)
            list.GetAt(index++) = V(value);
    }

    void ExpectContents(std::initializer_list<int> values)
    {
        ASSERT_EQ(values.size(), list.GetCount());
        uint32_t index = 0;
        for (int value : values) {
            EXPECT_TRUE(list.GetAt(index) == V(value)) << "element " << index;
            ++index;
        }
    }

    typename Traits::List storage;
    IArray<T>& list = Traits::Face(storage);
};

TYPED_TEST_SUITE(ListInterface, Implementations);

TYPED_TEST(ListInterface, EmptyListHasNullPositionsAndBeginEqualsEnd)
{
    auto& list = this->list;
    using Position = typename IIterable<typename TypeParam::T>::Position;
    typename IIterable<typename TypeParam::T>::ConstIterator begin;
    typename IIterable<typename TypeParam::T>::ConstIterator end;
    const auto& constant = list;
    constant.Begin(begin);
    constant.End(end);

    EXPECT_EQ(0u, list.GetCount());
    EXPECT_EQ(Position{}, list.GetFirstPosition());
    EXPECT_EQ(Position{}, list.GetEndPosition());
    EXPECT_EQ(begin.position, end.position);
    EXPECT_EQ(&list, begin.container);
    for (int32_t n : {-3, 0, 1, 5})
        EXPECT_EQ(Position{}, list.Advance(Position{}, n)) << n;
    EXPECT_EQ(nullptr, list.GetDataEnd());
    EXPECT_EQ(-1, list.Find(this->V(1)));
    EXPECT_EQ(TypeParam::MaxCount, list.GetMaxCount());
}

TYPED_TEST(ListInterface, PositionsAreElementAddressesAndAdvanceIsClamped)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    using T = typename TypeParam::T;
    using Position = typename IIterable<T>::Position;
    auto at = [](const T* element) { return static_cast<Position>(reinterpret_cast<uintptr_t>(element)); };
    const T* data = list.GetData();
    Position first = list.GetFirstPosition();
    Position end = list.GetEndPosition();

    EXPECT_EQ(at(data), first);
    EXPECT_EQ(at(data + 3), end);
    EXPECT_EQ(data + 3, list.GetDataEnd());
    EXPECT_EQ(&list.GetAt(2), &list.GetAt(list.Advance(first, 2)));

    struct Case {
        Position from;
        int32_t n;
        Position expected;
    };
    const Case cases[] = {
        {first, 0, first},          {first, 3, end},           {first, 4, end},
        {first, 0x7FFFFFFF, end},   {end, 1, end},             {end, -1, at(data + 2)},
        {end, -3, first},           {end, -4, first},          {at(data + 1), -2, first},
        {first, -1, first},         {first, INT32_MIN, first}, {at(data + 1), 1, at(data + 2)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, list.Advance(c.from, c.n)) << "n = " << c.n;
}

TYPED_TEST(ListInterface, IteratorWalkVisitsElementsInOrder)
{
    auto& list = this->list;
    this->Load({3, 1, 2});
    typename IIterable<typename TypeParam::T>::Iterator it;
    typename IIterable<typename TypeParam::T>::Iterator end;
    list.Begin(it);
    list.End(end);
    std::vector<int> seen;
    for (int guard = 0; it.position != end.position && guard < 10; ++guard) {
        for (int v = 1; v <= 3; ++v)
            if (it.container->GetAt(it.position) == this->V(v))
                seen.push_back(v);
        it.position = it.container->Advance(it.position, 1);
    }
    EXPECT_EQ((std::vector<int>{3, 1, 2}), seen);
}

TYPED_TEST(ListInterface, RangeForAndSpanSeeTheElementsInPlace)
{
    using T = typename TypeParam::T;
    auto& list = this->list;
    EXPECT_EQ(list.begin(), list.end());
    EXPECT_TRUE(std::span<T>(list).empty());

    this->Load({3, 1, 2});
    std::vector<const void*> seen;
    for (const T& element : list)
        seen.push_back(&element);
    ASSERT_EQ(3u, seen.size());
    for (uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(static_cast<const void*>(&list.GetAt(i)), seen[i]) << i;

    // The concrete list has the same range, its own element type included.
    seen.clear();
    for (auto& element : this->storage)
        seen.push_back(&element);
    EXPECT_EQ(3u, seen.size());
    EXPECT_EQ(static_cast<const void*>(list.GetData()), seen.front());

    std::span<T> span(list);
    EXPECT_EQ(3u, span.size());
    EXPECT_EQ(list.GetData(), span.data());
    span[1] = this->V(4);
    this->ExpectContents({3, 4, 2});
    const auto& constant = list;
    std::span<const T> view(constant);
    EXPECT_TRUE(view.back() == this->V(2));
}

TYPED_TEST(ListInterface, NewElementsAreEmpty)
{
    auto& list = this->list;
    this->Load({1, 2});
    EXPECT_EQ(5, list.SetCount(5));
    this->ExpectContents({1, 2, 0, 0, 0});
    EXPECT_EQ(2, list.SetCount(2));
    this->ExpectContents({1, 2});
}

TYPED_TEST(ListInterface, InsertSpaceOpensEmptyGap)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    EXPECT_EQ(5, list.InsertSpace(1, 2));
    if (TypeParam::GapKeepsOldBytes) {
        this->ExpectContents({1, 2, 3, 2, 3});
        return;
    }
    this->ExpectContents({1, 0, 0, 2, 3});
    EXPECT_EQ(6, list.InsertSpace(5, 1));
    this->ExpectContents({1, 0, 0, 2, 3, 0});
}

TYPED_TEST(ListInterface, BadIndexesAndRangesReturnInvalidArgAndChangeNothing)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    EXPECT_EQ(E_INVALIDARG, list.InsertSpace(4, 1));
    EXPECT_EQ(E_INVALIDARG, list.InsertSpace(uint32_t(-1), 1));
    EXPECT_EQ(E_INVALIDARG, list.InsertAt(4, this->V(4)));
    EXPECT_EQ(E_INVALIDARG, list.Swap(0, 3));
    EXPECT_EQ(E_INVALIDARG, list.Swap(uint32_t(-1), 0));
    if (!TypeParam::RemovePastEndThrows) {
        EXPECT_EQ(E_INVALIDARG, list.Remove(2, 2));
        EXPECT_EQ(E_INVALIDARG, list.Remove(3, 1));
        EXPECT_EQ(E_INVALIDARG, list.Remove(1, uint32_t(-1)));
    }
    this->ExpectContents({1, 2, 3});
}

TYPED_TEST(ListInterface, EmptyRangeAtBadIndexDependsOnList)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    int32_t expected = TypeParam::ChecksIndexOfEmptyRange ? E_INVALIDARG : 3;
    EXPECT_EQ(expected, list.InsertSpace(9, 0));
    EXPECT_EQ(expected, list.Remove(3, 0));
    EXPECT_EQ(TypeParam::ChecksIndexOfEmptyRange ? E_INVALIDARG : 3, list.Remove(9, 0));
    this->ExpectContents({1, 2, 3});
}

TYPED_TEST(ListInterface, RemoveClosesGap)
{
    auto& list = this->list;
    this->Load({1, 2, 3, 4});
    EXPECT_EQ(2, list.Remove(1, 2));
    this->ExpectContents({1, 4});
    EXPECT_EQ(0, list.Remove(0, 2));
    EXPECT_EQ(0u, list.GetCount());
}

TYPED_TEST(ListInterface, AddAndInsertAtReturnIndexOrCount)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    EXPECT_EQ(TypeParam::AddReturnsIndex ? 3 : 4, list.Add(this->V(4)));
    EXPECT_EQ(TypeParam::AddReturnsIndex ? 0 : 5, list.InsertAt(0, this->V(5)));
    EXPECT_EQ(TypeParam::AddReturnsIndex ? 5 : 6, list.InsertAt(5, this->V(6)));
    this->ExpectContents({5, 1, 2, 3, 4, 6});
}

TYPED_TEST(ListInterface, InsertAtCopiesAnElementOfTheSameList)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    list.InsertAt(0, list.GetAt(1));
    list.InsertAt(2, list.GetAt(3));
    this->ExpectContents({2, 1, 3, 2, 3});
}

TYPED_TEST(ListInterface, RemoveItemHandsOutTheElement)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    typename TypeParam::T out = this->V(4);
    EXPECT_EQ(2, list.RemoveItem(1, out));
    EXPECT_TRUE(out == this->V(2));
    this->ExpectContents({1, 3});
    EXPECT_EQ(1, list.RemoveLast(out));
    EXPECT_TRUE(out == this->V(3));
    this->ExpectContents({1});
}

TYPED_TEST(ListInterface, RemoveItemPastEndFailsWithoutChange)
{
    auto& list = this->list;
    this->Load({1, 2});
    typename TypeParam::T out = this->V(4);
    if (TypeParam::RemoveItemPastEnd == BadItem::Throws)
        EXPECT_THROW(list.RemoveItem(2, out), std::out_of_range);
    else
        EXPECT_EQ(E_INVALIDARG, list.RemoveItem(2, out));
    EXPECT_TRUE(out == this->V(4));
    this->ExpectContents({1, 2});
}

TYPED_TEST(ListInterface, RemoveLastOfEmptyList)
{
    auto& list = this->list;
    typename TypeParam::T out = this->V(4);
    if (TypeParam::RemoveItemPastEnd == BadItem::Throws && !TypeParam::RemovePastEndThrows) {
        EXPECT_THROW(list.RemoveLast(out), std::out_of_range);
    } else {
        EXPECT_EQ(TypeParam::RemoveLastOfEmpty, list.RemoveLast(out));
        // The counted-pointer lists empty out first; the others leave it alone.
        EXPECT_TRUE(out == this->V(TypeParam::RemovePastEndThrows ? 0 : 4));
    }
    EXPECT_EQ(0u, list.GetCount());
}

TYPED_TEST(ListInterface, FindReturnsFirstEqualElement)
{
    auto& list = this->list;
    this->Load({1, 2, 1, 0});
    EXPECT_EQ(0, list.Find(this->V(1)));
    EXPECT_EQ(1, list.Find(this->V(2)));
    EXPECT_EQ(3, list.Find(this->V(0)));
    EXPECT_EQ(-1, list.Find(this->V(5)));
}

TYPED_TEST(ListInterface, IsEqualComparesCountsAndElementsInOrder)
{
    typename TypeParam::List otherStorage;
    IArray<typename TypeParam::T>& other = TypeParam::Face(otherStorage);
    auto& list = this->list;
    EXPECT_TRUE(list.IsEqual(other));
    this->Load({1, 2, 3});
    EXPECT_FALSE(list.IsEqual(other));
    EXPECT_EQ(3, other.Assign(list));
    EXPECT_TRUE(list.IsEqual(other));
    EXPECT_TRUE(other.IsEqual(list));
    other.GetAt(2) = this->V(4);
    EXPECT_FALSE(list.IsEqual(other));
    other.GetAt(2) = this->V(3);
    other.Swap(0, 1);
    EXPECT_FALSE(list.IsEqual(other));
}

TYPED_TEST(ListInterface, AppendCopiesAfterTheOldElements)
{
    typename TypeParam::List otherStorage;
    IArray<typename TypeParam::T>& other = TypeParam::Face(otherStorage);
    auto& list = this->list;
    this->Load({1});
    EXPECT_EQ(1, list.Append(other));
    other.Add(this->V(2));
    other.Add(this->V(3));
    EXPECT_EQ(3, list.Append(other));
    this->ExpectContents({1, 2, 3});
    EXPECT_EQ(2u, other.GetCount());
}

TYPED_TEST(ListInterface, AppendToItselfDoublesTheList)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    EXPECT_EQ(6, list.Append(list));
    this->ExpectContents({1, 2, 3, 1, 2, 3});
}

TYPED_TEST(ListInterface, AssignReplacesTheElements)
{
    typename TypeParam::List otherStorage;
    IArray<typename TypeParam::T>& other = TypeParam::Face(otherStorage);
    auto& list = this->list;
    this->Load({1, 2, 3});
    other.Add(this->V(4));
    EXPECT_EQ(1, list.Assign(other));
    this->ExpectContents({4});
    EXPECT_EQ(1, list.Assign(list));
    this->ExpectContents({4});
    other.Clear();
    EXPECT_EQ(0, list.Assign(other));
    EXPECT_EQ(0u, list.GetCount());
}

TYPED_TEST(ListInterface, SwapExchangesTwoElements)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    EXPECT_EQ(S_OK, list.Swap(0, 2));
    this->ExpectContents({3, 2, 1});
    EXPECT_EQ(S_OK, list.Swap(1, 1));
    this->ExpectContents({3, 2, 1});
}

TYPED_TEST(ListInterface, ClearEmptiesTheList)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    EXPECT_EQ(S_OK, list.Clear());
    EXPECT_EQ(0u, list.GetCount());
    EXPECT_EQ(S_OK, list.Clear());
}

// A list that claims more elements than any list can take, to reach the overflow of Append.
class HugeList : public IArray<uint32_t> {
public:
    uint32_t GetCount() const override { return 0xFFFFFFFE; }
    int32_t SetCount(uint32_t) override { return E_FAIL; }
    int32_t InsertSpace(uint32_t, uint32_t) override { return E_FAIL; }
    int32_t Remove(uint32_t, uint32_t) override { return E_FAIL; }
    uint32_t* GetData() override { return &m_value; }

private:
    uint32_t m_value = 0;
};

TEST(ListAppend, SumPastTheLargestCountFailsWithoutChange)
{
    HugeList huge;
    Array<uint32_t> array;
    array.Add(7);
    ArrayBuffer<uint32_t> buffer;
    buffer.Add(7);
    EXPECT_EQ(E_FAIL, array.Append(huge));
    EXPECT_EQ(E_FAIL, buffer.Append(huge));
    EXPECT_EQ(1u, array.GetCount());
    EXPECT_EQ(1u, buffer.GetCount());
}

// A list without contiguous storage, so that the walking defaults of the interface run.
class Chain : public IIterable<int32_t> {
public:
    uint32_t GetCount() const override { return uint32_t(m_items.size()); }
    int32_t& GetAt(Position position) override { return *reinterpret_cast<int32_t*>(position); }
    using IIterable<int32_t>::GetAt;
    Position Advance(Position position, int32_t n) const override
    {
        auto it = Locate(position);
        for (; n > 0 && it != m_items.end(); --n)
            ++it;
        for (; n < 0 && it != m_items.begin(); ++n)
            --it;
        return At(it);
    }
    Position GetFirstPosition() const override { return At(m_items.begin()); }
    // The end of a non-empty chain is null, like the positions of an empty one.
    Position GetEndPosition() const override { return Position{}; }
    int32_t SetCount(uint32_t n) override
    {
        m_items.resize(n);
        return int32_t(n);
    }
    int32_t InsertSpace(uint32_t index, uint32_t n) override
    {
        if (index > GetCount())
            return E_INVALIDARG;
        m_items.insert(std::next(m_items.begin(), index), n, 0);
        return int32_t(GetCount());
    }
    int32_t Remove(uint32_t index, uint32_t n) override
    {
        if (uint64_t(index) + n > GetCount())
            return E_INVALIDARG;
        auto first = std::next(m_items.begin(), index);
        m_items.erase(first, std::next(first, n));
        return int32_t(GetCount());
    }

private:
    std::list<int32_t>::const_iterator Locate(Position position) const
    {
        auto it = m_items.begin();
        while (it != m_items.end() && At(it) != position)
            ++it;
        return it;
    }
    Position At(std::list<int32_t>::const_iterator it) const
    {
        return it == m_items.end() ? Position{} : static_cast<Position>(reinterpret_cast<uintptr_t>(&*it));
    }

    std::list<int32_t> m_items;
};

TEST(ListWalk, ListsWithoutContiguousStorageUseTheWalkingDefaults)
{
    Chain chain;
    // The default insertion reports the new count.
    EXPECT_EQ(1, chain.Add(5));
    EXPECT_EQ(2, chain.Add(7));
    EXPECT_EQ(3, chain.InsertAt(0, 3));
    EXPECT_EQ(7, chain.GetAt(2u));
    EXPECT_EQ(2, chain.Find(7));
    EXPECT_EQ(S_OK, chain.Swap(0, 2));
    EXPECT_EQ(E_INVALIDARG, chain.Swap(0, 3));

    Array<int32_t> array;
    EXPECT_EQ(3, array.Append(chain));
    EXPECT_TRUE(array.IsEqual(chain));
    EXPECT_TRUE(chain.IsEqual(array));
    EXPECT_EQ(6, chain.Append(chain));
    EXPECT_EQ(8, chain.Append(SimpleFixedArray<int32_t, 4>(2)));
    const int32_t expected[] = {7, 5, 3, 7, 5, 3, 0, 0};
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_EQ(expected[i], chain.GetAt(i)) << i;

    int32_t out = 0;
    EXPECT_EQ(7, chain.RemoveLast(out));
    EXPECT_EQ(E_INVALIDARG, chain.RemoveItem(7, out));
    EXPECT_EQ(3, chain.Assign(array));
    EXPECT_TRUE(chain.IsEqual(array));
    EXPECT_EQ(S_OK, chain.Clear());
    EXPECT_EQ(-1, chain.Find(7));
}

TEST(ArrayTest, IndexAccessIsRangeChecked)
{
    Array<uint32_t> array;
    EXPECT_EQ(nullptr, array.GetData());
    array.Add(5);
    EXPECT_EQ(5u, array.GetAt(0));
    EXPECT_THROW(array.GetAt(1), std::out_of_range);
    const Array<uint32_t>& constant = array;
    EXPECT_THROW(constant.GetAt(uint32_t(-1)), std::out_of_range);
}

static_assert(std::is_nothrow_move_constructible_v<Array<uint32_t>>);
static_assert(std::is_nothrow_move_assignable_v<Array<uint32_t>>);
static_assert(std::is_nothrow_move_constructible_v<StringArrayT<char16_t, char>>);

TEST(ArrayTest, MovesTakeTheStorageOver)
{
    Array<uint32_t> source;
    for (uint32_t value : {4u, 5u, 6u})
        source.Add(value);
    const uint32_t* storage = source.GetData();

    Array<uint32_t> moved(std::move(source));
    EXPECT_EQ(storage, moved.GetData());
    EXPECT_EQ(0u, source.GetCount());
    EXPECT_EQ(nullptr, source.GetData());

    Array<uint32_t> target;
    target.Add(1);
    target = std::move(moved);
    EXPECT_EQ(storage, target.GetData());
    EXPECT_EQ(3u, target.GetCount());
    EXPECT_EQ(0u, moved.GetCount());

    // The strings change hands with their array: none is copied.
    StringArrayT<char16_t, char> strings;
    strings.Add(StringT<char16_t, char>(u"kept"));
    const char16_t* text = strings.GetAt(0).GetString();
    StringArrayT<char16_t, char> movedStrings(std::move(strings));
    EXPECT_EQ(text, movedStrings.GetAt(0).GetString());
    EXPECT_EQ(0u, strings.GetCount());
}

TEST(ArrayTest, BoundedByteWriteCopiesOnlyInsideTheCount)
{
    const signed char source[] = {1, 2, 3, 4, 5};
    struct Case {
        uint32_t count;
        uint32_t offset;
        uint32_t expected;
        std::vector<signed char> after;
    };
    const Case cases[] = {
        {3, 0, 3, {1, 2, 3, 0}}, {5, 2, 2, {0, 0, 1, 2}}, {5, 4, 0, {0, 0, 0, 0}},
        {2, 9, 0, {0, 0, 0, 0}}, {0, 1, 0, {0, 0, 0, 0}}, {1, 3, 1, {0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        Array<signed char> bytes;
        bytes.SetCount(4);
        EXPECT_EQ(c.expected, bytes.Write(source, c.count, c.offset)) << c.count << " at " << c.offset;
        EXPECT_EQ(c.after, std::vector<signed char>(bytes.GetData(), bytes.GetDataEnd()));
    }
    Array<signed char> empty;
    EXPECT_EQ(0u, empty.Write(source, 5, 0));
    EXPECT_EQ(0u, empty.GetCount());
}

TEST(ArrayBufferTest, GrowthKeepsElementsAndZeroesTheNewOnes)
{
    ArrayBuffer<uint32_t> buffer;
    EXPECT_EQ(nullptr, buffer.GetData());
    EXPECT_EQ(3, buffer.SetCount(3));
    buffer.GetAt(0) = 7;
    buffer.GetAt(1) = 8;
    buffer.GetAt(2) = 9;
    EXPECT_EQ(12u, buffer.GetSize());
    EXPECT_EQ(2, buffer.SetCount(2));
    EXPECT_EQ(6, buffer.SetCount(6));
    const uint32_t expected[] = {7, 8, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, buffer.GetData(), sizeof expected));
}

TEST(ArrayBufferTest, EmptiedListMayKeepItsBlockWithinTheSlack)
{
    ArrayBuffer<uint32_t, 4, 16> buffer;
    buffer.SetCount(5);
    EXPECT_EQ(32u, buffer.GetCapacity());
    buffer.SetCount(0);
    EXPECT_EQ(0u, buffer.GetCount());
    EXPECT_NE(nullptr, buffer.GetData());
    EXPECT_EQ(nullptr, buffer.GetDataEnd());
    EXPECT_EQ(IIterable<uint32_t>::Position{}, buffer.GetFirstPosition());
}

// A heap that is always exhausted, so that every growth of a buffer falls short.
class ExhaustedAllocator : public IAllocator {
public:
    void* Allocate(size_t) override { return nullptr; }
    void* AllocateZeroed(size_t, size_t) override { return nullptr; }
    void* Reallocate(void* block, size_t size) override
    {
        if (size == 0)
            std::free(block);
        return nullptr;
    }
    void Free(void* block) override { std::free(block); }
};

IAllocator& GetExhaustedAllocator()
{
    static ExhaustedAllocator* const allocator = new ExhaustedAllocator;
    return *allocator;
}

TEST(ArrayBufferTest, GrowthThatFallsShortFailsAndWritesNothing)
{
    ArrayBuffer<uint32_t, 1, 0, 1, 8, &GetExhaustedAllocator> buffer;
    Array<uint32_t> two;
    two.SetCount(2);
    EXPECT_EQ(E_FAIL, buffer.Add(5));
    EXPECT_EQ(E_FAIL, buffer.InsertAt(0, 5));
    EXPECT_EQ(E_FAIL, buffer.InsertSpace(0, 2));
    EXPECT_EQ(E_FAIL, buffer.Append(two));
    EXPECT_EQ(0, buffer.SetCount(3));
    EXPECT_EQ(0u, buffer.GetCount());

    ArrayBufferM<signed char, 2, 1, 0, 1, 8, &GetExhaustedAllocator> bytes;
    EXPECT_EQ(1, bytes.Add(1));
    EXPECT_EQ(2, bytes.Add(2));
    EXPECT_EQ(E_FAIL, bytes.Add(3));
    EXPECT_EQ(E_FAIL, bytes.InsertSpace(1, 1));
    EXPECT_EQ((std::vector<signed char>{1, 2}), std::vector<signed char>(bytes.GetData(), bytes.GetDataEnd()));
}

TEST(ArrayBufferMTest, MovesBetweenInlineStorageAndBuffer)
{
    ArrayBufferM<signed char, 4> bytes;
    for (signed char b : {10, 20, 30, 40})
        bytes.Add(b);
    EXPECT_EQ(0u, bytes.GetCapacity());
    const signed char* inlineData = bytes.GetData();

    EXPECT_EQ(5, bytes.Add(50));
    EXPECT_EQ(5u, bytes.GetSize());
    EXPECT_EQ(5u, bytes.GetCapacity());
    EXPECT_NE(inlineData, bytes.GetData());
    EXPECT_EQ((std::vector<signed char>{10, 20, 30, 40, 50}), std::vector<signed char>(bytes.GetData(), bytes.GetDataEnd()));

    signed char last = 0;
    EXPECT_EQ(4, bytes.RemoveLast(last));
    EXPECT_EQ(50, last);
    EXPECT_EQ(0u, bytes.GetCapacity());
    EXPECT_EQ(inlineData, bytes.GetData());
    EXPECT_EQ((std::vector<signed char>{10, 20, 30, 40}), std::vector<signed char>(bytes.GetData(), bytes.GetDataEnd()));

    EXPECT_EQ(0, bytes.SetCount(0));
    EXPECT_EQ(0u, bytes.GetCount());
    EXPECT_EQ(nullptr, bytes.GetDataEnd());
}

TEST(ArrayBufferMTest, FillsWorkOnTheInlineBytesInUse)
{
    ArrayBufferM<signed char, 4> bytes;
    bytes.SetCount(4);
    bytes.GetAt(3) = 9;
    bytes.SetCount(3);
    IBuffer& buffer = bytes;
    EXPECT_EQ(S_OK, buffer.Fill(7, 1, -1));
    EXPECT_EQ(E_INVALIDARG, buffer.Fill(1, 2, 2));
    EXPECT_EQ(E_INVALIDARG, buffer.Fill(1, 4, -1));
    EXPECT_EQ(S_OK, buffer.Fill(1, 3, 0));
    EXPECT_EQ(S_OK, buffer.Fill16(0x0505, 0, 1));
    EXPECT_EQ(E_INVALIDARG, buffer.Fill16(1, 2, 1));
    EXPECT_EQ((std::vector<signed char>{5, 5, 7}), std::vector<signed char>(bytes.GetData(), bytes.GetDataEnd()));
    // Fills stop at the count; growing again zeroes the byte beyond it.
    EXPECT_EQ(9, bytes.GetData()[3]);
    EXPECT_EQ(4, bytes.SetCount(4));
    EXPECT_EQ(0, bytes.GetAt(3));
}

TEST(ArrayBufferMTest, InsertAndRemoveAcrossTheInlineLimit)
{
    ArrayBufferM<signed char, 4> bytes;
    for (signed char b : {1, 2, 3})
        bytes.Add(b);
    EXPECT_EQ(6, bytes.InsertSpace(1, 3));
    EXPECT_EQ((std::vector<signed char>{1, 0, 0, 0, 2, 3}), std::vector<signed char>(bytes.GetData(), bytes.GetDataEnd()));
    EXPECT_EQ(3, bytes.Remove(0, 3));
    EXPECT_EQ(0u, bytes.GetCapacity());
    EXPECT_EQ((std::vector<signed char>{0, 2, 3}), std::vector<signed char>(bytes.GetData(), bytes.GetDataEnd()));
}

TEST(SimpleFixedArrayTest, NeverGrowsPastItsSize)
{
    SimpleFixedArray<signed char, 8> bytes(12);
    EXPECT_EQ(8u, bytes.GetCount());
    EXPECT_EQ(8, bytes.SetCount(12));
    EXPECT_EQ(6, bytes.SetCount(6));
    EXPECT_EQ(E_INVALIDARG, bytes.InsertSpace(0, 3));
    EXPECT_EQ(E_INVALIDARG, bytes.InsertSpace(0, uint32_t(-1)));
    EXPECT_EQ(6u, bytes.GetCount());
    EXPECT_EQ(8, bytes.InsertSpace(0, 2));
    EXPECT_EQ(E_INVALIDARG, bytes.Add(1));
    EXPECT_EQ(8u, bytes.GetCount());
}

TEST(SimpleFixedArrayTest, GrowingKeepsTheOldBytesAndDataIsNeverNull)
{
    SimpleFixedArray<signed char, 8> bytes;
    EXPECT_NE(nullptr, bytes.GetData());
    EXPECT_EQ(nullptr, bytes.GetDataEnd());
    bytes.SetCount(3);
    bytes.GetData()[2] = 42;
    bytes.SetCount(1);
    bytes.SetCount(3);
    EXPECT_EQ(42, bytes.GetAt(2));
    // A copy is a value of its own.
    SimpleFixedArray<signed char, 8> copy = bytes;
    copy.GetAt(2) = 1;
    EXPECT_EQ(42, bytes.GetAt(2));
}

TEST(StringArrayTest, FindMatchesTextFromStart)
{
    using String = StringT<char16_t, char>;
    StringArrayT<char16_t, char> strings;
    for (const char16_t* text : {u"Alpha", u"beta", u"ALPHA", u"alpha"})
        strings.Add(String(text));
    struct Case {
        const char16_t* text;
        bool caseSensitive;
        uint32_t start;
        int32_t expected;
    };
    const Case cases[] = {
        {u"alpha", true, 0, 3},  {u"alpha", false, 0, 0}, {u"alpha", false, 1, 2}, {u"BETA", false, 0, 1},
        {u"BETA", true, 0, -1},  {u"alpha", true, 4, -1}, {u"alpha", false, uint32_t(-1), -1},
        {u"alph", false, 0, -1}, {u"", false, 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, strings.Find(String(c.text), c.caseSensitive, c.start))
            << String(c.text).ToUTF8().GetString() << " " << c.caseSensitive << " " << c.start;
    StringArrayT<char16_t, char> empty;
    EXPECT_EQ(-1, empty.Find(String(u"alpha"), false, 0));
}

TEST(StringArrayTest, NarrowStringsAreSearchedTheSameWay)
{
    using Narrow = StringT<char, char16_t>;
    StringArrayT<char, char16_t> strings;
    strings.Add(Narrow("Port A"));
    strings.Add(Narrow("port a"));
    EXPECT_EQ(0, strings.Find(Narrow("PORT A"), false, 0));
    EXPECT_EQ(1, strings.Find(Narrow("port a"), true, 0));
    EXPECT_EQ(-1, strings.Find(Narrow("port"), false, 0));
    EXPECT_EQ(1, strings.FindBuffer(strings.GetAt(1).GetString()));
}

TEST(StringArrayTest, FindBufferFindsTheLastStringAtThatAddress)
{
    using String = StringT<char16_t, char>;
    StringArrayT<char16_t, char> strings;
    String shared(u"id");
    strings.Add(shared);
    strings.Add(String(u"id"));
    strings.Add(shared);
    strings.Add(String(u"other"));
    EXPECT_EQ(2, strings.FindBuffer(shared.GetString()));
    EXPECT_EQ(1, strings.FindBuffer(strings.GetAt(1).GetString()));
    EXPECT_EQ(-1, strings.FindBuffer(String(u"id").GetString()));
    EXPECT_EQ(-1, strings.FindBuffer(nullptr));
}

} // namespace ListTest
} // namespace VQ
