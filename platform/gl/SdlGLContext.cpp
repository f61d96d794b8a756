// The window context: SDL's OpenGL context on a window made with SDL_WINDOW_OPENGL. It can be made
// current on any OpenGL window of the same format, so one context serves all of a renderer's windows.
#include "platform/gl/GLContext.h"

#include <SDL.h>

namespace VQ::Platform {

namespace {

class SdlGLContext final : public GLContext {
public:
    SdlGLContext(SDL_Window* window, SDL_GLContext context, bool doubleBuffered)
        : m_window(window), m_context(context), m_doubleBuffered(doubleBuffered)
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
        SDL_Window* window = target != nullptr && target->GetGLWindow() != nullptr ? target->GetGLWindow() : m_window;
        return SDL_GL_MakeCurrent(window, m_context) == 0;
    }
    void Release() override
    {
        if (SDL_GL_GetCurrentContext() == m_context)
            SDL_GL_MakeCurrent(nullptr, nullptr);
    }
    bool SwapBuffers(IPresentTarget* target) override
    {
        SDL_Window* window = target != nullptr && target->GetGLWindow() != nullptr ? target->GetGLWindow() : m_window;
        SDL_GL_SwapWindow(window);
        return true;
    }
    bool IsDoubleBuffered() const override { return m_doubleBuffered; }
    // SDL does not say how buffers are swapped; the back buffer's content counts as lost.
    bool IsSwapCopy() const override { return false; }
    bool IsOffscreen() const override { return false; }
    bool IsCurrent() const override { return SDL_GL_GetCurrentContext() == m_context; }

private:
    SDL_Window* m_window;
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
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr)
        return nullptr;
    int doubleBuffered = 0;
    if (SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffered) != 0)
        doubleBuffered = 0;
    // Creation leaves the context current; the renderer makes it current per frame.
    SDL_GL_MakeCurrent(nullptr, nullptr);
    error = GLContextError::None;
    return std::make_unique<SdlGLContext>(window, context, doubleBuffered != 0);
}

} // namespace VQ::Platform
