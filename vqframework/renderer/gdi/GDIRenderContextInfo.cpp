#include "vqframework/renderer/gdi/GDIRenderContextInfo.h"

#include <algorithm>

namespace VQ {

namespace {

// A context never draws into more than the largest surface; a bigger rectangle is cut.
int32_t SurfaceSide(int32_t side)
{
    return std::clamp(side, 1, LGDIRenderContextInfo::MaximumSide);
}

} // namespace

RCPtr<LGDIRendererOffscreenSurface> LGDIRendererOffscreenSurface::Create(Platform::IPresentTarget* window,
                                                                         int32_t width, int32_t height)
{
    RCPtr<LGDIRendererOffscreenSurface> surface(new LGDIRendererOffscreenSurface(window));
    if (!surface->Recreate(width, height))
        return nullptr;
    return surface;
}

bool LGDIRendererOffscreenSurface::Recreate(int32_t width, int32_t height)
{
    std::unique_ptr<Platform::DrawingSurface> fresh =
        Platform::DrawingSurface::Create(SurfaceSide(width), SurfaceSide(height));
    if (!fresh)
        return false;
    m_surface = std::move(fresh);
    return true;
}

RCPtr<LGDIRenderContextInfo> LGDIRenderContextInfo::Create(const RectT<int32_t>& rect,
                                                           Platform::IPresentTarget* window, bool offscreen)
{
    RCPtr<LGDIRenderContextInfo> context(new LGDIRenderContextInfo(rect, window, offscreen));
    context->m_current = LGDIRendererOffscreenSurface::Create(window, rect.width, rect.height);
    context->m_spare = LGDIRendererOffscreenSurface::Create(window, rect.width, rect.height);
    if (!context->m_current || !context->m_spare)
        return nullptr;
    return context;
}

bool LGDIRenderContextInfo::RecreateSurfaces()
{
    const RectT<int32_t>& rect = GetRect();
    const bool current = m_current->Recreate(rect.width, rect.height);
    const bool spare = m_spare->Recreate(rect.width, rect.height);
    return current && spare;
}

bool LGDIRenderContextInfo::SurfacesFit()
{
    const RectT<int32_t>& rect = GetRect();
    Platform::DrawingSurface& surface = m_current->GetSurface();
    return surface.GetWidth() == SurfaceSide(rect.width) && surface.GetHeight() == SurfaceSide(rect.height);
}

} // namespace VQ
