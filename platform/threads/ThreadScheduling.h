// Thread identity and scheduling, for the framework's threads.
#pragma once

#include <cstdint>

namespace VQ::Platform {

// The kernel's id of the calling thread; never 0.
uint64_t GetCurrentThreadId();

// Runs the thread at one of the framework's priority levels: -1 below normal, 0 normal, 1 above
// normal, 2 highest, 15 time critical. Levels above normal need privileges most users lack, and so
// does the way back from below normal, which is therefore taken only where it can be undone. A level
// not granted, or unknown, leaves the thread's scheduling as it was and answers false. The caller
// keeps the thread alive for the duration of the call (a thread id is reused once its thread ends).
bool SetThreadPriority(uint64_t threadId, int32_t level);

} // namespace VQ::Platform
