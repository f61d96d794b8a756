// A render target of the OpenGL back end: a window's GL surface, or a framebuffer object whose colour
// texture other frames can draw from (offscreen contexts, and every context of a renderer that has
// no window).
#pragma once

#include "vqframework/renderer/RenderContextInfo.h"

#include <cstdint>
#include <memory>

namespace VQ {

namespace Platform {
class GLContext;
}

class LGLRenderContextInfo : public LRenderContextInfo {
public:
    static RCPtr<LGLRenderContextInfo> Create(const RectT<int32_t>& rect, Platform::IPresentTarget* window,
                                              bool offscreen, bool framebufferBacked,
                                              const PointT<int32_t>& maximumSize,
                                              const std::shared_ptr<Platform::GLContext>& glContext);
    ~LGLRenderContextInfo() override;

    PointT<int32_t> GetMaximumSize() const override { return m_maximumSize; }

    // Drawn into a framebuffer object rather than a window.
    bool IsFramebufferBacked() const { return m_framebufferBacked; }
    // Makes the framebuffer object fit the context's size (at least 1 x 1) and binds it; binds the
    // window's framebuffer for a window context. The GL context must be current. False when the
    // framebuffer cannot be made.
    bool BindFramebuffer();
    // The colour texture of the framebuffer object; 0 before the first frame and for window contexts.
    uint32_t GetTexture() const { return m_texture; }
    uint32_t GetFramebuffer() const { return m_framebuffer; }
    int32_t GetTextureWidth() const { return m_textureWidth; }
    int32_t GetTextureHeight() const { return m_textureHeight; }
    // The clip in target pixels, where it was set: later translations do not move it.
    const RectT<double>& GetTargetClip() const { return m_targetClip; }
    void SetTargetClip(const RectT<double>& clip) { m_targetClip = clip; }

private:
    LGLRenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window, bool offscreen,
                         bool framebufferBacked, const PointT<int32_t>& maximumSize,
                         const std::shared_ptr<Platform::GLContext>& glContext);
    void DeleteFramebuffer();

    const bool m_framebufferBacked;
    const PointT<int32_t> m_maximumSize;
    // Kept so that the names can be freed in their own context.
    std::shared_ptr<Platform::GLContext> m_glContext;
    uint32_t m_framebuffer = 0;
    uint32_t m_texture = 0;
    int32_t m_textureWidth = 0;
    int32_t m_textureHeight = 0;
    RectT<double> m_targetClip{RenderState::UnboundedClipOrigin, RenderState::UnboundedClipOrigin,
                               RenderState::UnboundedClipSize, RenderState::UnboundedClipSize};
};

} // namespace VQ
