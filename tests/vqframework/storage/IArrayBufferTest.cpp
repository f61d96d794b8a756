#include "ListInterfaceTests.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace VQ {
namespace ListTest {

using BufferLists = ::testing::Types<Direct<ArrayBuffer<uint32_t>, Ints>, Direct<ArrayBuffer<uint32_t, 32, 1600>, Ints>,
                                     Direct<ArrayBuffer<Rects::T>, Rects>, Direct<ArrayBufferM<signed char, 4>, Bytes>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Buffers, ListInterface, BufferLists);

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

} // namespace ListTest
} // namespace VQ
