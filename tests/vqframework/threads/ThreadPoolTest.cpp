#include "vqframework/threads/ThreadPool.h"

#include "ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace VQ::test {
namespace {

TEST(ThreadPoolTest, QueuedItemsRunByPriorityThenInTheOrderQueued)
{
    RCPtr<LThreadPool> pool = LThreadPool::Create(1, Thread::PriorityHighest);
    RunLog log;
    RCPtr<LTestWorker> blocker = MakeWorker("blocker", &log, true);
    pool->QueueWork(blocker, nullptr, Thread::PriorityNormal);
    ASSERT_EQ(blocker->started.Wait(Infinite), WaitObject0);

    const std::pair<const char*, int32_t> items[] = {{"0-first", 0}, {"2", 2}, {"0-second", 0}, {"1", 1}};
    for (const auto& [name, priority] : items)
        pool->QueueWork(MakeWorker(name, &log), nullptr, priority);
    EXPECT_EQ(pool->GetQueuedCount(), 4u);

    blocker->release.Set();
    EXPECT_EQ(log.WaitFor(5), (std::vector<std::string>{"blocker", "2", "1", "0-first", "0-second"}));
}

// With one thread, an item offered while others are queued goes behind them, even when the worker
// has just become free. Repeated, so that the offer lands at every point of the hand-over.
TEST(ThreadPoolTest, WithOneThreadAnOfferWaitsBehindTheQueue)
{
    RCPtr<LThreadPool> pool = LThreadPool::Create(1, Thread::PriorityNormal);
    for (int round = 0; round < 200; ++round) {
        RunLog log;
        RCPtr<LTestWorker> blocker = MakeWorker("blocker", nullptr, true);
        pool->QueueWork(blocker, nullptr, Thread::PriorityNormal);
        ASSERT_EQ(blocker->started.Wait(Infinite), WaitObject0);
        pool->QueueWork(MakeWorker("queued", &log), nullptr, Thread::PriorityNormal);
        EXPECT_EQ(pool->TryDispatch(MakeWorker("refused"), nullptr, Thread::PriorityNormal), -1);
        blocker->release.Set();
        pool->QueueWork(MakeWorker("offered", &log), nullptr, Thread::PriorityNormal);
        ASSERT_EQ(log.WaitFor(2), (std::vector<std::string>{"queued", "offered"})) << "round " << round;
    }
}

TEST(ThreadPoolTest, WithTwoThreadsAnItemRunsAtOnceBesideABusyOne)
{
    RCPtr<LThreadPool> pool = LThreadPool::Create(2, Thread::PriorityNormal);
    RCPtr<LTestWorker> blocker = MakeWorker("blocker", nullptr, true);
    ASSERT_EQ(pool->TryDispatch(blocker, nullptr, Thread::PriorityNormal), 0);
    ASSERT_EQ(blocker->started.Wait(Infinite), WaitObject0);

    RCPtr<LTestWorker> second = MakeWorker("second");
    EXPECT_EQ(pool->TryDispatch(second, nullptr, Thread::PriorityNormal), 1);
    EXPECT_EQ(second->finished.Wait(Infinite), WaitObject0) << "the second item ran while the first still blocks";
    blocker->release.Set();
}

TEST(ThreadPoolTest, FreeWorkerTakesAnItemWithoutQueueingIt)
{
    RCPtr<LThreadPool> pool = LThreadPool::Create(1, Thread::PriorityNormal);
    auto& items = LThreadPool::LWorkerParams::GetPool();
    const uint32_t blocksBefore = items.GetBlockCount();
    const uint32_t freeBefore = items.GetFreeCount();
    RCPtr<LTestWorker> worker = MakeWorker("direct");
    pool->QueueWork(worker, nullptr, Thread::PriorityNormal);
    EXPECT_EQ(worker->finished.Wait(Infinite), WaitObject0);
    EXPECT_EQ(items.GetBlockCount(), blocksBefore);
    EXPECT_EQ(items.GetFreeCount(), freeBefore);
}

TEST(ThreadPoolTest, QueueWorkNeverWaitsForRunningItems)
{
    RCPtr<LThreadPool> pool = LThreadPool::Create(1, Thread::PriorityHighest);
    AliveCounter alive;
    RCPtr<LTestWorker> blocker = MakeWorker("blocker", nullptr, true);
    pool->QueueWork(blocker, nullptr, Thread::PriorityNormal);
    ASSERT_EQ(blocker->started.Wait(Infinite), WaitObject0);
    for (int i = 0; i < 100; ++i)
        pool->QueueWork(MakeWorker("queued", nullptr, false, &alive), nullptr, i % 3);
    EXPECT_EQ(pool->GetQueuedCount(), 100u);
    EXPECT_TRUE(blocker->running.load());
    blocker->release.Set();
    EXPECT_TRUE(alive.WaitNoneAlive());
}

// Stop from inside an item: the queued items are dropped, later offers are dropped, and the queue
// thread, waiting for a free worker, still ends (its wait is unlimited here).
TEST(ThreadPoolTest, StopDropsQueuedAndLaterItemsAndEndsPromptly)
{
    RCPtr<LThreadPool> pool = LThreadPool::Create(1, Thread::PriorityNormal, Infinite);
    AliveCounter alive;
    RCPtr<LTestWorker> stopper = MakeWorker("stopper", nullptr, true);
    stopper->action = [pool](const RCPtr<LRefCountedObject>&) { pool->Stop(); };
    pool->QueueWork(stopper, nullptr, Thread::PriorityNormal);
    ASSERT_EQ(stopper->started.Wait(Infinite), WaitObject0);
    std::vector<RCPtr<LTestWorker>> queued;
    for (int i = 0; i < 3; ++i) {
        queued.push_back(MakeWorker("queued"));
        pool->QueueWork(queued.back(), RCPtr<LRefCountedObject>(new LTrackedParameters(alive, i)), 0);
    }
    stopper->release.Set();
    ASSERT_EQ(stopper->finished.Wait(Infinite), WaitObject0);
    EXPECT_EQ(pool->GetThreadCount(), 0);
    EXPECT_EQ(pool->GetQueuedCount(), 0u);
    EXPECT_TRUE(alive.WaitNoneAlive()) << "dropped items let go of their parameters";

    RCPtr<LTestWorker> late = MakeWorker("late");
    pool->QueueWork(late, RCPtr<LRefCountedObject>(new LTrackedParameters(alive, 9)), 0);
    EXPECT_EQ(pool->TryDispatch(late, nullptr, 0), -1);
    EXPECT_EQ(alive.Alive(), 0);
    pool->Stop();
    for (const auto& worker : queued)
        EXPECT_EQ(worker->runs.load(), 0);
    EXPECT_EQ(late->runs.load(), 0);
}

TEST(ThreadPoolTest, StopOfAnIdlePoolEndsEveryThread)
{
    // With unlimited stop waits, Stop returns only once every thread has ended.
    RCPtr<LThreadPool> pool = LThreadPool::Create(3, Thread::PriorityNormal, Infinite);
    pool->Stop();
    EXPECT_EQ(pool->GetThreadCount(), 0);
    RCPtr<LTestWorker> late = MakeWorker("late");
    pool->QueueWork(late, nullptr, 0);
    EXPECT_EQ(late->started.Wait(NegativeWaitMs), WaitTimeout);
}

TEST(ThreadPoolTest, PoolWithoutThreadsRunsNothing)
{
    RCPtr<LThreadPool> pool = LThreadPool::Create(0, Thread::PriorityNormal);
    EXPECT_EQ(pool->GetThreadCount(), 0);
    RCPtr<LTestWorker> worker = MakeWorker("never");
    pool->QueueWork(worker, nullptr, 0);
    EXPECT_EQ(pool->GetQueuedCount(), 0u);
    EXPECT_EQ(worker->runs.load(), 0);
}

TEST(ThreadPoolTest, PoolReleasedInsideItsOwnItem)
{
    auto holder = std::make_shared<RCPtr<LThreadPool>>(LThreadPool::Create(2, Thread::PriorityNormal, Infinite));
    RCPtr<LTestWorker> worker = MakeWorker("last owner");
    worker->action = [holder](const RCPtr<LRefCountedObject>&) { *holder = nullptr; };
    (*holder)->QueueWork(worker, nullptr, Thread::PriorityNormal);
    EXPECT_EQ(worker->finished.Wait(Infinite), WaitObject0);
}

// Past its stop wait the pool is gone while an item runs: the item keeps what it uses, and the
// completion that follows finds the pool's events alive.
TEST(ThreadPoolTest, TimedOutStopLeavesTheRunningItemItsReferences)
{
    AliveCounter alive;
    auto release = std::make_shared<Event>(false);
    {
        RCPtr<LThreadPool> pool = LThreadPool::Create(1, Thread::PriorityNormal, 10);
        RCPtr<LTestWorker> worker = MakeWorker("slow", nullptr, false, &alive);
        worker->action = [release](const RCPtr<LRefCountedObject>&) { release->Wait(Infinite); };
        pool->QueueWork(worker, RCPtr<LRefCountedObject>(new LTrackedParameters(alive, 1)), 0);
        ASSERT_EQ(worker->started.Wait(Infinite), WaitObject0);
        pool->QueueWork(MakeWorker("dropped", nullptr, false, &alive), nullptr, 0);
    }
    EXPECT_EQ(alive.Alive(), 2);
    release->Set();
    EXPECT_TRUE(alive.WaitNoneAlive());
}

// Producers on several threads queue at mixed priorities while items queue more work; every item
// runs once and the pool ends cleanly.
TEST(ThreadPoolTest, ManyProducersAndNestedWorkRunEverythingOnce)
{
    constexpr int Producers = 4;
    constexpr int ItemsEach = 300;
    RCPtr<LThreadPool> pool = LThreadPool::Create(3, Thread::PriorityNormal, Infinite);
    std::atomic<int> ran{0};
    TrafficLight allRan;
    constexpr int Total = Producers * ItemsEach * 2;
    auto count = [&] {
        if (++ran == Total)
            allRan.Set();
    };

    std::vector<std::thread> producers;
    for (int p = 0; p < Producers; ++p)
        producers.emplace_back([&, p] {
            for (int i = 0; i < ItemsEach; ++i) {
                RCPtr<LTestWorker> outer = MakeWorker("outer");
                outer->action = [&, i](const RCPtr<LRefCountedObject>&) {
                    count();
                    RCPtr<LTestWorker> inner = MakeWorker("inner");
                    inner->action = [&](const RCPtr<LRefCountedObject>&) { count(); };
                    pool->QueueWork(inner, nullptr, i % 4);
                };
                pool->QueueWork(outer, nullptr, (i + p) % 3);
            }
        });
    for (auto& producer : producers)
        producer.join();
    ASSERT_EQ(allRan.Wait(Infinite), WaitObject0);
    EXPECT_EQ(ran.load(), Total);
    pool->Stop();
    EXPECT_EQ(pool->GetQueuedCount(), 0u);
}

} // namespace
} // namespace VQ::test
