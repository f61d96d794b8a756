// The window context: SDL's OpenGL context on a window made with SDL_WINDOW_OPENGL. It can be made
// current on any OpenGL window of the same format, so one context serves all of a renderer's windows.
// Windows are kept by id: the one the context was made on may be destroyed before the context.
#include "platform/gl/GLContext.h"

#include <SDL.h>

namespace VQ::Platform {

namespace {

class SdlGLContext final : public GLContext {
public:
    SdlGLContext(SDL_Window* window, SDL_GLContext context, bool doubleBuffered)
        : m_windowId(SDL_GetWindowID(window)), m_context(context), m_doubleBuffered(doubleBuffered)
    {
    }
    ~SdlGLContext() override
    {
        if (SDL_GL_GetCurrentContext() == m_context)
            SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(m_context);
    }

    bool MakeCurrent(IPresentTarget* target) override
    {
        SDL_Window* window = WindowOf(target);
        return window != nullptr && SDL_GL_MakeCurrent(window, m_context) == 0;
    }
    void Release() override
    {
        if (SDL_GL_GetCurrentContext() == m_context)
            SDL_GL_MakeCurrent(nullptr, nullptr);
    }
    bool SwapBuffers(IPresentTarget* target) override
    {
        SDL_Window* window = WindowOf(target);
        if (window == nullptr)
            return false;
        SDL_GL_SwapWindow(window);
        return true;
    }
    bool IsDoubleBuffered() const override { return m_doubleBuffered; }
    // SDL does not say how buffers are swapped; the back buffer's content counts as lost.
    bool IsSwapCopy() const override { return false; }
    bool IsOffscreen() const override { return false; }
    bool IsCurrent() const override { return SDL_GL_GetCurrentContext() == m_context; }

protected:
    std::function<void()> SaveBinding() const override
    {
        SDL_Window* window = SDL_GL_GetCurrentWindow();
        const Uint32 windowId = window != nullptr ? SDL_GetWindowID(window) : 0;
        const SDL_GLContext context = SDL_GL_GetCurrentContext();
        return [windowId, context] {
            SDL_Window* again = windowId != 0 ? SDL_GetWindowFromID(windowId) : nullptr;
            if (context == nullptr || again == nullptr)
                (void)SDL_GL_MakeCurrent(nullptr, nullptr);
            else
                (void)SDL_GL_MakeCurrent(again, context);
        };
    }
    void ClearBinding() override { (void)SDL_GL_MakeCurrent(nullptr, nullptr); }

private:
    // The target's window, else the one the context was made on while it exists.
    SDL_Window* WindowOf(IPresentTarget* target) const
    {
        if (target != nullptr && target->GetGLWindow() != nullptr)
            return target->GetGLWindow();
        return SDL_GetWindowFromID(m_windowId);
    }

    Uint32 m_windowId;
    SDL_GLContext m_context;
    bool m_doubleBuffered;
};

} // namespace

std::unique_ptr<GLContext> GLContext::CreateForWindow(IPresentTarget* target, GLContextError& error)
{
    error = GLContextError::SetPixelFormat;
    SDL_Window* window = target != nullptr ? target->GetGLWindow() : nullptr;
    if (window == nullptr || (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) == 0)
        return nullptr;
    // The pixel format is the window's, chosen when it was made; only the context's profile is ours.
    error = GLContextError::ChoosePixelFormat;
    if (SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY) != 0)
        return nullptr;
    error = GLContextError::CreateContext;
    // Creation leaves the new context current; the thread's binding before it is put back.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    const SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr)
        return nullptr;
    int doubleBuffered = 0;
    if (SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffered) != 0)
        doubleBuffered = 0;
    if (SDL_GL_MakeCurrent(previousContext != nullptr ? previousWindow : nullptr, previousContext) != 0) {
        SDL_GL_DeleteContext(context);
        return nullptr;
    }
    error = GLContextError::None;
    return std::make_unique<SdlGLContext>(window, context, doubleBuffered != 0);
}

} // namespace VQ::Platform
