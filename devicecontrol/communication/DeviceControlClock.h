// The pauses of device discovery and polling. Tests put in a scaled or recording sleep, so that
// timings of seconds are checked in milliseconds.
#pragma once

#include <cstdint>

namespace VQ::DeviceControlClock {

using SleepFunction = void (*)(uint32_t milliseconds);

void Sleep(uint32_t milliseconds);

// Null restores the real sleep.
void SetSleepFunction(SleepFunction function);

} // namespace VQ::DeviceControlClock
