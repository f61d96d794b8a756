// The behaviour every list of the one list interface shares, as type-parameterised tests; each
// test file instantiates them for a group of implementations, which keeps each file quick to build.
#pragma once

#include "vqframework/storage/Array.h"
#include "vqframework/storage/ArrayBuffer.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/SimpleFixedArray.h"
#include "vqframework/storage/StringArrayT.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <span>
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

TYPED_TEST_SUITE_P(ListInterface);

TYPED_TEST_P(ListInterface, EmptyListHasNullPositionsAndBeginEqualsEnd)
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

TYPED_TEST_P(ListInterface, PositionsAreElementAddressesAndAdvanceIsClamped)
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

TYPED_TEST_P(ListInterface, IteratorWalkVisitsElementsInOrder)
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

TYPED_TEST_P(ListInterface, RangeForAndSpanSeeTheElementsInPlace)
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

TYPED_TEST_P(ListInterface, NewElementsAreEmpty)
{
    auto& list = this->list;
    this->Load({1, 2});
    EXPECT_EQ(5, list.SetCount(5));
    this->ExpectContents({1, 2, 0, 0, 0});
    EXPECT_EQ(2, list.SetCount(2));
    this->ExpectContents({1, 2});
}

TYPED_TEST_P(ListInterface, InsertSpaceOpensEmptyGap)
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

TYPED_TEST_P(ListInterface, BadIndexesAndRangesReturnInvalidArgAndChangeNothing)
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

TYPED_TEST_P(ListInterface, EmptyRangeAtBadIndexDependsOnList)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    int32_t expected = TypeParam::ChecksIndexOfEmptyRange ? E_INVALIDARG : 3;
    EXPECT_EQ(expected, list.InsertSpace(9, 0));
    EXPECT_EQ(expected, list.Remove(3, 0));
    EXPECT_EQ(TypeParam::ChecksIndexOfEmptyRange ? E_INVALIDARG : 3, list.Remove(9, 0));
    this->ExpectContents({1, 2, 3});
}

TYPED_TEST_P(ListInterface, RemoveClosesGap)
{
    auto& list = this->list;
    this->Load({1, 2, 3, 4});
    EXPECT_EQ(2, list.Remove(1, 2));
    this->ExpectContents({1, 4});
    EXPECT_EQ(0, list.Remove(0, 2));
    EXPECT_EQ(0u, list.GetCount());
}

TYPED_TEST_P(ListInterface, AddAndInsertAtReturnIndexOrCount)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    EXPECT_EQ(TypeParam::AddReturnsIndex ? 3 : 4, list.Add(this->V(4)));
    EXPECT_EQ(TypeParam::AddReturnsIndex ? 0 : 5, list.InsertAt(0, this->V(5)));
    EXPECT_EQ(TypeParam::AddReturnsIndex ? 5 : 6, list.InsertAt(5, this->V(6)));
    this->ExpectContents({5, 1, 2, 3, 4, 6});
}

TYPED_TEST_P(ListInterface, InsertAtCopiesAnElementOfTheSameList)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    list.InsertAt(0, list.GetAt(1));
    list.InsertAt(2, list.GetAt(3));
    this->ExpectContents({2, 1, 3, 2, 3});
}

TYPED_TEST_P(ListInterface, RemoveItemHandsOutTheElement)
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

TYPED_TEST_P(ListInterface, RemoveItemPastEndFailsWithoutChange)
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

TYPED_TEST_P(ListInterface, RemoveLastOfEmptyList)
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

TYPED_TEST_P(ListInterface, FindReturnsFirstEqualElement)
{
    auto& list = this->list;
    this->Load({1, 2, 1, 0});
    EXPECT_EQ(0, list.Find(this->V(1)));
    EXPECT_EQ(1, list.Find(this->V(2)));
    EXPECT_EQ(3, list.Find(this->V(0)));
    EXPECT_EQ(-1, list.Find(this->V(5)));
}

TYPED_TEST_P(ListInterface, IsEqualComparesCountsAndElementsInOrder)
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

TYPED_TEST_P(ListInterface, AppendCopiesAfterTheOldElements)
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

TYPED_TEST_P(ListInterface, AppendToItselfDoublesTheList)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    EXPECT_EQ(6, list.Append(list));
    this->ExpectContents({1, 2, 3, 1, 2, 3});
}

TYPED_TEST_P(ListInterface, AssignReplacesTheElements)
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

TYPED_TEST_P(ListInterface, SwapExchangesTwoElements)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    EXPECT_EQ(S_OK, list.Swap(0, 2));
    this->ExpectContents({3, 2, 1});
    EXPECT_EQ(S_OK, list.Swap(1, 1));
    this->ExpectContents({3, 2, 1});
}

TYPED_TEST_P(ListInterface, ClearEmptiesTheList)
{
    auto& list = this->list;
    this->Load({1, 2, 3});
    EXPECT_EQ(S_OK, list.Clear());
    EXPECT_EQ(0u, list.GetCount());
    EXPECT_EQ(S_OK, list.Clear());
}

REGISTER_TYPED_TEST_SUITE_P(ListInterface,
                            EmptyListHasNullPositionsAndBeginEqualsEnd,
                            PositionsAreElementAddressesAndAdvanceIsClamped,
                            IteratorWalkVisitsElementsInOrder,
                            RangeForAndSpanSeeTheElementsInPlace,
                            NewElementsAreEmpty,
                            InsertSpaceOpensEmptyGap,
                            BadIndexesAndRangesReturnInvalidArgAndChangeNothing,
                            EmptyRangeAtBadIndexDependsOnList,
                            RemoveClosesGap,
                            AddAndInsertAtReturnIndexOrCount,
                            InsertAtCopiesAnElementOfTheSameList,
                            RemoveItemHandsOutTheElement,
                            RemoveItemPastEndFailsWithoutChange,
                            RemoveLastOfEmptyList,
                            FindReturnsFirstEqualElement,
                            IsEqualComparesCountsAndElementsInOrder,
                            AppendCopiesAfterTheOldElements,
                            AppendToItselfDoublesTheList,
                            AssignReplacesTheElements,
                            SwapExchangesTwoElements,
                            ClearEmptiesTheList);

} // namespace ListTest
} // namespace VQ
