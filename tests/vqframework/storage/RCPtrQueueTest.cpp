#include "vqframework/storage/RCPtrQueue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace VQ {
namespace {

class LQueueItem : public LRefCountedObject {
public:
    explicit LQueueItem(int32_t value, int32_t source = 0) : m_value(value), m_source(source) { ++s_live; }
    ~LQueueItem() override { --s_live; }

    int32_t AddRef() const override
    {
        ++s_addRefs;
        return LRefCountedObject::AddRef();
    }

    int32_t GetValue() const { return m_value; }
    int32_t GetSource() const { return m_source; }

    static std::atomic<int32_t> s_live;
    static std::atomic<int64_t> s_addRefs;

private:
    int32_t m_value;
    int32_t m_source;
};

std::atomic<int32_t> LQueueItem::s_live{0};
std::atomic<int64_t> LQueueItem::s_addRefs{0};

using ItemQueue = RCPtrQueue<LQueueItem, 256>;

// Every test ends with no item alive: the queue neither leaks nor over-releases.
class RCPtrQueueTest : public testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(LQueueItem::s_live.load(), 0); }

    Mutex m_lock;
};

struct GrowthCase {
    const char* name;
    uint32_t initialSize;
    // Entries put through the queue first, which moves both indexes on.
    int32_t advance;
    int32_t entries;
    uint32_t slotsAfter;
};

const GrowthCase kGrowthCases[] = {
    {"FillsWithoutGrowing", 256, 0, 255, 256},
    {"GrowsWithReadAtZero", 256, 0, 256, 257},
    {"GrowsWithReadAboveWrite", 256, 10, 256, 257},
    {"GrowsWithReadAboveWriteRepeatedly", 256, 10, 300, 301},
    {"GrowsPastStorageStep", 256, 100, 600, 601},
    {"StartsEmptyRingWithTwoSlots", 0, 0, 1, 2},
    {"GrowsRingOfTwo", 0, 0, 2, 3},
    {"TreatsRingOfOneLikeEmpty", 1, 0, 1, 2},
    {"GrowsSmallRingAfterWrap", 2, 5, 4, 5},
};

class RCPtrQueueGrowthTest : public RCPtrQueueTest, public testing::WithParamInterface<GrowthCase> {};

TEST_P(RCPtrQueueGrowthTest, KeepsOrderAcrossGrowth)
{
    const GrowthCase& c = GetParam();
    ItemQueue queue(&m_lock, c.initialSize);
    EXPECT_EQ(queue.GetCount(), 0u);
    for (int32_t i = 0; i < c.advance; ++i) {
        ASSERT_EQ(queue.Enqueue(new LQueueItem(-1)), S_OK);
        ASSERT_EQ(queue.Dequeue()->GetValue(), -1);
    }

    int32_t next = 0;
    for (; next < c.entries; ++next)
        ASSERT_EQ(queue.Enqueue(new LQueueItem(next)), S_OK);
    EXPECT_EQ(queue.GetCount(), uint32_t(c.entries));
    EXPECT_EQ(queue.GetSlotCount(), c.slotsAfter);

    // Entries enqueued after the growth come out after the older ones.
    int32_t expected = 0;
    for (int32_t i = 0; i < c.entries / 2; ++i)
        ASSERT_EQ(queue.Dequeue()->GetValue(), expected++);
    for (int32_t i = 0; i < 3; ++i)
        queue.Enqueue(new LQueueItem(next++));
    while (queue.GetCount() > 0)
        ASSERT_EQ(queue.Dequeue()->GetValue(), expected++);
    EXPECT_EQ(expected, next);
}

INSTANTIATE_TEST_SUITE_P(Cases, RCPtrQueueGrowthTest, testing::ValuesIn(kGrowthCases),
                         [](const testing::TestParamInfo<GrowthCase>& info) { return info.param.name; });

TEST_F(RCPtrQueueTest, GrowsOneSlotPerWaitingEntry)
{
    ItemQueue queue(&m_lock, 256);
    for (int32_t i = 0; i < 260; ++i) {
        queue.Enqueue(new LQueueItem(i));
        EXPECT_EQ(queue.GetSlotCount(), uint32_t(i < 255 ? 256 : i + 2));
    }
    // The ring never shrinks.
    while (queue.GetCount() > 0)
        queue.Dequeue();
    EXPECT_EQ(queue.GetSlotCount(), 261u);
}

TEST_F(RCPtrQueueTest, DequeueOnEmptyQueueThrowsAndChangesNothing)
{
    for (uint32_t initialSize : {0u, 256u}) {
        SCOPED_TRACE(initialSize);
        ItemQueue queue(&m_lock, initialSize);
        for (int round = 0; round < 2; ++round) {
            try {
                queue.Dequeue();
                FAIL() << "no exception";
            } catch (const std::runtime_error& e) {
                EXPECT_THAT(e.what(), testing::MatchesRegex("Runtime Error : VQ::RCPtrQueue<VQ::.anonymous.::"
                                                            "LQueueItem, 256>::Dequeue : "
                                                            "vqframework/storage/RCPtrQueue\\.h : Line [0-9]+"));
            }
            EXPECT_EQ(queue.GetCount(), 0u);
            queue.Enqueue(new LQueueItem(round));
            EXPECT_EQ(queue.GetCount(), 1u);
            EXPECT_EQ(queue.Dequeue()->GetValue(), round);
        }
    }
}

TEST_F(RCPtrQueueTest, TryDequeueReportsAnEmptyQueueWithoutThrowing)
{
    for (uint32_t initialSize : {0u, 2u, 256u}) {
        SCOPED_TRACE(initialSize);
        ItemQueue queue(&m_lock, initialSize);
        RCPtr<LQueueItem> out = new LQueueItem(-1);
        EXPECT_FALSE(queue.TryDequeue(out));
        EXPECT_EQ(out->GetValue(), -1);

        for (int32_t i = 0; i < 3; ++i)
            queue.Enqueue(new LQueueItem(i));
        const int64_t addRefs = LQueueItem::s_addRefs;
        for (int32_t i = 0; i < 3; ++i) {
            ASSERT_TRUE(queue.TryDequeue(out));
            EXPECT_EQ(out->GetValue(), i);
            // The queue's reference changed hands; out's old entry was released.
            EXPECT_EQ(out->GetRefCount(), 1);
            EXPECT_EQ(LQueueItem::s_live.load(), 3 - i);
        }
        EXPECT_EQ(LQueueItem::s_addRefs, addRefs);
        EXPECT_FALSE(queue.TryDequeue(out));
        EXPECT_EQ(out->GetValue(), 2);
        EXPECT_EQ(queue.GetCount(), 0u);
    }
}

TEST_F(RCPtrQueueTest, ConsumersRacingForTheLastEntriesTakeEachOnce)
{
    const int32_t total = 20000;
    const int32_t consumers = 4;
    ItemQueue queue(&m_lock, 256);
    for (int32_t i = 0; i < total; ++i)
        queue.Enqueue(new LQueueItem(i));
    std::vector<std::atomic<int32_t>> taken(total);
    std::vector<std::thread> threads;
    for (int32_t c = 0; c < consumers; ++c)
        threads.emplace_back([&] {
            RCPtr<LQueueItem> item;
            while (queue.TryDequeue(item))
                ++taken[item->GetValue()];
        });
    for (std::thread& thread : threads)
        thread.join();
    int32_t wrong = 0;
    for (const std::atomic<int32_t>& count : taken)
        wrong += count != 1;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(queue.GetCount(), 0u);
}

TEST_F(RCPtrQueueTest, EmptyPointerCountsAsEntry)
{
    ItemQueue queue(nullptr, 256);
    queue.Enqueue(new LQueueItem(1));
    queue.Enqueue(RCPtr<LQueueItem>::Null);
    queue.Enqueue(new LQueueItem(2));
    EXPECT_EQ(queue.GetCount(), 3u);
    EXPECT_EQ(queue.Dequeue()->GetValue(), 1);
    EXPECT_TRUE(queue.Dequeue().IsEmpty());
    EXPECT_EQ(queue.Dequeue()->GetValue(), 2);
    EXPECT_EQ(queue.GetCount(), 0u);
}

TEST_F(RCPtrQueueTest, DequeueHandsTheQueuesReferenceToTheCaller)
{
    ItemQueue queue(&m_lock, 256);
    queue.Enqueue(new LQueueItem(7));
    EXPECT_EQ(LQueueItem::s_live.load(), 1);
    {
        RCPtr<LQueueItem> item = queue.Dequeue();
        EXPECT_EQ(item->GetRefCount(), 1);
    }
    EXPECT_EQ(LQueueItem::s_live.load(), 0);
}

TEST_F(RCPtrQueueTest, DestroyingQueueReleasesEachEntryOnce)
{
    std::vector<RCPtr<LQueueItem>> held;
    for (int32_t i = 0; i < 5; ++i)
        held.push_back(new LQueueItem(i));
    {
        ItemQueue queue(&m_lock, 2);
        for (int32_t i = 0; i < 5; ++i)
            queue.Enqueue(held[i]);
        queue.Dequeue();
        for (const RCPtr<LQueueItem>& item : held)
            EXPECT_EQ(item->GetRefCount(), item->GetValue() == 0 ? 1 : 2);
    }
    for (const RCPtr<LQueueItem>& item : held)
        EXPECT_EQ(item->GetRefCount(), 1);
    // The borrowed lock is still the owner's and usable.
    MutexLock lock(m_lock);
}

TEST_F(RCPtrQueueTest, GrowthMovesEntriesWithoutTouchingTheirCounts)
{
    std::vector<RCPtr<LQueueItem>> held;
    for (int32_t i = 0; i < 40; ++i)
        held.push_back(new LQueueItem(i));
    ItemQueue queue(&m_lock, 4);
    const int64_t before = LQueueItem::s_addRefs;
    for (const RCPtr<LQueueItem>& item : held)
        queue.Enqueue(item);
    // One reference per entry; the slots moved by growth hand theirs over.
    EXPECT_EQ(LQueueItem::s_addRefs - before, 40);
    for (const RCPtr<LQueueItem>& item : held)
        EXPECT_EQ(item->GetRefCount(), 2);
    for (int32_t i = 0; i < 40; ++i)
        EXPECT_EQ(queue.Dequeue().Get(), held[i].Get());
}

// Producers post numbered entries and signal after each; the consumer drains what it is told of.
struct ThreadCase {
    int32_t producers;
    int32_t total;
};

class RCPtrQueueThreadTest : public RCPtrQueueTest, public testing::WithParamInterface<ThreadCase> {};

TEST_P(RCPtrQueueThreadTest, ProducersAndConsumerExchangeEveryEntryOnce)
{
    const int32_t producers = GetParam().producers;
    const int32_t total = GetParam().total;
    const int32_t perProducer = total / producers;
    ItemQueue queue(&m_lock, 256);

    std::mutex signalLock;
    std::condition_variable signal;
    int64_t posted = 0;

    std::vector<std::thread> threads;
    for (int32_t p = 0; p < producers; ++p)
        threads.emplace_back([&, p] {
            for (int32_t i = 0; i < perProducer; ++i) {
                queue.Enqueue(new LQueueItem(i, p));
                {
                    std::lock_guard<std::mutex> lock(signalLock);
                    ++posted;
                }
                signal.notify_one();
            }
        });

    std::vector<int32_t> nextOf(producers, 0);
    int64_t taken = 0;
    int32_t badEntries = 0;
    while (taken < int64_t(perProducer) * producers) {
        {
            std::unique_lock<std::mutex> lock(signalLock);
            signal.wait(lock, [&] { return posted > taken; });
        }
        for (uint32_t n = queue.GetCount(); n > 0; --n) {
            RCPtr<LQueueItem> item = queue.Dequeue();
            ++taken;
            // Each producer's entries arrive once each, in its order.
            if (item.IsEmpty() || item->GetValue() != nextOf[item->GetSource()]++)
                ++badEntries;
        }
    }
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_EQ(badEntries, 0);
    EXPECT_EQ(taken, int64_t(perProducer) * producers);
    EXPECT_EQ(queue.GetCount(), 0u);
    for (int32_t p = 0; p < producers; ++p)
        EXPECT_EQ(nextOf[p], perProducer);
}

// Several producers contend for the lock far more than the system's posters do; a smaller total
// keeps that case quick under the thread sanitizer.
INSTANTIATE_TEST_SUITE_P(Producers, RCPtrQueueThreadTest,
                         testing::Values(ThreadCase{1, 1000000}, ThreadCase{4, 200000}));

} // namespace
} // namespace VQ
