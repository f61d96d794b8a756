#include "platform/gl/GLContext.h"

namespace VQ::Platform {

bool GLContext::CanDrawTo(IPresentTarget* window)
{
    return window != nullptr && window->GetGLWindow() != nullptr;
}

} // namespace VQ::Platform
