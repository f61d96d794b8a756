// Leaves what one scope allocates out of the leak check of address-sanitizer builds, for libraries
// whose blocks outlive the test and cannot be named by a suppression.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define VQ_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VQ_LEAK_CHECKED 1
#endif
#endif
#ifdef VQ_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace VQ::test {

class [[nodiscard]] LeakCheckPause {
public:
#ifdef VQ_LEAK_CHECKED
    LeakCheckPause() { __lsan_disable(); }
    ~LeakCheckPause() { __lsan_enable(); }
#else
    LeakCheckPause() {}
#endif
    LeakCheckPause(const LeakCheckPause&) = delete;
    LeakCheckPause& operator=(const LeakCheckPause&) = delete;
};

} // namespace VQ::test
