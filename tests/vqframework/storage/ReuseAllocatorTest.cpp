#include "vqframework/storage/ReuseAllocator.h"

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace VQ {
namespace {

struct Payload {
    int64_t a;
    int32_t b;
};

using PayloadPool = ReuseAllocator<Payload, 4>;

bool IsAligned(const void* pointer, std::size_t alignment)
{
    return reinterpret_cast<uintptr_t>(pointer) % alignment == 0;
}

TEST(ReuseAllocatorTest, ReusesTheBlockFreedLastFirst)
{
    PayloadPool pool(false);
    void* first = pool.Allocate(sizeof(Payload));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(pool.GetBlockCount(), 1u);
    pool.Free(first);
    EXPECT_EQ(pool.Allocate(sizeof(Payload)), first);
    EXPECT_EQ(pool.GetBlockCount(), 1u);

    void* second = pool.Allocate(sizeof(Payload));
    EXPECT_NE(second, first);
    pool.Free(first);
    pool.Free(second);
    EXPECT_EQ(pool.GetFreeCount(), 2u);
    EXPECT_EQ(pool.Allocate(sizeof(Payload)), second);
    EXPECT_EQ(pool.Allocate(sizeof(Payload)), first);
    EXPECT_EQ(pool.GetFreeCount(), 0u);
    EXPECT_EQ(pool.GetBlockCount(), 2u);
}

TEST(ReuseAllocatorTest, KeepsAsManyBlocksAsWereLiveAtOnce)
{
    PayloadPool pool(false);
    void* a = pool.Allocate(sizeof(Payload));
    void* b = pool.Allocate(sizeof(Payload));
    pool.Free(a);
    pool.Free(b);
    std::set<void*> reused{pool.Allocate(sizeof(Payload)), pool.Allocate(sizeof(Payload))};
    EXPECT_EQ(reused, (std::set<void*>{a, b}));
    void* fresh = pool.Allocate(sizeof(Payload));
    EXPECT_EQ(reused.count(fresh), 0u);
    EXPECT_EQ(pool.GetBlockCount(), 3u);
}

TEST(ReuseAllocatorTest, SendsOtherSizesToTheHeapWithoutTouchingTheTables)
{
    PayloadPool pool(false);
    void* pooled = pool.Allocate(sizeof(Payload));
    pool.Free(pooled);
    for (std::size_t size : {std::size_t{0}, sizeof(Payload) - 1, sizeof(Payload) + 12, std::size_t{4096}}) {
        SCOPED_TRACE(size);
        void* memory = pool.Allocate(size);
        ASSERT_NE(memory, nullptr);
        EXPECT_NE(memory, pooled);
        EXPECT_TRUE(IsAligned(memory, alignof(std::max_align_t)));
        std::memset(memory, 0xA5, size);
        EXPECT_EQ(pool.GetBlockCount(), 1u);
        EXPECT_EQ(pool.GetFreeCount(), 1u);
        // Under the sanitizer build, a look in front of the heap block would be reported here.
        pool.Free(memory);
        EXPECT_EQ(pool.GetBlockCount(), 1u);
        EXPECT_EQ(pool.GetFreeCount(), 1u);
    }
    EXPECT_EQ(pool.Allocate(sizeof(Payload)), pooled);
}

TEST(ReuseAllocatorTest, RefusesSizesTheHeaderCannotPrecede)
{
    PayloadPool pool(false);
    EXPECT_EQ(pool.Allocate(SIZE_MAX - 4), nullptr);
    EXPECT_EQ(pool.GetBlockCount(), 0u);
}

TEST(ReuseAllocatorTest, IgnoresFreeOfNull)
{
    PayloadPool pool(true);
    pool.Free(nullptr);
    EXPECT_EQ(pool.GetFreeCount(), 0u);
}

template <uint32_t N> std::vector<uint32_t> CapacitiesWhileGrowing(uint32_t blocks)
{
    ReuseAllocator<Payload, N> pool(false);
    std::vector<uint32_t> capacities{pool.GetBlockCapacity()};
    for (uint32_t i = 0; i < blocks; ++i) {
        pool.Allocate(sizeof(Payload));
        capacities.push_back(pool.GetBlockCapacity());
    }
    return capacities;
}

TEST(ReuseAllocatorTest, GrowsTablesInStepsOfTheGranule)
{
    EXPECT_EQ(CapacitiesWhileGrowing<1>(4), (std::vector<uint32_t>{1, 1, 2, 3, 4}));
    std::vector<uint32_t> expected(33, 32);
    expected.push_back(64);
    EXPECT_EQ(CapacitiesWhileGrowing<32>(33), expected);
}

TEST(ReuseAllocatorTest, DestroysBlocksStillInUse)
{
    // The sanitizer build's leak check fails this test if a block or the lock is left behind.
    auto* pool = new ReuseAllocator<Payload, 1>(true);
    for (int i = 0; i < 5; ++i)
        pool->Allocate(sizeof(Payload));
    pool->Free(pool->Allocate(sizeof(Payload)));
    delete pool;
}

TEST(ReuseAllocatorTest, RefusesSecondFreeOfABlock)
{
    PayloadPool pool(false);
    void* block = pool.Allocate(sizeof(Payload));
    pool.Free(block);
#ifndef NDEBUG
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(pool.Free(block), "freed twice");
#else
    pool.Free(block);
    EXPECT_EQ(pool.GetFreeCount(), 1u);
    void* first = pool.Allocate(sizeof(Payload));
    EXPECT_NE(pool.Allocate(sizeof(Payload)), first);
#endif
}

TEST(ReuseAllocatorTest, LockedPoolServesSeveralThreads)
{
    ReuseAllocator<Payload, 1> pool(true);
    const int32_t threads = 4;
    const int32_t rounds = 2000;
    const int32_t perRound = 8;
    std::vector<int32_t> mismatches(threads, 0);
    std::vector<std::thread> workers;
    for (int32_t t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            std::vector<Payload*> held;
            for (int32_t r = 0; r < rounds; ++r) {
                for (int32_t i = 0; i < perRound; ++i) {
                    auto* p = static_cast<Payload*>(pool.Allocate(sizeof(Payload)));
                    *p = {t, i};
                    held.push_back(p);
                }
                // A block handed to two threads at once would show the other thread's marks.
                for (int32_t i = 0; i < perRound; ++i)
                    if (held[i]->a != t || held[i]->b != i)
                        ++mismatches[t];
                for (Payload* p : held)
                    pool.Free(p);
                held.clear();
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(mismatches, std::vector<int32_t>(threads, 0));
    EXPECT_LE(pool.GetBlockCount(), uint32_t(threads * perRound));
    EXPECT_EQ(pool.GetFreeCount(), pool.GetBlockCount());
}

// A pooled class of the usual shape: counted, with a vtable and a double.
class LPooledValue : public LRefCountedObject, public ReusePooled<LPooledValue, 4, false> {
public:
    explicit LPooledValue(double value, bool fail = false) : m_value(value)
    {
        if (fail)
            throw std::runtime_error("constructor failed");
    }
    double GetValue() const { return m_value; }

private:
    double m_value;
};

class LLargerPooledValue : public LPooledValue {
public:
    LLargerPooledValue() : LPooledValue(2.0) {}

private:
    // Only its size matters: it makes the class too large for the pool's blocks.
    [[maybe_unused]] char m_extra[40] = {};
};

using ValuePool = ReuseAllocator<LPooledValue, 4>;

TEST(ReuseAllocatorTest, PooledObjectsAreAlignedForTheirMembers)
{
    static_assert(alignof(LPooledValue) == 8);
    std::vector<RCPtr<LPooledValue>> values;
    for (int i = 0; i < 6; ++i) {
        values.push_back(new LPooledValue(i + 0.5));
        values.push_back(new LLargerPooledValue);
    }
    for (const RCPtr<LPooledValue>& value : values)
        EXPECT_TRUE(IsAligned(value.Get(), 16)) << value.Get();
}

TEST(ReuseAllocatorTest, ReleasedObjectReturnsItsBlockToTheClassPool)
{
    ValuePool& pool = LPooledValue::GetPool();
    RCPtr<LPooledValue> value = new LPooledValue(1.5);
    const void* address = value.Get();
    const uint32_t blocks = pool.GetBlockCount();
    const uint32_t free = pool.GetFreeCount();
    value.Release();
    EXPECT_EQ(pool.GetFreeCount(), free + 1);
    value = new LPooledValue(2.5);
    EXPECT_EQ(value.Get(), address);
    EXPECT_EQ(value->GetValue(), 2.5);
    EXPECT_EQ(pool.GetBlockCount(), blocks);
}

TEST(ReuseAllocatorTest, LargerDerivedClassNeverTouchesThePool)
{
    ValuePool& pool = LPooledValue::GetPool();
    const uint32_t blocks = pool.GetBlockCount();
    const uint32_t free = pool.GetFreeCount();
    {
        RCPtr<LPooledValue> larger = new LLargerPooledValue;
        EXPECT_EQ(pool.GetBlockCount(), blocks);
        EXPECT_EQ(pool.GetFreeCount(), free);
    }
    EXPECT_EQ(pool.GetBlockCount(), blocks);
    EXPECT_EQ(pool.GetFreeCount(), free);
}

TEST(ReuseAllocatorTest, ThrowingConstructorGivesTheBlockBack)
{
    ValuePool& pool = LPooledValue::GetPool();
    RCPtr<LPooledValue> warm = new LPooledValue(0);
    warm.Release();
    const uint32_t blocks = pool.GetBlockCount();
    const uint32_t free = pool.GetFreeCount();
    EXPECT_THROW(new LPooledValue(1, true), std::runtime_error);
    EXPECT_EQ(pool.GetBlockCount(), blocks);
    EXPECT_EQ(pool.GetFreeCount(), free);
}

} // namespace
} // namespace VQ
