// An OpenGL context the OpenGL back end draws with: one per renderer, on a window or offscreen.
// Immediate mode and display lists need the compatibility profile, which both kinds ask for.
#pragma once

#include "platform/drawing/PresentTarget.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace VQ::Platform {

// Why a context could not be made, in the order of the steps that make one.
enum class GLContextError {
    None,
    // No display, no configuration or format that draws with OpenGL.
    ChoosePixelFormat,
    // The format cannot be used with the target (a window without an OpenGL surface).
    SetPixelFormat,
    CreateContext,
};

class GLContext {
public:
    virtual ~GLContext() = default;

    // A context drawing into no window: only framebuffer objects are drawn into. Null on failure,
    // with the error set.
    static std::unique_ptr<GLContext> CreateOffscreen(GLContextError& error);
    // A context for the target's OpenGL window; null on failure, with the error set.
    static std::unique_ptr<GLContext> CreateForWindow(IPresentTarget* window, GLContextError& error);

    // Whether the target can be drawn to by a window context (it has an OpenGL surface).
    static bool CanDrawTo(IPresentTarget* window);

    // Makes the context current on the thread, drawing to the target's window (or to no window, for
    // a null target or an offscreen context). False when that fails.
    virtual bool MakeCurrent(IPresentTarget* target) = 0;
    // No context is current on the thread afterwards.
    virtual void Release() = 0;
    // Shows the back buffer of the target's window.
    virtual bool SwapBuffers(IPresentTarget* target) = 0;
    virtual bool IsDoubleBuffered() const = 0;
    // Whether a swap keeps the back buffer's content (copies instead of exchanging).
    virtual bool IsSwapCopy() const = 0;
    virtual bool IsOffscreen() const = 0;
    // Whether this context is the thread's current one.
    virtual bool IsCurrent() const = 0;

    // Makes the context current for a scope (drawing to no window) and gives the thread its previous
    // binding back at the end, so that another renderer's open frame keeps its context. When the
    // context cannot be made current, none of its kind is current in the scope: GL calls there
    // reach no other renderer's context.
    class [[nodiscard]] ScopedCurrent {
    public:
        explicit ScopedCurrent(GLContext& context);
        ~ScopedCurrent();
        ScopedCurrent(const ScopedCurrent&) = delete;
        ScopedCurrent& operator=(const ScopedCurrent&) = delete;

        bool IsCurrent() const { return m_current; }

    private:
        std::function<void()> m_restore;
        bool m_current = false;
    };

protected:
    // The thread's binding of this context's kind, and the call that puts it back.
    virtual std::function<void()> SaveBinding() const = 0;
    // Leaves no context of this kind current on the thread.
    virtual void ClearBinding() = 0;
};

} // namespace VQ::Platform
