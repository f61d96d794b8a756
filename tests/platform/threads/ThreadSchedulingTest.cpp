#include "platform/threads/ThreadScheduling.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

// Below normal is taken only where normal can be restored; either way the thread is never left
// stuck below normal, and other threads are untouched. 0 when all held, else the failed step.
int CheckBelowNormalRoundTrip()
{
    const uint64_t self = GetCurrentThreadId();
    const int niceBefore = getpriority(PRIO_PROCESS, 0);
    if (!SetThreadPriority(self, -1))
        return getpriority(PRIO_PROCESS, 0) == niceBefore ? 0 : 1;
    if (getpriority(PRIO_PROCESS, 0) != 5)
        return 2;
    if (!SetThreadPriority(self, 0))
        return 3;
    return getpriority(PRIO_PROCESS, 0) == 0 ? 0 : 4;
}

TEST(ThreadSchedulingTest, BelowNormalIsTakenOnlyWhereNormalCanBeRestored)
{
    const int runnerNice = getpriority(PRIO_PROCESS, 0);
    OnFreshThread([] { EXPECT_EQ(CheckBelowNormalRoundTrip(), 0); });
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), runnerNice);
}

// Run as root, the test also checks the unprivileged case, in a child that gives up root.
TEST(ThreadSchedulingTest, UnprivilegedThreadIsNeverLeftBelowNormal)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "covered by the other round-trip test when not root";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noNice{0, 0};
        if (setrlimit(RLIMIT_NICE, &noNice) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(10);
        // Without the privilege, below normal must be refused.
        if (SetThreadPriority(GetCurrentThreadId(), -1))
            _exit(11);
        _exit(CheckBelowNormalRoundTrip());
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
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
