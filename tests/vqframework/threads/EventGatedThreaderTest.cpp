#include "vqframework/threads/EventGatedThreader.h"

#include "ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace VQ::test {
namespace {

TEST(EventGatedThreaderTest, RunsOncePerBurstOfSignals)
{
    RCPtr<LEvent> gate = LEvent::Create();
    RCPtr<LTestWorker> worker = MakeWorker("gated", nullptr, true);
    RCPtr<LEventGatedThreader> threader = LEventGatedThreader::Create(gate, worker, nullptr, Thread::PriorityNormal);
    EXPECT_EQ(worker->started.Wait(NegativeWaitMs), WaitTimeout) << "nothing runs before the gate opens";

    gate->Set();
    ASSERT_EQ(worker->started.Wait(Infinite), WaitObject0);
    EXPECT_TRUE(threader->IsRunning());
    // Three signals while the worker runs make one more run.
    gate->Set();
    gate->Set();
    gate->Set();
    worker->release.Set();
    ASSERT_EQ(worker->started.Wait(Infinite), WaitObject0);
    // The first run's end was signalled before the second began.
    worker->finished.Reset();
    worker->release.Set();
    ASSERT_EQ(worker->finished.Wait(Infinite), WaitObject0);
    EXPECT_EQ(worker->started.Wait(NegativeWaitMs), WaitTimeout);
    EXPECT_EQ(worker->runs.load(), 2);
    EXPECT_EQ(threader->GetLastWaitResult(), WaitObject0);
}

TEST(EventGatedThreaderTest, PassesItsParametersAndReleasesEverythingAtDestruction)
{
    AliveCounter alive;
    RCPtr<LEvent> gate = LEvent::Create();
    {
        RCPtr<LTestWorker> worker = MakeWorker("gated", nullptr, false, &alive);
        RCPtr<LEventGatedThreader> threader = LEventGatedThreader::Create(
            gate, worker, RCPtr<LRefCountedObject>(new LTrackedParameters(alive, 3)), Thread::PriorityNormal, Infinite);
        gate->Set();
        ASSERT_EQ(worker->finished.Wait(Infinite), WaitObject0);
        EXPECT_EQ(worker->lastValue.load(), 3);
    }
    EXPECT_EQ(alive.Alive(), 0) << "an idle gated threader ends within its destruction";
}

TEST(EventGatedThreaderTest, TimedOutDestructionLeavesTheWorkerItsReferences)
{
    AliveCounter alive;
    RCPtr<LEvent> gate = LEvent::Create();
    auto release = std::make_shared<Event>(false);
    {
        RCPtr<LTestWorker> worker = MakeWorker("gated", nullptr, false, &alive);
        worker->action = [release](const RCPtr<LRefCountedObject>&) { release->Wait(Infinite); };
        RCPtr<LEventGatedThreader> threader = LEventGatedThreader::Create(
            gate, worker, RCPtr<LRefCountedObject>(new LTrackedParameters(alive, 4)), Thread::PriorityNormal, 10);
        gate->Set();
        ASSERT_EQ(worker->started.Wait(Infinite), WaitObject0);
    }
    EXPECT_EQ(alive.Alive(), 2);
    release->Set();
    EXPECT_TRUE(alive.WaitNoneAlive());
}

TEST(EventGatedThreaderTest, ReleasedByItsOwnWorkerDoesNotWaitForItself)
{
    RCPtr<LEvent> gate = LEvent::Create();
    RCPtr<LTestWorker> worker = MakeWorker("gated");
    auto holder = std::make_shared<RCPtr<LEventGatedThreader>>();
    worker->action = [holder](const RCPtr<LRefCountedObject>&) { *holder = nullptr; };
    *holder = LEventGatedThreader::Create(gate, worker, nullptr, Thread::PriorityNormal, Infinite);
    gate->Set();
    EXPECT_EQ(worker->finished.Wait(Infinite), WaitObject0);
}

TEST(EventGatedThreaderTest, NeedsAGate)
{
    EXPECT_THROW(LEventGatedThreader::Create(nullptr, MakeWorker("gated"), nullptr, Thread::PriorityNormal),
                 std::invalid_argument);
}

} // namespace
} // namespace VQ::test
