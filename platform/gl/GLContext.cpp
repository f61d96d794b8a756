#include "platform/gl/GLContext.h"

namespace VQ::Platform {

bool GLContext::CanDrawTo(IPresentTarget* window)
{
    return window != nullptr && window->GetGLWindow() != nullptr;
}

GLContext::ScopedCurrent::ScopedCurrent(GLContext& context)
{
    if (context.IsCurrent()) {
        m_current = true;
        return;
    }
    m_restore = context.SaveBinding();
    m_current = context.MakeCurrent(nullptr);
    if (!m_current)
        context.ClearBinding();
}

GLContext::ScopedCurrent::~ScopedCurrent()
{
    if (m_restore)
        m_restore();
}

} // namespace VQ::Platform
