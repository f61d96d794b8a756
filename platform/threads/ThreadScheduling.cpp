#include "platform/threads/ThreadScheduling.h"

#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace VQ::Platform {

uint64_t GetCurrentThreadId() { return static_cast<uint64_t>(gettid()); }

namespace {

struct Scheduling {
    int policy;
    // For SCHED_OTHER the nice value; for SCHED_RR the real-time priority.
    int value;
};

bool ToScheduling(int32_t level, Scheduling& out)
{
    const int rrMin = sched_get_priority_min(SCHED_RR);
    const int rrMax = sched_get_priority_max(SCHED_RR);
    switch (level) {
    case -1: out = {SCHED_OTHER, 5}; return true;
    case 0: out = {SCHED_OTHER, 0}; return true;
    case 1: out = {SCHED_OTHER, -5}; return true;
    // Round-robin rather than FIFO: a busy high-priority thread still shares its level.
    case 2: out = {SCHED_RR, rrMin}; return true;
    case 15: out = {SCHED_RR, rrMin + (rrMax - rrMin) / 2}; return true;
    default: return false;
    }
}

// A raised nice value can be lowered again only with CAP_SYS_NICE or a nice limit that reaches 0.
bool CanRestoreNormalNice()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) == 0 && (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= 20))
        return true;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    return (data[CAP_TO_INDEX(CAP_SYS_NICE)].effective & CAP_TO_MASK(CAP_SYS_NICE)) != 0;
}

} // namespace

bool SetThreadPriority(uint64_t threadId, int32_t level)
{
    Scheduling wanted{};
    if (!ToScheduling(level, wanted))
        return false;
    // A thread that runs one item below normal must be able to run the next at normal again.
    if (wanted.policy == SCHED_OTHER && wanted.value > 0 && !CanRestoreNormalNice())
        return false;
    const pid_t tid = static_cast<pid_t>(threadId);
    // On Linux both calls act on the one thread the id names, not on its whole process.
    if (wanted.policy == SCHED_RR) {
        const sched_param param{wanted.value};
        return sched_setscheduler(tid, SCHED_RR, &param) == 0;
    }
    if (sched_getscheduler(tid) != SCHED_OTHER) {
        const sched_param param{0};
        if (sched_setscheduler(tid, SCHED_OTHER, &param) != 0)
            return false;
    }
    return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), wanted.value) == 0;
}

} // namespace VQ::Platform
