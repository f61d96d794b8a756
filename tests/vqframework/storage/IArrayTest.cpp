#include "ListInterfaceTests.h"

#include <iterator>
#include <list>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace VQ {
namespace ListTest {

// The lists without a byte buffer of their own; the buffer and counted-pointer lists have files
// of their own.
using VectorAndFixedLists = ::testing::Types<ArrayOfInts, ArrayOfStrings, FixedBytes>;
INSTANTIATE_TYPED_TEST_SUITE_P(VectorAndFixed, ListInterface, VectorAndFixedLists);

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
