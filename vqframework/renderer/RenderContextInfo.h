// A render target of a renderer: a window's (presented at the end of each frame) or an offscreen
// cache's, with the region the frame repaints and the drawing state and its saved copies.
#pragma once

#include "vqframework/graphics/RectRegion.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/renderer/Stencil.h"
#include "vqframework/storage/RectT.h"

#include <cstdint>
#include <vector>

namespace VQ {

namespace Platform {
class IPresentTarget;
}

// The origin offset and clip every drawing operation goes through. The opacity is saved and
// restored with the state but drawn with by no back end.
struct RenderState {
    // An unbounded clip: -5e15 and 1e16 as single-precision values widened to double.
    static constexpr double UnboundedClipOrigin = -5000000136282112.0;
    static constexpr double UnboundedClipSize = 10000000272564224.0;

    PointT<double> offset;
    RectT<double> clip{UnboundedClipOrigin, UnboundedClipOrigin, UnboundedClipSize, UnboundedClipSize};
    float opacity = 1.0f;
    bool stencilSet = false;
    RCPtr<LStencil> stencil;
};

class LRenderContextInfo : public virtual LRefCountedObject {
public:
    // The window the context is presented to; null for a context of no window.
    Platform::IPresentTarget* GetWindow() const { return m_window; }
    // An offscreen context is never presented; only it can be drawn from or scrolled.
    bool IsOffscreen() const { return m_offscreen; }
    // The area the current frame repaints, filled by the window code before the frame starts.
    RectRegion& GetRegion() { return m_region; }
    const RectRegion& GetRegion() const { return m_region; }
    const RectT<int32_t>& GetRect() const { return m_rect; }
    void SetRect(const RectT<int32_t>& rect) { m_rect = rect; }
    RenderState& GetState() { return m_state; }
    const RenderState& GetState() const { return m_state; }
    std::vector<RenderState>& GetSavedStates() { return m_savedStates; }
    const std::vector<RenderState>& GetSavedStates() const { return m_savedStates; }

    // The largest width and height the back end can draw into.
    virtual PointT<int32_t> GetMaximumSize() const = 0;

protected:
    LRenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window, bool offscreen)
        : m_window(window), m_offscreen(offscreen), m_rect(rect)
    {
    }

private:
    Platform::IPresentTarget* const m_window;
    const bool m_offscreen;
    RectRegion m_region;
    RectT<int32_t> m_rect;
    RenderState m_state;
    std::vector<RenderState> m_savedStates;
};

} // namespace VQ
