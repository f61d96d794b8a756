// The render context of the Cairo-drawn back end: a window's or a cache's two surfaces, the one
// drawn into and a spare that scrolling swaps in.
#pragma once

#include "platform/drawing/DrawingSurface.h"
#include "vqframework/renderer/RenderContextInfo.h"

#include <memory>

namespace VQ {

// One surface of a context, made to its context's size and fully transparent.
class LGDIRendererOffscreenSurface : public virtual LRefCountedObject {
public:
    // Null when no surface can be made.
    static RCPtr<LGDIRendererOffscreenSurface> Create(Platform::IPresentTarget* window, int32_t width,
                                                      int32_t height);

    // A fresh, transparent surface of the size (raised to 1, limited to the largest context); false,
    // keeping the old one, when none can be made.
    bool Recreate(int32_t width, int32_t height);
    Platform::DrawingSurface& GetSurface() { return *m_surface; }
    Platform::IPresentTarget* GetWindow() const { return m_window; }

private:
    explicit LGDIRendererOffscreenSurface(Platform::IPresentTarget* window) : m_window(window) {}

    Platform::IPresentTarget* const m_window;
    std::unique_ptr<Platform::DrawingSurface> m_surface;
};

class LGDIRenderContextInfo : public LRenderContextInfo {
public:
    static constexpr int32_t MaximumSide = 4096;

    // Null when its surfaces cannot be made.
    static RCPtr<LGDIRenderContextInfo> Create(const RectT<int32_t>& rect, Platform::IPresentTarget* window,
                                               bool offscreen);

    PointT<int32_t> GetMaximumSize() const override { return {MaximumSide, MaximumSide}; }

    LGDIRendererOffscreenSurface& GetCurrentSurface() { return *m_current; }
    LGDIRendererOffscreenSurface& GetSpareSurface() { return *m_spare; }
    void SwapSurfaces() { std::swap(m_current, m_spare); }
    // Both surfaces afresh at the context's size; false when either cannot be made.
    bool RecreateSurfaces();
    // The surfaces have the size the context's rectangle asks for.
    bool SurfacesFit();

    // The clip as it lies on the surface, in surface pixels. The state keeps the clip in the origin
    // of the time it was set, which later translations leave behind; a swapped-in surface needs it
    // where it was.
    const RectT<double>& GetSurfaceClip() const { return m_surfaceClip; }
    void SetSurfaceClip(const RectT<double>& clip) { m_surfaceClip = clip; }

private:
    LGDIRenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window, bool offscreen)
        : LRenderContextInfo(rect, window, offscreen)
    {
    }

    RCPtr<LGDIRendererOffscreenSurface> m_current;
    RCPtr<LGDIRendererOffscreenSurface> m_spare;
    RectT<double> m_surfaceClip{RenderState::UnboundedClipOrigin, RenderState::UnboundedClipOrigin,
                                RenderState::UnboundedClipSize, RenderState::UnboundedClipSize};
};

} // namespace VQ
