// The system's millisecond clocks.
#pragma once

#include <cstdint>

namespace VQ::Platform {

// Milliseconds of a monotonic clock, wrapping at 2^32 like the system tick count.
uint32_t GetMonotonicMs();

} // namespace VQ::Platform
