#include "devicecontrol/communication/DeviceControlClock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace VQ::DeviceControlClock {

namespace {

void RealSleep(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::atomic<SleepFunction> g_sleep{&RealSleep};

} // namespace

void Sleep(uint32_t milliseconds)
{
    g_sleep.load()(milliseconds);
}

void SetSleepFunction(SleepFunction function)
{
    g_sleep.store(function ? function : &RealSleep);
}

} // namespace VQ::DeviceControlClock
