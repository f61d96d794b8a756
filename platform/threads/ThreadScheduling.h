// Thread identity and scheduling, for the framework's threads.
#pragma once

#include <cstdint>

namespace VQ::Platform {

// The kernel's id of the calling thread; never 0.
uint64_t GetCurrentThreadId();

// Runs the thread at one of the framework's priority levels: -1 below normal, 0 normal, 1 above
// normal, 2 highest, 15 time critical. Levels above normal need privileges most users lack: then,
// and for an unknown level, the thread keeps its scheduling and the answer is false. The caller
// keeps the thread alive for the duration of the call (a thread id is reused once its thread ends).
bool SetThreadPriority(uint64_t threadId, int32_t level);

} // namespace VQ::Platform
