#include "vqframework/threads/Event.h"
#include "vqframework/threads/EventPool.h"

#include "ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace VQ::test {
namespace {

TEST(EventTest, StartsNotSignalled)
{
    Event automatic(true);
    TrafficLight manual;
    EXPECT_EQ(automatic.Wait(0), WaitTimeout);
    EXPECT_EQ(manual.Wait(10), WaitTimeout);
    EXPECT_FALSE(LEvent::Create()->IsSignaled());
}

TEST(EventTest, AutoResetEventReleasesOneWaitPerSet)
{
    Event event(true);
    event.Set();
    event.Set();
    EXPECT_EQ(event.Wait(0), WaitObject0);
    EXPECT_EQ(event.Wait(0), WaitTimeout) << "two sets before a wait count as one";
    event.Set();
    EXPECT_TRUE(event.IsSignaled());
    EXPECT_FALSE(event.IsSignaled()) << "the test of an auto-reset event takes its signal";
}

TEST(EventTest, TrafficLightLetsEveryWaitPassUntilReset)
{
    TrafficLight light;
    light.Set();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(light.Wait(Infinite), WaitObject0);
    EXPECT_TRUE(light.IsSignaled());
    light.Reset();
    EXPECT_EQ(light.Wait(0), WaitTimeout);
}

TEST(EventTest, SetOfTrafficLightReleasesEveryWaitingThread)
{
    TrafficLight light;
    std::atomic<int> passed{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            if (light.Wait(Infinite) == WaitObject0)
                ++passed;
        });
    light.Set();
    for (auto& waiter : waiters)
        waiter.join();
    EXPECT_EQ(passed.load(), 4);
}

TEST(EventTest, SetOfAutoResetEventReleasesOneWaitingThread)
{
    Event event(true);
    Event woke(true);
    std::atomic<int> passed{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            event.Wait(Infinite);
            ++passed;
            woke.Set();
        });
    for (int released = 1; released <= 3; ++released) {
        event.Set();
        ASSERT_EQ(woke.Wait(Infinite), WaitObject0);
        EXPECT_EQ(woke.Wait(NegativeWaitMs), WaitTimeout);
        EXPECT_EQ(passed.load(), released);
    }
    for (auto& waiter : waiters)
        waiter.join();
}

TEST(EventTest, HandlesAreDistinct)
{
    Event a(true);
    TrafficLight b;
    RCPtr<LEvent> c = LEvent::Create();
    EXPECT_NE(a.GetHandle(), 0u);
    EXPECT_NE(a.GetHandle(), b.GetHandle());
    EXPECT_NE(b.GetHandle(), c->GetHandle());
}

struct PoolWaitCase {
    const char* name;
    std::vector<uint32_t> set;
    uint32_t timeout;
    // The results of successive waits.
    std::vector<int32_t> expected;
};

class EventPoolWaitTest : public testing::TestWithParam<PoolWaitCase> {};

TEST_P(EventPoolWaitTest, ReturnsTheLowestSignalledIndexAndTakesOnlyItsSignal)
{
    EventPool pool(3);
    ASSERT_EQ(pool.GetCount(), 3u);
    for (uint32_t index : GetParam().set)
        pool.GetEvent(index)->Set();
    std::vector<int32_t> results;
    for (size_t i = 0; i < GetParam().expected.size(); ++i)
        results.push_back(pool.Wait(GetParam().timeout));
    EXPECT_EQ(results, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, EventPoolWaitTest,
                         testing::Values(PoolWaitCase{"SecondSet", {1}, 0, {1, -1}},
                                         PoolWaitCase{"SecondSetInfinite", {1}, Infinite, {1}},
                                         PoolWaitCase{"NoneSet", {}, 0, {-1}},
                                         PoolWaitCase{"NoneSetTimed", {}, 10, {-1}},
                                         PoolWaitCase{"LastAndFirstSet", {2, 0}, 0, {0, 2, -1}},
                                         PoolWaitCase{"AllSet", {0, 1, 2}, 5, {0, 1, 2, -1}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EventPoolTest, WaitWakesOnASetFromAnotherThread)
{
    EventPool pool(3);
    std::thread setter([event = pool.GetEvent(2)] { event->Set(); });
    EXPECT_EQ(pool.Wait(Infinite), 2);
    setter.join();
}

TEST(EventPoolTest, SingleWaitOnAPoolEventTakesItsSignal)
{
    EventPool pool(2);
    pool.GetEvent(1)->Set();
    EXPECT_EQ(pool.GetEvent(1)->Wait(0), WaitObject0);
    EXPECT_EQ(pool.Wait(0), -1);
}

TEST(EventPoolTest, EmptyPoolAndIndexesPastTheEnd)
{
    EventPool empty(0);
    EXPECT_EQ(empty.GetCount(), 0u);
    EXPECT_EQ(empty.Wait(Infinite), -1);
    EventPool pool(2);
    EXPECT_FALSE(pool.GetEvent(2));
}

TEST(EventPoolTest, EventsOutliveTheirPool)
{
    RCPtr<LEvent> kept;
    {
        EventPool pool(2);
        kept = pool.GetEvent(1);
    }
    kept->Set();
    EXPECT_EQ(kept->Wait(0), WaitObject0);
}

} // namespace
} // namespace VQ::test
