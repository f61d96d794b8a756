#include "platform/threads/ThreadScheduling.h"

#include <cerrno>
#include <sched.h>
#include <sys/resource.h>
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

} // namespace

bool SetThreadPriority(uint64_t threadId, int32_t level)
{
    Scheduling wanted{};
    if (!ToScheduling(level, wanted))
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
