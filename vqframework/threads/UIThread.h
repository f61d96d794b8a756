// Which thread is the UI thread: the control core runs there alone, and debug builds check it at the
// entry of the operations that draw or change a control.
#pragma once

#include <cassert>

namespace VQ {

// Records the calling thread as the UI thread.
void SetUIThread();
// True when no UI thread is recorded or the caller is it.
bool IsUIThread();

} // namespace VQ

#define VQ_ASSERT_UI_THREAD() assert(::VQ::IsUIThread() && "control core called off the UI thread")
