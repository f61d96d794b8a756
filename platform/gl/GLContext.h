// An OpenGL context the OpenGL back end draws with: one per renderer, on a window or offscreen.
// Immediate mode and display lists need the compatibility profile, which both kinds ask for.
#pragma once

#include "platform/drawing/PresentTarget.h"

#include <cstdint>
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
};

} // namespace VQ::Platform
