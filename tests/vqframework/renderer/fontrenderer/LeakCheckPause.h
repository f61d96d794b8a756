// Allocations a system library keeps for the life of the process (fontconfig's configuration)
// are made while this is alive, so the leak checker does not report them.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define VQ_TEST_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VQ_TEST_LEAK_CHECKED 1
#endif
#endif
#ifdef VQ_TEST_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace VQ {

class [[nodiscard]] LeakCheckPause {
public:
#ifdef VQ_TEST_LEAK_CHECKED
    LeakCheckPause() { __lsan_disable(); }
    ~LeakCheckPause() { __lsan_enable(); }
#else
    LeakCheckPause() {}
#endif
    LeakCheckPause(const LeakCheckPause&) = delete;
    LeakCheckPause& operator=(const LeakCheckPause&) = delete;
};

} // namespace VQ
