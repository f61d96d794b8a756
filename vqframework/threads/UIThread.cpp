#include "vqframework/threads/UIThread.h"

#include <atomic>
#include <thread>

namespace VQ {

namespace {

// Read by every thread that asks; the default id means none recorded.
std::atomic<std::thread::id>& UIThreadId()
{
    static std::atomic<std::thread::id>* id = new std::atomic<std::thread::id>(std::thread::id());
    return *id;
}

} // namespace

void SetUIThread()
{
    UIThreadId().store(std::this_thread::get_id());
}

bool IsUIThread()
{
    const std::thread::id recorded = UIThreadId().load();
    return recorded == std::thread::id() || recorded == std::this_thread::get_id();
}

} // namespace VQ
