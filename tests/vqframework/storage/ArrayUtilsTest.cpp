#include "vqframework/storage/Array.h"
#include "vqframework/storage/ArrayBuffer.h"
#include "vqframework/storage/ArrayUtils.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/SimpleFixedArray.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace VQ {
namespace SortTest {

template <class L> std::vector<int32_t> Contents(const L& list)
{
    std::vector<int32_t> values;
    for (uint32_t i = 0; i < list.GetCount(); ++i)
        values.push_back(int32_t(list.GetAt(i)));
    return values;
}

template <class L> void Load(L& list, const std::vector<int32_t>& values)
{
    list.SetCount(uint32_t(values.size()));
    for (uint32_t i = 0; i < values.size(); ++i)
        list.GetAt(i) = values[i];
}

const char* const SortMessage = "Out of Range : VQ::ArrayUtils::Sort : vqframework/storage/ArrayUtils\\.h : Line [0-9]+";
const char* const SortIndeciesMessage =
    "Out of Range : VQ::ArrayUtils::SortIndecies : vqframework/storage/ArrayUtils\\.h : Line [0-9]+";

TEST(ArraySort, SortsOnlyTheRangeOrThrowsWhenItLeavesTheList)
{
    struct Case {
        uint32_t start;
        uint32_t count;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        {2, 3, {5, 4, 1, 2, 3}}, {0, 5, {1, 2, 3, 4, 5}}, {1, 2, {5, 3, 4, 2, 1}},
        {9, 0, {5, 4, 3, 2, 1}}, {9, 1, {5, 4, 3, 2, 1}}, {uint32_t(-1), 1, {5, 4, 3, 2, 1}},
        {3, 3, {}},              {5, 2, {}},              {uint32_t(-1), 2, {}},
        {0, 6, {}},
    };
    for (const Case& c : cases) {
        Array<int32_t> list;
        Load(list, {5, 4, 3, 2, 1});
        auto sort = [&] { ArrayUtils::Sort(list, c.start, c.count, [](int32_t a, int32_t b) { return a < b; }); };
        if (c.expected.empty()) {
            try {
                sort();
                ADD_FAILURE() << "no exception for " << c.start << ", " << c.count;
            } catch (const Exception<std::out_of_range>& e) {
                EXPECT_THAT(e.what(), ::testing::MatchesRegex(SortMessage));
            }
            EXPECT_EQ((std::vector<int32_t>{5, 4, 3, 2, 1}), Contents(list));
        } else {
            sort();
            EXPECT_EQ(c.expected, Contents(list)) << c.start << ", " << c.count;
        }
    }
}

TEST(ArraySort, SortsBufferBackedAndFixedLists)
{
    ArrayBuffer<uint32_t> buffer;
    Load(buffer, {3, 9, 1, 7});
    ArrayUtils::Sort(buffer, 0, 4, [](uint32_t a, uint32_t b) { return a > b; });
    EXPECT_EQ((std::vector<int32_t>{9, 7, 3, 1}), Contents(buffer));

    SimpleFixedArray<signed char, 8> bytes;
    Load(bytes, {2, -1, 0});
    ArrayUtils::Sort(bytes, 0, 3, [](signed char a, signed char b) { return a < b; });
    EXPECT_EQ((std::vector<int32_t>{-1, 0, 2}), Contents(bytes));
}

struct Node : LRefCountedObject {
    explicit Node(int key) : key(key) {}
    int key;
};

TEST(ArraySort, SortingCountedPointersKeepsEveryCount)
{
    std::vector<RCPtr<Node>> nodes;
    RCPtrArray<Node> list;
    for (int key : {4, 1, 3, 2}) {
        nodes.push_back(new Node(key));
        list.Add(nodes.back());
    }
    ArrayUtils::Sort(list, 0, 4, [](const RCPtr<Node>& a, const RCPtr<Node>& b) { return a->key < b->key; });
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(int(i) + 1, list.GetAt(i)->key);
    for (const RCPtr<Node>& node : nodes)
        EXPECT_EQ(2, node->GetRefCount());
}

TEST(ArraySortIndecies, OrdersIndexesOfTheRangeAndLeavesTheSourceAlone)
{
    Array<int32_t> source;
    Load(source, {50, 40, 30, 10, 20});
    ArrayBuffer<unsigned int> indexes;
    Load(indexes, {7, 7, 7, 7, 7, 7});
    auto byValue = [&](unsigned int i, unsigned int j) { return source.GetAt(i) < source.GetAt(j); };

    ArrayUtils::SortIndecies(indexes, source, 2, 3, byValue);
    EXPECT_EQ((std::vector<int32_t>{3, 4, 2}), Contents(indexes));
    ArrayUtils::SortIndecies(indexes, source, 0, 5, byValue);
    EXPECT_EQ((std::vector<int32_t>{3, 4, 2, 1, 0}), Contents(indexes));
    EXPECT_EQ((std::vector<int32_t>{50, 40, 30, 10, 20}), Contents(source));
    ArrayUtils::SortIndecies(indexes, source, 4, 1, byValue);
    EXPECT_EQ((std::vector<int32_t>{4}), Contents(indexes));
    ArrayUtils::SortIndecies(indexes, source, 0, 0, byValue);
    EXPECT_EQ(0u, indexes.GetCount());
}

TEST(ArraySortIndecies, TieBreakByIndexGivesAscendingIndexes)
{
    Array<int32_t> source;
    Load(source, {1, 1, 1, 1, 1, 1, 1});
    Array<unsigned int> indexes;
    ArrayUtils::SortIndecies(indexes, source, 1, 6, [&](unsigned int i, unsigned int j) {
        return source.GetAt(i) != source.GetAt(j) ? source.GetAt(i) < source.GetAt(j) : i < j;
    });
    EXPECT_EQ((std::vector<int32_t>{1, 2, 3, 4, 5, 6}), Contents(indexes));
}

TEST(ArraySortIndecies, RangeIsTestedFirstAndChangesNothing)
{
    Array<int32_t> empty;
    Array<int32_t> three;
    Load(three, {3, 2, 1});
    struct Case {
        const Array<int32_t>* source;
        uint32_t start;
        uint32_t count;
    };
    const Case cases[] = {{&empty, 1, 0}, {&three, 4, 0}, {&three, 2, 2}, {&three, uint32_t(-1), 2}, {&three, 0, 4}};
    for (const Case& c : cases) {
        ArrayBuffer<unsigned int> indexes;
        Load(indexes, {9});
        try {
            ArrayUtils::SortIndecies(indexes, *c.source, c.start, c.count, [](unsigned int, unsigned int) { return false; });
            ADD_FAILURE() << "no exception for " << c.start << ", " << c.count;
        } catch (const Exception<std::out_of_range>& e) {
            EXPECT_THAT(e.what(), ::testing::MatchesRegex(SortIndeciesMessage));
        }
        EXPECT_EQ((std::vector<int32_t>{9}), Contents(indexes));
    }
}

TEST(ArraySortIndecies, IndexListThatCannotHoldTheRangeIsNotOverrun)
{
    Array<int32_t> source;
    Load(source, std::vector<int32_t>(12, 0));
    SimpleFixedArray<unsigned int, 8> indexes;
    EXPECT_THROW(ArrayUtils::SortIndecies(indexes, source, 0, 12, [](unsigned int a, unsigned int b) { return a < b; }),
                 std::runtime_error);
    EXPECT_EQ(8u, indexes.GetCount());
}

} // namespace SortTest
} // namespace VQ
