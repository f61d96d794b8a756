#include "platform/threads/ThreadScheduling.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <set>
#include <sys/resource.h>
#include <thread>

namespace VQ::Platform {
namespace {

// Each case runs on a thread of its own, so that the test runner's scheduling stays as it was.
template <class F> void OnFreshThread(F body) { std::thread(body).join(); }

TEST(ThreadSchedulingTest, ThreadIdsAreDistinctAndNonZero)
{
    std::set<uint64_t> ids{GetCurrentThreadId()};
    OnFreshThread([&] { ids.insert(GetCurrentThreadId()); });
    EXPECT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids.count(0), 0u);
}

TEST(ThreadSchedulingTest, BelowNormalRaisesTheNiceValueOfThatThreadOnly)
{
    const int runnerNice = getpriority(PRIO_PROCESS, 0);
    OnFreshThread([] {
        ASSERT_TRUE(SetThreadPriority(GetCurrentThreadId(), -1));
        EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(GetCurrentThreadId())), 5);
        EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
    });
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), runnerNice);
}

TEST(ThreadSchedulingTest, RaisedLevelsTakeEffectOrLeaveTheThreadAsItWas)
{
    for (int32_t level : {1, 2, 15}) {
        OnFreshThread([level] {
            const int niceBefore = getpriority(PRIO_PROCESS, 0);
            const bool set = SetThreadPriority(GetCurrentThreadId(), level);
            const int policy = sched_getscheduler(0);
            if (level == 1) {
                EXPECT_EQ(getpriority(PRIO_PROCESS, 0), set ? -5 : niceBefore);
                EXPECT_EQ(policy, SCHED_OTHER);
            } else {
                EXPECT_EQ(policy, set ? SCHED_RR : SCHED_OTHER) << "level " << level;
            }
            // Back to normal: always allowed from a real-time policy.
            if (set && level != 1) {
                EXPECT_TRUE(SetThreadPriority(GetCurrentThreadId(), 0));
            }
        });
    }
}

TEST(ThreadSchedulingTest, UnknownLevelsAreRefused)
{
    for (int32_t level : {-2, 3, 14, 16})
        EXPECT_FALSE(SetThreadPriority(GetCurrentThreadId(), level)) << level;
}

} // namespace
} // namespace VQ::Platform
