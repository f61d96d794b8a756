#include "vqframework/threads/Thread.h"

#include "ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace VQ::test {
namespace {

// Sets an event when destroyed: tells when a thread has let go of what its body captured.
struct SignalOnDestruction {
    explicit SignalOnDestruction(Event& event) : event(event) {}
    ~SignalOnDestruction() { event.Set(); }
    Event& event;
};

TEST(ThreadTest, RunsOnlyAfterResumeAndReportsItsEnd)
{
    Event ran(false);
    Thread thread([&] {
        ran.Set();
        return 0u;
    });
    ASSERT_TRUE(thread.IsValid());
    EXPECT_NE(thread.GetId(), 0u);
    EXPECT_EQ(ran.Wait(NegativeWaitMs), WaitTimeout);
    EXPECT_FALSE(thread.HasExited());

    EXPECT_TRUE(thread.Resume());
    EXPECT_TRUE(thread.WaitForExit(Infinite));
    EXPECT_TRUE(thread.HasExited());
    EXPECT_EQ(ran.Wait(0), WaitObject0);
}

TEST(ThreadTest, StartRoutineGetsItsArgument)
{
    struct Context {
        Event done{false};
        int seen = 0;
    } context;
    Thread thread(
        [](void* argument) {
            auto* c = static_cast<Context*>(argument);
            c->seen = 42;
            c->done.Set();
            return 0u;
        },
        &context);
    thread.Resume();
    ASSERT_TRUE(thread.WaitForExit(Infinite));
    EXPECT_EQ(context.seen, 42);
}

TEST(ThreadTest, WaitForExitTimesOutWhileTheThreadRuns)
{
    Event release(false);
    Thread thread([&] {
        release.Wait(Infinite);
        return 0u;
    });
    thread.Resume();
    EXPECT_FALSE(thread.WaitForExit(0));
    EXPECT_FALSE(thread.WaitForExit(10));
    EXPECT_FALSE(thread.HasExited());
    release.Set();
    EXPECT_TRUE(thread.WaitForExit(Infinite));
}

TEST(ThreadTest, ThreadNeverResumedEndsWithoutRunningWhenDestroyed)
{
    Event released(false);
    bool ran = false;
    {
        auto guard = std::make_shared<SignalOnDestruction>(released);
        Thread thread([guard, &ran] {
            ran = true;
            return 0u;
        });
        guard.reset();
    }
    // The body, and with it the capture, is dropped by the abandoned thread.
    ASSERT_EQ(released.Wait(Infinite), WaitObject0);
    EXPECT_FALSE(ran);
}

TEST(ThreadTest, DestructorLeavesARunningThreadToFinishAlone)
{
    Event release(false);
    Event released(false);
    auto guard = std::make_shared<SignalOnDestruction>(released);
    {
        Thread thread([guard, &release] {
            release.Wait(Infinite);
            return 0u;
        });
        thread.Resume();
    }
    guard.reset();
    EXPECT_EQ(released.Wait(0), WaitTimeout);
    release.Set();
    EXPECT_EQ(released.Wait(Infinite), WaitObject0);
}

TEST(ThreadTest, ThreadNeverWaitsForItself)
{
    Event done(false);
    std::unique_ptr<Thread> thread;
    bool waitedForItself = true;
    bool knewItself = false;
    thread = std::make_unique<Thread>([&] {
        knewItself = thread->IsCurrentThread();
        waitedForItself = thread->WaitForExit(Infinite);
        done.Set();
        return 0u;
    });
    EXPECT_FALSE(thread->IsCurrentThread());
    thread->Resume();
    ASSERT_EQ(done.Wait(Infinite), WaitObject0);
    EXPECT_TRUE(knewItself);
    EXPECT_FALSE(waitedForItself);
    EXPECT_TRUE(thread->WaitForExit(Infinite));
}

TEST(ThreadTest, ThreadMayDestroyItsOwnObject)
{
    Event done(false);
    Thread* thread = nullptr;
    thread = new Thread([&] {
        delete thread;
        done.Set();
        return 0u;
    });
    thread->Resume();
    EXPECT_EQ(done.Wait(Infinite), WaitObject0);
}

TEST(ThreadTest, PrioritiesAreSetOrRefusedWithoutHarm)
{
    Event release(false);
    Thread thread([&] {
        release.Wait(Infinite);
        return 0u;
    });
    // Normal needs no privilege; an unknown level is refused; raised levels are best effort.
    EXPECT_TRUE(thread.SetPriority(Thread::PriorityNormal));
    EXPECT_FALSE(thread.SetPriority(7));
    thread.SetPriority(Thread::PriorityHighest);
    thread.SetPriority(Thread::PriorityTimeCritical);
    EXPECT_TRUE(thread.SetPriorityBoost(false));
    thread.Resume();
    release.Set();
    ASSERT_TRUE(thread.WaitForExit(Infinite));
    EXPECT_FALSE(thread.SetPriority(Thread::PriorityNormal)) << "an ended thread's id may name another thread";
}

} // namespace
} // namespace VQ::test
