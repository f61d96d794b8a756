#include "vqframework/renderer/D3D9Renderer.h"

namespace VQ {

LD3D9RenderContextInfo::LD3D9RenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window,
                                               bool offscreen)
    : LRenderContextInfo(rect, window, offscreen)
{
}

RCPtr<LD3D9RenderContextInfo> LD3D9RenderContextInfo::Create(const RectT<int32_t>& rect,
                                                             Platform::IPresentTarget* window, bool offscreen)
{
    return RCPtr<LD3D9RenderContextInfo>(new LD3D9RenderContextInfo(rect, window, offscreen));
}

PointT<int32_t> LD3D9RenderContextInfo::GetMaximumSize() const
{
    return {0, 0};
}

RCPtr<LD3D9Renderer> LD3D9Renderer::Create()
{
    return RCPtr<LD3D9Renderer>(new LD3D9Renderer());
}

VQRESULT LD3D9Renderer::GetFontMetrics(const ConstRCPtr<LFont>&, int32_t&, int32_t&, int32_t&)
{
    return S_OK;
}

RectT<float> LD3D9Renderer::MeasureString(const StringT<char16_t, char>&, const ConstRCPtr<LFont>&)
{
    return {};
}

int32_t LD3D9Renderer::GetRendererType()
{
    return Direct3D9;
}

VQRESULT LD3D9Renderer::InitRenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window,
                                              bool offscreen, RCPtr<LRenderContextInfo>& context)
{
    context = LD3D9RenderContextInfo::Create(rect, window, offscreen);
    return S_OK;
}

VQRESULT LD3D9Renderer::RenderStart(const RCPtr<LRenderContextInfo>&)
{
    return S_OK;
}

VQRESULT LD3D9Renderer::RenderFinish(const RCPtr<LRenderContextInfo>&)
{
    return S_OK;
}

void LD3D9Renderer::DrawString(const StringT<char16_t, char>&, const ConstRCPtr<LFont>&, const PointT<int32_t>&,
                               const RGBAColor&)
{
}

void LD3D9Renderer::FrameRect(const RectT<int32_t>&, const RGBAColor&, float) {}

void LD3D9Renderer::FillRect(const RectT<int32_t>&, const RGBAColor&, bool) {}

void LD3D9Renderer::DrawRect(const RectT<int32_t>&, const RGBAColor&, const RGBAColor&, float) {}

void LD3D9Renderer::DrawColorRectList(const ColorRectListT<float>&, const PointT<double>&) {}

void LD3D9Renderer::DrawLine(const PointT<float>&, const PointT<float>&, const RGBAColor&, float) {}

void LD3D9Renderer::DrawLineSegments(PolylineT<float>&, const RGBAColor&, const PointT<float>&, const PointT<float>&,
                                     bool)
{
}

void LD3D9Renderer::DrawPolyline(PolylineT<float>&, const RGBAColor&, const PointT<float>&, const PointT<float>&, bool)
{
}

void LD3D9Renderer::DrawPolygon(PolylineT<float>&, const RGBAColor&, const PointT<float>&, const PointT<float>&, bool)
{
}

void LD3D9Renderer::FillPolygon(PolylineT<float>&, const RGBAColor&, const PointT<float>&, const PointT<float>&, bool)
{
}

void LD3D9Renderer::DrawBitmap(const ConstRCPtr<LBitmap>&, const RectT<int32_t>&, ResizeType) {}

VQRESULT LD3D9Renderer::DrawRenderContext(const RCPtr<LRenderContextInfo>&, const PointT<int32_t>&,
                                          const RectT<int32_t>&)
{
    return E_NOTIMPL;
}

VQRESULT LD3D9Renderer::ScrollRenderContext(const RCPtr<LRenderContextInfo>&, const PointT<int32_t>&)
{
    return E_NOTIMPL;
}

} // namespace VQ
