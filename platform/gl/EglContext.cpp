// The offscreen context: EGL on Mesa's surfaceless platform, current without any surface, so it needs
// neither a display server nor a window.
#include "platform/gl/GLContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>
#include <mutex>

namespace VQ::Platform {

namespace {

#ifndef EGL_PLATFORM_SURFACELESS_MESA
#define EGL_PLATFORM_SURFACELESS_MESA 0x31DD
#endif

bool HasWord(const char* list, const char* word)
{
    if (list == nullptr)
        return false;
    const size_t length = std::strlen(word);
    for (const char* at = std::strstr(list, word); at != nullptr; at = std::strstr(at + 1, word)) {
        const bool startsWord = at == list || at[-1] == ' ';
        const bool endsWord = at[length] == '\0' || at[length] == ' ';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

// One display for the process, initialised on first use and never terminated: terminating it would
// destroy the contexts of every other renderer.
EGLDisplay SharedDisplay()
{
    static EGLDisplay display = [] {
        EGLDisplay made = EGL_NO_DISPLAY;
        const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay != nullptr && HasWord(clientExtensions, "EGL_MESA_platform_surfaceless"))
            made = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (made == EGL_NO_DISPLAY)
            return EGL_NO_DISPLAY;
        EGLint major = 0;
        EGLint minor = 0;
        if (eglInitialize(made, &major, &minor) != EGL_TRUE)
            return EGL_NO_DISPLAY;
        return made;
    }();
    return display;
}

class EglContext final : public GLContext {
public:
    EglContext(EGLDisplay display, EGLContext context) : m_display(display), m_context(context) {}
    ~EglContext() override
    {
        if (eglGetCurrentContext() == m_context)
            eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(m_display, m_context);
    }

    bool MakeCurrent(IPresentTarget*) override
    {
        return eglBindAPI(EGL_OPENGL_API) == EGL_TRUE &&
               eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context) == EGL_TRUE;
    }
    void Release() override
    {
        if (eglGetCurrentContext() == m_context)
            eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    bool SwapBuffers(IPresentTarget*) override { return true; }
    bool IsDoubleBuffered() const override { return false; }
    bool IsSwapCopy() const override { return false; }
    bool IsOffscreen() const override { return true; }
    bool IsCurrent() const override { return eglGetCurrentContext() == m_context; }

protected:
    std::function<void()> SaveBinding() const override
    {
        const EGLenum api = eglQueryAPI();
        const EGLDisplay display = eglGetCurrentDisplay();
        const EGLSurface draw = eglGetCurrentSurface(EGL_DRAW);
        const EGLSurface read = eglGetCurrentSurface(EGL_READ);
        const EGLContext context = eglGetCurrentContext();
        return [this, api, display, draw, read, context] {
            if (context == EGL_NO_CONTEXT || display == EGL_NO_DISPLAY) {
                if (eglGetCurrentContext() != EGL_NO_CONTEXT)
                    eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            } else {
                eglMakeCurrent(display, draw, read, context);
            }
            eglBindAPI(api);
        };
    }
    void ClearBinding() override
    {
        if (eglGetCurrentContext() != EGL_NO_CONTEXT)
            eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }

private:
    EGLDisplay m_display;
    EGLContext m_context;
};

} // namespace

std::unique_ptr<GLContext> GLContext::CreateOffscreen(GLContextError& error)
{
    // EGL keeps its state per thread, and Mesa's first initialisation is not safe to race.
    static std::mutex creation;
    std::lock_guard lock(creation);
    error = GLContextError::ChoosePixelFormat;
    const EGLDisplay display = SharedDisplay();
    if (display == EGL_NO_DISPLAY || !HasWord(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context"))
        return nullptr;
    // The surfaceless platform offers pbuffer configurations only; the default asks for windows.
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_RED_SIZE,
                                 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(display, attributes, &config, 1, &count) != EGL_TRUE || count < 1)
        return nullptr;
    error = GLContextError::SetPixelFormat;
    if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE)
        return nullptr;
    error = GLContextError::CreateContext;
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                        EGL_NONE};
    const EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT)
        return nullptr;
    error = GLContextError::None;
    return std::make_unique<EglContext>(display, context);
}

} // namespace VQ::Platform
