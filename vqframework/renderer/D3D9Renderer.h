// The renderer of type 2: reachable through LRenderer::Create but drawing nothing and never
// keeping a frame, so every drawing and state operation leaves the target as it was.
#pragma once

#include "vqframework/renderer/Renderer.h"

namespace VQ {

class LD3D9RenderContextInfo : public LRenderContextInfo {
public:
    static RCPtr<LD3D9RenderContextInfo> Create(const RectT<int32_t>& rect, Platform::IPresentTarget* window,
                                                bool offscreen);

    // This back end can draw into nothing: 0 x 0.
    PointT<int32_t> GetMaximumSize() const override;

private:
    LD3D9RenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window, bool offscreen);
};

class LD3D9Renderer : public LRenderer {
public:
    static RCPtr<LD3D9Renderer> Create();

    // 0 with the outputs untouched.
    VQRESULT GetFontMetrics(const ConstRCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                            int32_t& descent) override;
    // The zero rectangle.
    RectT<float> MeasureString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font) override;
    int32_t GetRendererType() override;
    VQRESULT InitRenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window, bool offscreen,
                                   RCPtr<LRenderContextInfo>& context) override;
    // 0 without touching the context stack: no context ever becomes current.
    VQRESULT RenderStart(const RCPtr<LRenderContextInfo>& context) override;
    VQRESULT RenderFinish(const RCPtr<LRenderContextInfo>& context) override;
    void DrawString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font, const PointT<int32_t>& origin,
                    const RGBAColor& color) override;
    void FrameRect(const RectT<int32_t>& rect, const RGBAColor& color, float lineWidth) override;
    void FillRect(const RectT<int32_t>& rect, const RGBAColor& color, bool blend) override;
    void DrawRect(const RectT<int32_t>& rect, const RGBAColor& fillColor, const RGBAColor& frameColor,
                  float lineWidth) override;
    void DrawColorRectList(const ColorRectListT<float>& list, const PointT<double>& offset) override;
    void DrawLine(const PointT<float>& from, const PointT<float>& to, const RGBAColor& color,
                  float lineWidth) override;
    void DrawLineSegments(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                          const PointT<float>& scale, bool keepCached) override;
    void DrawPolyline(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                      const PointT<float>& scale, bool keepCached) override;
    void DrawPolygon(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                     const PointT<float>& scale, bool keepCached) override;
    void FillPolygon(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                     const PointT<float>& scale, bool keepCached) override;
    void DrawBitmap(const ConstRCPtr<LBitmap>& bitmap, const RectT<int32_t>& destination,
                    ResizeType resizeType) override;
    // E_NOTIMPL.
    VQRESULT DrawRenderContext(const RCPtr<LRenderContextInfo>& source, const PointT<int32_t>& destination,
                               const RectT<int32_t>& sourceRect) override;
    VQRESULT ScrollRenderContext(const RCPtr<LRenderContextInfo>& context, const PointT<int32_t>& offset) override;

private:
    LD3D9Renderer() = default;
};

} // namespace VQ
