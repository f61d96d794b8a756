#include "vqframework/threads/RetriggerableThreader.h"

#include "ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace VQ::test {
namespace {

// A worker whose next new reference waits for a go-ahead: holds a trigger halfway through.
class LStallingWorker : public LTestWorker {
public:
    using LTestWorker::LTestWorker;

    int32_t AddRef() const override
    {
        if (stall.exchange(false)) {
            stalled.Set();
            proceed.Wait(Infinite);
        }
        return LTestWorker::AddRef();
    }

    mutable std::atomic<bool> stall{false};
    mutable Event stalled{true};
    mutable Event proceed{true};
};

TEST(RetriggerableThreaderTest, RefusesATriggerWhileBusyAndTakesOneAfterCompletion)
{
    RetriggerableThreader threader(u"worker");
    RCPtr<LEvent> completion = LEvent::Create();
    RCPtr<LTestWorker> first = MakeWorker("first", nullptr, true);
    RCPtr<LTestWorker> second = MakeWorker("second");

    ASSERT_EQ(threader.Trigger(first, nullptr, completion, Thread::PriorityNormal), S_OK);
    EXPECT_TRUE(threader.IsBusy());
    EXPECT_EQ(threader.Trigger(second, nullptr, Thread::PriorityNormal), E_FAIL);
    first->started.Wait(Infinite);
    EXPECT_EQ(threader.Trigger(second, nullptr, Thread::PriorityNormal), E_FAIL);

    first->release.Set();
    ASSERT_EQ(completion->Wait(Infinite), WaitObject0);
    ASSERT_EQ(threader.Trigger(second, nullptr, completion, Thread::PriorityNormal), S_OK);
    ASSERT_EQ(completion->Wait(Infinite), WaitObject0);
    EXPECT_EQ(first->runs.load(), 1);
    EXPECT_EQ(second->runs.load(), 1);
}

TEST(RetriggerableThreaderTest, CompletionComesAfterTheItemWithTheThreaderIdle)
{
    RetriggerableThreader threader(u"worker");
    RCPtr<LEvent> completion = LEvent::Create();
    completion->Set();
    RCPtr<LTestWorker> worker = MakeWorker("item", nullptr, true);
    worker->result = VQRESULT(7);

    ASSERT_EQ(threader.Trigger(worker, nullptr, completion, Thread::PriorityNormal), S_OK);
    EXPECT_EQ(completion->Wait(0), WaitTimeout) << "the trigger resets the completion event";
    worker->started.Wait(Infinite);
    EXPECT_EQ(completion->Wait(NegativeWaitMs), WaitTimeout);

    worker->release.Set();
    ASSERT_EQ(completion->Wait(Infinite), WaitObject0);
    EXPECT_FALSE(threader.IsBusy());
    EXPECT_EQ(threader.GetLastResult(), VQRESULT(7));
}

TEST(RetriggerableThreaderTest, ItemReferencesAreDroppedBeforeCompletion)
{
    AliveCounter alive;
    RetriggerableThreader threader(u"worker");
    RCPtr<LEvent> completion = LEvent::Create();
    {
        RCPtr<LTestWorker> worker = MakeWorker("item", nullptr, false, &alive);
        RCPtr<LRefCountedObject> parameters(new LTrackedParameters(alive, 5));
        ASSERT_EQ(threader.Trigger(worker, parameters, completion, Thread::PriorityNormal), S_OK);
        ASSERT_EQ(completion->Wait(Infinite), WaitObject0);
        EXPECT_EQ(worker->lastValue.load(), 5);
    }
    EXPECT_EQ(alive.Alive(), 0);
}

TEST(RetriggerableThreaderTest, TriggerWithoutCompletionDropsTheStoredOne)
{
    RetriggerableThreader threader(u"worker");
    RCPtr<LEvent> completion = LEvent::Create();
    RCPtr<LTestWorker> worker = MakeWorker("item");
    ASSERT_EQ(threader.Trigger(worker, nullptr, completion, Thread::PriorityNormal), S_OK);
    ASSERT_EQ(completion->Wait(Infinite), WaitObject0);

    worker->finished.Reset();
    ASSERT_EQ(threader.Trigger(worker, nullptr, Thread::PriorityNormal), S_OK);
    ASSERT_EQ(worker->finished.Wait(Infinite), WaitObject0);
    EXPECT_EQ(completion->Wait(NegativeWaitMs), WaitTimeout);
}

TEST(RetriggerableThreaderTest, NameIsItsTextAndMayChange)
{
    RetriggerableThreader threader(u"LThreadPool::mQueueThreader");
    using String = StringT<char16_t, char>;
    EXPECT_EQ(threader.ToString(), String(u"LThreadPool::mQueueThreader"));
    threader.SetName(u"other");
    EXPECT_EQ(threader.ToString(), String(u"other"));
}

TEST(RetriggerableThreaderTest, IdleThreaderStopsAtOnceAndRefusesWorkAfter)
{
    RetriggerableThreader threader(u"worker");
    EXPECT_TRUE(threader.Stop(Infinite));
    EXPECT_TRUE(threader.HasExited());
    EXPECT_EQ(threader.Trigger(MakeWorker("late"), nullptr, Thread::PriorityNormal), E_FAIL);
}

// The stop may come before the thread ever looked at the item: it must still let go of it, or an
// item that holds the threader's owner keeps both alive for ever.
TEST(RetriggerableThreaderTest, StopRightAfterATriggerLetsGoOfTheItem)
{
    AliveCounter alive;
    for (int round = 0; round < 50; ++round) {
        RetriggerableThreader threader(u"worker");
        ASSERT_EQ(threader.Trigger(MakeWorker("item", nullptr, false, &alive),
                                   RCPtr<LRefCountedObject>(new LTrackedParameters(alive, round)), Thread::PriorityNormal),
                  S_OK);
        ASSERT_TRUE(threader.Stop(Infinite));
        ASSERT_EQ(alive.Alive(), 0) << "round " << round;
        EXPECT_FALSE(threader.IsBusy());
    }
}

// A stop that ends the thread while a trigger is still storing its item: nobody will run the item,
// so the trigger must not report success, and must let go of the item.
TEST(RetriggerableThreaderTest, TriggerOvertakenByAStopIsRefused)
{
    RetriggerableThreader threader(u"worker");
    RCPtr<LStallingWorker> worker(new LStallingWorker("late"));
    RCPtr<LEvent> completion = LEvent::Create();
    // Converted before the stall is armed: the reference that stalls is the one Trigger stores.
    const RCPtr<LThreadWorker> item = worker;
    worker->stall = true;
    VQRESULT result = S_OK;
    std::thread triggering([&] { result = threader.Trigger(item, nullptr, completion, Thread::PriorityNormal); });
    ASSERT_EQ(worker->stalled.Wait(Infinite), WaitObject0);
    EXPECT_TRUE(threader.Stop(Infinite));
    worker->proceed.Set();
    triggering.join();

    EXPECT_EQ(result, E_FAIL);
    EXPECT_EQ(worker->runs.load(), 0);
    EXPECT_FALSE(threader.IsBusy());
    EXPECT_EQ(worker->GetRefCount(), 2) << "the threader let go of the refused item";
}

TEST(RetriggerableThreaderTest, DestructionFinishesTheRunningItem)
{
    RCPtr<LTestWorker> worker = MakeWorker("item", nullptr, true);
    std::thread releaser;
    {
        RetriggerableThreader threader(u"worker", Infinite);
        ASSERT_EQ(threader.Trigger(worker, nullptr, Thread::PriorityNormal), S_OK);
        worker->started.Wait(Infinite);
        releaser = std::thread([worker] { worker->release.Set(); });
    }
    EXPECT_EQ(worker->finished.Wait(0), WaitObject0);
    releaser.join();
}

// Past its stop wait the threader is gone while its item still runs: the item, its parameters and
// its completion event stay alive until the thread lets go of them.
TEST(RetriggerableThreaderTest, TimedOutDestructionLeavesTheItemItsReferences)
{
    AliveCounter alive;
    RCPtr<LEvent> completion = LEvent::Create();
    auto release = std::make_shared<Event>(false);
    {
        RCPtr<LTestWorker> worker = MakeWorker("item", nullptr, false, &alive);
        worker->action = [release](const RCPtr<LRefCountedObject>&) { release->Wait(Infinite); };
        RCPtr<LRefCountedObject> parameters(new LTrackedParameters(alive, 9));
        RetriggerableThreader threader(u"worker", 10);
        ASSERT_EQ(threader.Trigger(worker, parameters, completion, Thread::PriorityNormal), S_OK);
        worker->started.Wait(Infinite);
    }
    EXPECT_EQ(alive.Alive(), 2) << "the running item keeps its worker and parameters";
    EXPECT_EQ(completion->Wait(0), WaitTimeout);
    release->Set();
    EXPECT_EQ(completion->Wait(Infinite), WaitObject0);
    EXPECT_TRUE(alive.WaitNoneAlive());
}

TEST(RetriggerableThreaderTest, ThreaderDestroyedByItsOwnItemDoesNotWaitForItself)
{
    auto threader = std::make_unique<RetriggerableThreader>(u"worker", Infinite);
    RCPtr<LTestWorker> worker = MakeWorker("item");
    worker->action = [&](const RCPtr<LRefCountedObject>&) { threader.reset(); };
    ASSERT_EQ(threader->Trigger(worker, nullptr, Thread::PriorityNormal), S_OK);
    EXPECT_EQ(worker->finished.Wait(Infinite), WaitObject0);
}

} // namespace
} // namespace VQ::test
